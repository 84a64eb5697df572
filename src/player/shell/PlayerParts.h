// The player's composition: folder tree, file list, history, playback and the main window wired together.
#pragma once

#include "FileBrowser.h"
#include "FileListView.h"
#include "FolderHistory.h"
#include "IconStore.h"
#include "KeyCommands.h"
#include "MpvSession.h"
#include "PlaybackController.h"
#include "PlaybackView.h"
#include "PositionTracker.h"
#include "cDTree.h"

#include <QObject>

#include <memory>

class QKeyEvent;
class QMouseEvent;

namespace vello {

class PlayerDesktop;
class frmMain;

/**
 * Builds the parts the main window owns and connects them to it, one feature at a time: folder tree and
 * label, file list, history, settings, start-up hooks, playback and its view, player buttons and sliders,
 * keys, display sizes. The window reaches the players only through the PlaybackController.
 *
 * The window is not owned and must outlive this object; construct it after the window and before
 * frmMain::Form_Load. Destruction unhooks everything it set on the window. Window thread only.
 *
 * Keys: an application-wide event filter hands every key pressed or released in the main window to the
 * key table (KeyCommands) before the focused control sees it, except while a text editor (the in-place
 * rename editor) has the focus, a popup menu is open, or another window is active. Auto-repeat of the seek
 * keys is ignored, so holding Z or F seeks until the key is released.
 */
class PlayerParts : public QObject, public PlaybackView
{
    Q_OBJECT

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
    /// Files handed over by a second copy, the media keys, the screen saver.
    PlayerDesktop& desktop() { return *m_desktop; }

    /// Plays the command-line text (a path or a file:// address) as the start-up does.
    void playCommandLine(const QString& text);

    /// Copies the loaded settings into the browser, the list's columns, the play mode and the seek speed.
    void applySettings();
    /// The main window's reaction to a folder change: the folder label, then FillFileList.
    void clsDTree_Change(const QString& path);
    /// Sizes the video area to the active clip's picture times ratio (0 = original size) and fits the
    /// window around it; nothing when the clip has no picture.
    void ChangeOri(double ratio);
    /// Runs one command of the key table (key down or key up).
    void runKeyCommand(KeyCommand command, Qt::KeyboardModifiers modifiers);
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupFolderConnections();
    void setupFileListConnections();
    void setupHistoryConnections();
    void setupStartupHooks();
    void setupPlaybackConnections();
    void setupButtonConnections();
    void setupSliderConnections();
    void setupViewConnections();
    void setupDesktopConnections();

    bool acceptsKeysFrom(QObject* watched) const;
    bool handleKey(QKeyEvent* event);
    bool handleButtonMouse(int index, bool pressedImage, QEvent* event);
    int buttonIndexOf(QObject* watched, bool* pressedImage) const;
    void showButtonLook(int index, bool pressed);
    void bindVideoWindow();

    frmMain& m_window;
    IconStore m_imgLst;
    cDTree m_clsDTree;
    FileBrowser m_browser;
    FileListView m_file1;
    FolderHistory m_history;
    PlaybackController m_controller;
    PositionTracker m_tracker;
    std::unique_ptr<PlayerDesktop> m_desktop;

    quint64 m_videoWindow = 0;
    bool m_settingSlider = false;
    bool m_settingVolume = false;
    int m_mouseDownButton = -1;
    bool m_closingVolumePanel = false;
};

} // namespace vello
