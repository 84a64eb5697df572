// The player's settings store: loads PlayerSettings from Config.ini and owns the fixed-ratio state.
#pragma once

#include "AspectRatio.h"
#include "PlayerSettings.h"

#include <QString>
#include <QStringList>

namespace vello {

class ConfigHost;

/// Reads the player's four sections of Config.ini ("Play Mode", "File List", "Config", "Slide Timer") one
/// key at a time through IniFile and never touches any other section. Window thread only.
class M_Config
{
public:
    /// How the last LoadConfig ended.
    enum class LoadResult
    {
        None,         ///< LoadConfig has not run
        Read,         ///< every required value was read
        Failed,       ///< a required value was not a whole number; the standard error was shown
        Created,      ///< first start: the file was created and read back
        CreateFailed, ///< first start: the file could not be created; first-run values kept in memory
    };

    explicit M_Config(ConfigHost* host = nullptr) : m_host(host) {}

    /// The window that receives the first-run display values (not owned; may be null).
    void setHost(ConfigHost* host) { m_host = host; }

    PlayerSettings& settings() { return m_settings; }
    const PlayerSettings& settings() const { return m_settings; }

    /// Full path of Config.ini: the program's data folder + "Config.ini".
    static QString configPath();

    /// Fills PlayerSettings from Config.ini, or creates the file with first-run values when it does not
    /// exist. A malformed required value shows the standard error report and ends the load; fields read
    /// before it keep their new values. Never loops, never throws; bad or unreadable files load as far
    /// as their values allow.
    void LoadConfig();
    LoadResult lastLoad() const { return m_lastLoad; }

    /// The entries of a ";"-separated extension text: separators alone split, blanks and empty entries
    /// stay, the last entry is cut at its first NUL. Always at least one entry.
    static QStringList BuildExtList(const QString& fileExt);

    /// Applies the display settings to the host, in this order: the file list's title, date and size
    /// column widths by their flags, the z-order by TopMost, then the fixed-ratio switch. Used on the first
    /// start and after the settings window's OK.
    void applyDisplaySettings();

    /// Installs or removes the aspect-ratio keeping on the host according to FixedRatio; installs at most
    /// once however often it is called while FixedRatio stays on.
    void FixedRatioSwitch();
    bool aspectInstalled() const { return m_aspectInstalled; }

    /// The process-wide ratio state of the fixed-ratio feature (captured once, never reset).
    AspectRatio& aspectRatio() { return m_aspect; }

    /// First-run file-list column widths in twips for the given flags (0 hides the column).
    static int titleColumnTwips(int fileTitle) { return fileTitle != 0 ? 1440 : 0; }
    static int dateColumnTwips(int fileDateTime) { return fileDateTime != 0 ? 1549 : 0; }
    static int sizeColumnTwips(int fileSize) { return fileSize != 0 ? 1000 : 0; }

private:
    void readExisting(const QString& path);
    void createFirstRun(const QString& path);

    ConfigHost* m_host = nullptr;
    PlayerSettings m_settings;
    AspectRatio m_aspect;
    bool m_aspectInstalled = false;
    LoadResult m_lastLoad = LoadResult::None;
};

} // namespace vello
