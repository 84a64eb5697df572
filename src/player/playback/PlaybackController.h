// The playback controller: the one route from the main window to the two player controls.
#pragma once

#include "EndReport.h"
#include "PlaybackView.h"
#include "RA.h"
#include "VolumeMemory.h"
#include "WP.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <array>

namespace vello {

using media::EndReport;
using media::MpvSession;
using media::RA;
using media::RawPicture;
using media::WP;

class FileBrowser;
class FolderHistory;

/**
 * Picks the player control for a file, loads the selected entry of the file list into it, plays, pauses
 * and stops it, and advances through the list by the play mode when a clip ends by itself. Owns both
 * player controls: every other part of the program reaches them through this class.
 *
 * Threading: window thread only. No call blocks on the engine. Units: milliseconds for positions and
 * lengths, 0..100 for the volume slider.
 *
 * Unattended advance is decided by the controls' end reports (EndReport.h), never by ChangePending alone:
 *  - Only an EndedByItself report of the load the controller started last on that control (its serial
 *    recorded right after setSource/setFileName/play) advances, and only while that control is the one
 *    UseRealAudio picks. The advance runs from the event loop after the report; any load or stop that
 *    happens in between cancels it.
 *  - ClosedByProgram (stop, replace, empty; delivered synchronously inside the call) never advances.
 *    When nothing new is being loaded into that control, the control is emptied once the call returns.
 *  - FailedToOpen of the current load goes on as after an end. After as many failures in a row as there
 *    are playable entries (one in repeat-one mode) without any clip opening, playback stops and
 *    playbackFinished() is emitted; no message is shown.
 *  - A report for any other load (a late event of an old clip) is ignored.
 * ChangePending is kept as the record that the program itself closed or restarted a clip: set by the
 * callers of PlaySelected, by the repeat-one restart and by StopPlayback, cleared by the next end report.
 *
 * Endless loops over marked entries are bounded: in random mode PlayNext draws at most count() times and
 * then takes the next playable entry in list order after the last draw; PlayPrevious in random mode goes
 * to PreviousIndex and, when that entry is marked, on backwards in list order. PreviousIndex is the entry
 * played before the random step, not a rejected draw.
 */
class PlaybackController : public QObject
{
    Q_OBJECT

public:
    enum Control
    {
        RealAudio = 0,
        MediaPlayer = 1
    };

    /// What the display timer reads from the controls.
    struct ControlStatus
    {
        bool realAudio = false; ///< UseRealAudio()
        RA::PlayState raState = RA::PlayState::Stopped;
        qint32 raPositionMs = 0; ///< RA position, milliseconds
        WP::PlayState wpState = WP::PlayState::Stopped;
        double wpPositionSec = 0; ///< WP position, seconds
    };

    /// browser: the file list and current folder (not owned; outlives the controller). The options
    /// configure the engines of RA and WP ("null" video/audio output in tests and the terminal player).
    PlaybackController(FileBrowser& browser, const MpvSession::Options& raOptions,
                       const MpvSession::Options& wpOptions, QObject* parent = nullptr);
    ~PlaybackController() override;

    /// The window (not owned; may be null). Must outlive the controller or be reset to null.
    void setView(PlaybackView* view) { m_view = view; }
    /// Folder history updated by PlayCommand in folder mode (not owned; may be null).
    void setHistory(FolderHistory* history) { m_history = history; }
    /// PlayMode setting: 0 normal, 1 repeat all, 2 repeat one, 3 random; other values keep the selection.
    void setPlayMode(int mode) { m_playMode = mode; }
    int playMode() const { return m_playMode; }
    /// Path of VolumeSize.ini; "" switches the per-file volume memory off. Default: the data folder's file.
    void setVolumeFile(const QString& path) { m_volumeMemory.setPath(path); }
    QString volumeFile() const { return m_volumeMemory.path(); }
    /// Program title and version at the head of the window title (default "Velloplayer 1.0.0").
    void setProgramTitle(const QString& title) { m_programTitle = title; }
    /// Native windows the controls draw into; call before the first play (at the latest from the view's
    /// prepareVideoWindow(), which the controller calls before each load).
    void setVideoWindows(quint64 raWindow, quint64 wpWindow);

    /// True when the file is played by RA: its last three characters, upper-cased, are ".RA", ".RM" or
    /// "RAM". False for an empty name.
    static bool UseRealAudio(const QString& file);
    /// UseRealAudio(CurrentFile()).
    bool UseRealAudio() const { return UseRealAudio(m_currentFile); }

    /// Loads and starts the selected entry (remembering the old file's volume, recalling the new one's).
    /// Nothing happens when no entry is selected.
    void PlaySelected();
    /// Start-up with a file on the command line: CurrentFile = path as given, and the control chosen for
    /// it opens and starts it. The file list, the controls' visibility and the volume are not touched.
    void playFile(const QString& path);
    /// True (after the warning message) when no entry of the list may be played.
    bool NoPlayableFile() const;
    /// Play button: resumes a paused clip, else plays the selected entry (the next playable one when it
    /// is marked), recording the folder in the history in folder mode.
    void PlayCommand();
    /// Next button and end of clip: the next playable entry by the play mode.
    void PlayNext();
    /// Previous button: the previous playable entry (PreviousIndex in random mode).
    void PlayPrevious();
    /// Stop button: remembers the volume, stops and empties the control; CurrentFile becomes "".
    void StopPlayback();
    /// Pause button: holds the clip of the control UseRealAudio picks.
    void itijiProc();
    /// The list's source changes (favourites mode on or off): ChangePending is set and the current clip is
    /// held without any advance: a RealMedia clip (RA) is stopped, any other (WP) paused. CurrentFile stays.
    void holdForSourceSwitch();

    /// Writes the volume slider's value for CurrentFile to VolumeSize.ini.
    void RememberVolume();
    /// Sets the volume slider (and the control) from VolumeSize.ini for CurrentFile; without an entry the
    /// slider shows the control's own volume and the control is left as it is.
    void RecallVolume();

    /// A move of the volume slider to value (0..100): RA gets value, WP value * 30 - 3000 (-10000 for 0).
    void setVolume(int value);
    /// The volume slider's value.
    int volume() const { return m_volume; }

    // The position tracker's and the view commands' access to the active control.
    ControlStatus controlStatus() const;
    /// Holds the active control (slider pressed, seek button pressed).
    void pauseActive();
    /// Seeks the active control to ms milliseconds.
    void seekActive(int ms);
    /// Plays the active control on (RA play, WP play): continues a paused clip.
    void playActive();
    /// End of a held seek: seek to ms and play on (WP: start flag false before playing).
    void resumeAfterSeek(int ms);
    /// Picture size (pixels) of the active control's clip; 0 x 0 for none or sound only.
    QSize pictureSize() const;
    /// "最大化(&F)" checked: the active control shows full screen (fullScreenRequested is emitted).
    void enterFullScreen();

    /// Playback speed of both controls (1 = normal), pitch kept; it holds for every clip until changed.
    void setSpeed(double speed);
    double speed() const { return m_speed; }
    /// True while the active control has a clip with a picture open.
    bool hasPicture() const;
    /// Asks the active control for the frame on screen at the clip's own size; pictureTaken follows with
    /// the returned number (never 0). 0 when there is no picture to take: nothing follows.
    quint64 requestPicture();

    QString CurrentFile() const { return m_currentFile; }
    /// The file this controller started last (by PlaySelected or playFile); stopping does not clear it.
    /// Empty when nothing was started. The file list protects it against deletion and rename.
    QString lastStartedFile() const { return m_lastStarted; }
    bool ChangePending() const { return m_changePending; }
    int PreviousIndex() const { return m_previousIndex; }
    /// Favourites mode, as the browser holds it: entry texts are full paths.
    bool FaFlg() const;
    QString TotalTimeText() const { return m_totalTimeText; }
    /// Length of the open clip in milliseconds (the slider's maximum); 0 before it has opened.
    int lengthMs() const { return m_lengthMs; }
    /// The title label's text.
    QString titleText() const { return m_titleText; }

    /// Read-only access for tests, benchmarks and status displays. Never drive the controls through these.
    const RA& realAudio() const { return m_ra; }
    const WP& mediaPlayer() const { return m_wp; }

signals:
    /// A clip of the current load has opened; its title label, window title and length are set.
    void clipStarted(const QString& file, const QString& title, int lengthMs);
    /// The slider's maximum (the clip length, ms) and the total time text changed.
    void clipLengthChanged(int lengthMs, const QString& totalTimeText);
    /// The current clip played to its end (before any advance).
    void clipEnded(const QString& file);
    /// The current load could not be opened; the title label, window title and length are cleared.
    void clipFailed(const QString& file);
    /// Unattended playback came to a halt: a clip ended and nothing more is played (normal mode after
    /// the last entry, nothing playable left), or every playable file failed to open.
    void playbackFinished();
    /// A control asks the window for full-screen display.
    void fullScreenRequested();
    /// The answer to requestPicture.
    void pictureTaken(const RawPicture& picture);

private:
    void onEndReport(Control control, const EndReport& report);
    void onClipOpened(Control control);
    void scheduleAdvance();
    void clearClipDisplay();
    void advance();
    void playNextStep();
    void restartCurrent();
    void emptyReleasedControls();
    int playableCount() const;
    Control activeControl() const { return UseRealAudio() ? RealAudio : MediaPlayer; }
    quint64 currentClipOf(Control control) const;

    FileBrowser& m_browser;
    RA m_ra;
    WP m_wp;
    PlaybackView* m_view = nullptr;
    FolderHistory* m_history = nullptr;
    VolumeMemory m_volumeMemory;
    QString m_programTitle;

    int m_playMode = 0;
    QString m_currentFile;
    QString m_lastStarted;
    bool m_changePending = false;
    int m_previousIndex = 0;
    QString m_totalTimeText = QStringLiteral("00:00");
    int m_lengthMs = 0;
    QString m_titleText;
    int m_volume = 100;
    double m_speed = 1.0;
    quint64 m_pictureRequests = 0;

    /// Serial of the load this controller started last on each control; 0 when it has been reported.
    std::array<quint64, 2> m_expected{0, 0};
    /// A ClosedByProgram report arrived for a control that nothing is being loaded into.
    std::array<bool, 2> m_emptyPending{false, false};
    /// The control being loaded inside PlaySelected; -1 outside.
    int m_loadTarget = -1;
    /// Counts every program-caused load or stop; a scheduled advance runs only if it is unchanged.
    quint64 m_generation = 0;
    int m_failedInRow = 0;
};

} // namespace vello
