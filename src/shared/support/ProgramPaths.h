// Where the programs find their own folder, their companions and their files.
#pragma once

#include <QString>

namespace vello {

/**
 * The program's folder, its data folder and the places of the other programs and documents.
 *
 * A program runs from the build tree when the build's mark file (buildTreeMarker()) lies beside it; the
 * build writes it into its program folders and the install rules never install it. Such a run keeps its
 * data files (Config.ini, Fa.dat, VolumeSize.ini) in its own folder when that folder is writable. Every
 * other copy, an installed one above all, keeps them in the per-user data folder
 * (~/.local/share/Velloplayer), whatever the permissions of its own folder, so that the player and the
 * editor, which lie in different folders when installed, share one Config.ini.
 */
class ProgramPaths
{
public:
    /// Folder of the running executable (or the one given to overrideProgramFolder), ending with "/".
    static QString programFolder();
    /// True when the program runs from the build tree (see above).
    static bool runsFromBuildTree();
    /// Name of the build tree's mark file.
    static QString buildTreeMarker();

    /// Folder for the data files, ending with "/"; the per-user folder is created when needed unless
    /// create is false.
    static QString dataFolder(bool create = true);
    /// Full path of a data file, e.g. dataFile("Config.ini").
    static QString dataFile(const QString& name);
    /// The per-user data folder (~/.local/share/Velloplayer/ or $XDG_DATA_HOME/Velloplayer/); not created.
    static QString userDataFolder();

    /// A program that only the player and the editor start (vellokit, vellowait): beside this program in
    /// the build tree, or in the package's own folder under lib/ of an installed copy. The path beside
    /// this program when it is found in neither place.
    static QString companionProgram(const QString& name);
    /// A document of the player (the help document): beside the program in the build tree, or in the
    /// installed documentation folder (share/doc/velloplayer). The path beside the program when it is
    /// found in neither place.
    static QString documentFile(const QString& name);

    /// Root of the system drive: "/" here.
    static QString systemDriveRoot();
    /// Where a user starts browsing when nothing is stored yet: the home folder ($HOME, its real path with a
    /// trailing "/", bytes kept); the system root when there is no such folder.
    static QString startFolder();

    /// Replaces the program folder (tests, and tools that act for a copy of the program elsewhere). Such a
    /// folder counts as the program's own folder for the data files, like a run from the build tree.
    static void overrideProgramFolder(const QString& folder);

private:
    static QString withSlash(const QString& folder);
    static QString firstExisting(const QString& name, const QString& installedRelative);
};

} // namespace vello
