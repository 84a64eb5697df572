// The settings window's logic: its controls filled from PlayerSettings, and what OK writes and applies.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace vello {

class M_Config;
struct PlayerSettings;

/// The start-folder choice of the settings window; the numbers are the stored "DEFAULT DIR" values.
enum class StartFolder
{
    None = -1,      ///< no option selected (a stored value the window has no option for)
    Favourites = 0, ///< "お気に入り(&A)"
    LastTime = 1,   ///< "最後に使用したフォルダ(&L)"
    Fixed = 2,      ///< "フォルダ指定(&I)" with the folder in txtDir
};

/// What the settings window's controls hold. A check box is ticked or not; -1 in playMode or cboTimer means
/// no option button or list entry is selected.
struct CfgControls
{
    // "全般"
    bool chkModal = false;
    bool chkSize = false;
    StartFolder startFolder = StartFolder::None;
    QString txtDir;
    bool chkPick = false;
    // "動作"
    int playMode = -1; ///< index of the selected optPlayMode, 0..3
    int cboTimer = -1; ///< list index of cboTimer, 0..4
    // "ファイルリスト"
    QString txtExt;
    bool chkSendRecycle = false;
    bool chkTitle = false;
    bool chkFileSize = false;
    bool chkTime = false;

    bool operator==(const CfgControls&) const = default;
};

/**
 * The logic of the settings window frmCfg, without widgets. Window thread only.
 *
 * load() gives the controls for the settings in memory. save() is OK's first half: each value goes into
 * PlayerSettings and is written to Config.ini at once, one key at a time through IniFile, in a fixed order.
 * apply() is the second half, run once the window has closed: display settings on the main window
 * (through M_Config's host), LoadConfig, then settingsReloaded and fileChangeRequested.
 *
 * A stored value the window has no control value for (a hand-edited "MODE" outside 0..3, "Timer" outside
 * 0..4, "DEFAULT DIR" outside 0..2) shows no selection; unless the user picks one, OK writes the stored
 * value back unchanged.
 */
class SettingsEditor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsEditor)

public:
    /// The speed texts of cboTimer, in index order.
    static const QStringList& timerTexts();

    /// config: the settings store (not owned; must outlive this object).
    explicit SettingsEditor(M_Config& config, QObject* parent = nullptr);

    /// The controls for the settings in memory, as the window shows them when it opens.
    CfgControls load() const;

    /// txtDir after the folder chooser returned chosen (its full path without a trailing separator, or
    /// empty when the user cancelled): the path followed by "/", or txtDir unchanged.
    static QString folderChosen(const QString& txtDir, const QString& chosen);

    /// Stores and writes every setting from the controls, in order: "TOPMOST", "FIXED RATIO", "FILE EXT",
    /// "SEND RECYCLE", "DEFAULT DIR", "Timer", "FILE TITLE", "FILE SIZE", "FILE DATETIME", "DEFAULT DIR PATH"
    /// (only while the start folder is the fixed one), "PICKUP", "MODE". Nothing else of Config.ini changes.
    /// Returns true when every key was written. When a write fails the standard error report is shown, the
    /// keys written before it stay written, that setting keeps its previous value in memory, the rest is
    /// skipped, fileChangeRequested is emitted, and false is returned: the window stays open.
    bool save(const CfgControls& controls);

    /// After the window closed: column widths, z-order and fixed ratio on the main window, LoadConfig,
    /// then settingsReloaded and fileChangeRequested, in this order.
    void apply();

signals:
    /// The settings in memory were read again from Config.ini; the parts that copy them take them up.
    void settingsReloaded();
    /// The folder tree and file list are refreshed (FileChange), with the new extensions and columns.
    void fileChangeRequested();

private:
    M_Config& m_config;
};

} // namespace vello
