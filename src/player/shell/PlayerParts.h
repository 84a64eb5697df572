// The player's composition: folder tree, file list, history, playback and the main window wired together.
#pragma once

#include "FavouritesFile.h"
#include "FavouritesMode.h"
#include "FileBrowser.h"
#include "FileListView.h"
#include "FolderHistory.h"
#include "IconStore.h"
#include "KeyCommands.h"
#include "MainWindowParts.h"
#include "MpvSession.h"
#include "PlaybackController.h"
#include "PlaybackView.h"
#include "PositionTracker.h"
#include "SettingsEditor.h"
#include "cDTree.h"

#include <QObject>

#include <memory>

class QKeyEvent;

namespace vello {

class PlayerDesktop;
class PlayerExtras;
class frmMain;

/**
 * The player's composition root: builds the parts the main window owns and connects them to it, one
 * feature at a time, each in its own setup...Connections() function (folder tree and label, file list,
 * history, playback and its view, transport bar, keys, display sizes). A new feature (favourites mode,
 * the settings, about and tips windows, the update command, files handed over by a second copy, the
 * desktop's media controls) adds its part as a member and one setup function called from the
 * constructor; it enables and connects the window's menu items it carries out. The window reaches the
 * players only through the PlaybackController, and the parts reach the window's controls only here.
 *
 * The window is not owned and must outlive this object; construct it after the window and before
 * frmMain::Form_Load. Destruction detaches it from the window. Window thread only.
 *
 * Keys: an application-wide event filter hands every key pressed or released in the main window to the
 * key table (KeyCommands) before the focused control sees it, except while a text editor (the in-place
 * rename editor) has the focus, a popup menu is open, or another window is active. Auto-repeat of the seek
 * keys is ignored, so holding Z or F seeks until the key is released.
 */
class PlayerParts final : public QObject, public PlaybackView, public MainWindowParts
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerParts)

public:
    /// engine: output options of both players' engines (videoOutput/audioOutput "null" in tests; the
    /// window id is set here from the window's video area).
    explicit PlayerParts(frmMain& window, const MpvSession::Options& engine = {}, QObject* parent = nullptr);
    ~PlayerParts() override;

    frmMain& window() const { return m_window; }
    IconStore& imgLst() { return m_imgLst; }
    cDTree& clsDTree() { return m_clsDTree; }
    FileBrowser& browser() { return m_browser; }
    FileListView& file1() { return m_file1; }
    FolderHistory& history() { return m_history; }
    PlaybackController& controller() { return m_controller; }
    PositionTracker& tracker() { return m_tracker; }
    /// The settings window's logic.
    SettingsEditor& settingsEditor() { return m_settingsEditor; }
    /// Files handed over by a second copy, the media keys, the screen saver.
    PlayerDesktop& desktop() { return *m_desktop; }
    /// The favourites (FaList and Fa.dat) and the main window's favourites mode; its FaFlg is the
    /// browser's favouritesMode().
    FavouritesStore& favourites() { return m_favourites; }
    FavouritesMode& favouritesMode() { return m_favouritesMode; }
    /// Drops onto the window, continuing the clip left last, the playback speed, saving the picture.
    PlayerExtras& extras() { return *m_extras; }

    /// "お気に入りの整理(&S)" (Ctrl+S): the favourites manager, modal; afterwards the favourites tree shows
    /// what was organised.
    void mnuFaEdit_Click();

    /// The main window's reaction to a folder change: the folder label, then FillFileList.
    void clsDTree_Change(const QString& path);
    /// Sizes the video area to the active clip's picture times ratio (0 = original size) and fits the
    /// window around it; nothing when the clip has no picture.
    void ChangeOri(double ratio) override;
    /// Runs one command of the key table (key down or key up).
    void runKeyCommand(KeyCommand command, Qt::KeyboardModifiers modifiers);
    /// "環境設定(&C)" and F3: the settings window, modal, owned by the main window.
    void mnuCfg_Click();
    /// "バージョン情報(&A)": the about window, modeless, owned by the main window; one window however often.
    void mnuAbout_Click();
    /// Player button index 0..7 (PositionTracker::Button): mouse button down and up.
    void buttonDown(int index);
    void buttonUp(int index);

    // PlaybackView
    void setTitleText(const QString& text) override;
    void setWindowTitle(const QString& text) override;
    bool fullScreenChecked() const override;
    bool originalSizeChecked() const override;
    void requestChangeOri(double ratio) override;
    void showRealAudio(bool realAudio) override;
    void focusFileList() override;
    void setVolumeSlider(int value) override;
    void prepareVideoWindow() override;

    // MainWindowParts
    void settingsLoaded() override;
    void loadFavourites() override;
    void SetValue() override;
    void enterFavouritesMode() override;
    void setFolder(const QString& folder) override;
    void FillFileList() override;
    void applyVolume(int volume) override;
    /// Plays the command-line text (a path or a file:// address) as the start-up does.
    void playCommandLine(const QString& text) override;
    void singleCopyHeld() override;
    void FileChange() override;
    std::optional<int> volumeToStore() const override;
    void showFullScreen() override;
    bool clearHistory() override;
    /// The tips window, modal, owned by the main window; it stores its check box as Pickup.
    void showTips() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupFolderConnections();
    void setupFileListConnections();
    void setupHistoryConnections();
    void setupPlaybackConnections();
    void setupTransportConnections();
    void setupKeyConnections();
    void setupViewConnections();
    void setupDesktopConnections();
    void setupUpdateConnections();
    void setupFavouritesConnections();
    void favouritesModeChanged(bool on);
    void updateFavouritesMenu();
    void setupSettingsConnections();
    void setupInfoConnections();
    void setupExtrasConnections();

    /// Copies the settings into the parts; with columns, the file list's columns get their design widths.
    void takeSettings(bool columns);

    bool acceptsKeysFrom(QObject* watched) const;
    bool handleKey(QKeyEvent* event);
    void bindVideoWindow();

    frmMain& m_window;
    IconStore m_imgLst;
    cDTree m_clsDTree;
    FileBrowser m_browser;
    FileListView m_file1;
    FolderHistory m_history;
    PlaybackController m_controller;
    PositionTracker m_tracker;
    SettingsEditor m_settingsEditor;
    std::unique_ptr<PlayerDesktop> m_desktop;
    FavouritesStore m_favourites;
    FavouritesMode m_favouritesMode{m_favourites, m_browser};
    std::unique_ptr<PlayerExtras> m_extras;

    quint64 m_videoWindow = 0;
};

} // namespace vello
