// Where the programs find their own folder and keep their files.
#pragma once

#include <QString>

namespace vello {

/// Folder of the running executable and the folder for the programs' data files (Config.ini, Fa.dat,
/// VolumeSize.ini): the executable's folder when it is writable, otherwise the per-user data folder
/// (~/.local/share/Velloplayer). Both end with "/".
class ProgramPaths
{
public:
    static QString programFolder();
    static QString dataFolder();
    /// Full path of a data file, e.g. dataFile("Config.ini").
    static QString dataFile(const QString& name);
    /// Root of the system drive: "/" here.
    static QString systemDriveRoot();

    /// Replaces the program folder (tests and tools that act for a copy of the program elsewhere).
    static void overrideProgramFolder(const QString& folder);

private:
    static QString withSlash(const QString& folder);
};

} // namespace vello
