// What the playback controller asks of the main window: labels, title, player visibility, menu checks.
#pragma once

#include <QString>
#include <QtGlobal>

namespace vello {

/// Implemented by the main window (and by the terminal player). Every call is made on the window thread
/// from inside a PlaybackController operation or event; none may call back into the controller's play
/// operations. The default implementations do nothing, so a host implements only what it shows.
class PlaybackView
{
public:
    virtual ~PlaybackView() = default;

    /// The title label above the picture (lblTitle).
    virtual void setTitleText(const QString& text) { Q_UNUSED(text) }
    /// The main window's caption.
    virtual void setWindowTitle(const QString& text) { Q_UNUSED(text) }
    /// Whether "最大化(&F)" (full screen) is checked.
    virtual bool fullScreenChecked() const { return false; }
    /// Whether "オリジナルサイズ(&O)" (clip at its own size) is checked.
    virtual bool originalSizeChecked() const { return false; }
    /// Fit the window around the active control's picture (ratio 0 = original size). The window reads the
    /// picture size from PlaybackController::pictureSize() and sizes with PlaybackMath::ChangeOri.
    virtual void requestChangeOri(double ratio) { Q_UNUSED(ratio) }
    /// Show the RealAudio control's picture and hide the Media Player control's (true), or the reverse.
    virtual void showRealAudio(bool realAudio) { Q_UNUSED(realAudio) }
    /// Give the keyboard focus to the file list.
    virtual void focusFileList() {}
    /// The volume slider (sldVol) shows value (0..100); no control is changed by the view.
    virtual void setVolumeSlider(int value) { Q_UNUSED(value) }
    /// A clip is about to be loaded: a host that makes its picture window when it is first needed makes it
    /// now and hands it to the controller (setVideoWindows).
    virtual void prepareVideoWindow() {}
};

} // namespace vello
