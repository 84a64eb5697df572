// Media-Player-style player control over libmpv: times in seconds, volume in hundredths of a decibel.
#pragma once

#include "EndReport.h"
#include "MpvSession.h"

#include <QObject>
#include <QString>

namespace vello::media {

/**
 * The player control for every file that is not RealMedia. Widget-free: the
 * host window shows, hides, moves and sizes the picture's native window and
 * passes its id.
 *
 * Threading: create and use on the window thread; all getters return cached
 * values and never block. Units: seconds (double) for times, hundredths of a
 * decibel (-10000 silence ... 0 full) for volume, pixels for sizes.
 *
 * End reports (endOfStream) follow the contract in EndReport.h; opening and
 * the re-entrancy rules are those of MpvSession.
 */
class WP : public QObject
{
    Q_OBJECT

public:
    using Options = MpvSession::Options;

    /// The media information kind that reads the clip title.
    static constexpr int TitleInfo = 8;
    /// The display size that asks for full screen.
    static constexpr int FullScreenSize = 3;

    explicit WP(const Options& options = {}, QObject* parent = nullptr);
    ~WP() override;

    /// Setting a path closes the open clip (endOfStream ClosedByProgram,
    /// synchronously), then opens and starts the new one; "" empties.
    void setFileName(const QString& path);
    QString fileName() const;

    /// Open clip paused: continue from its position. Open clip playing:
    /// restart it from the beginning (no end report). No clip open (stopped,
    /// ended): open the file again as a new load.
    void play();
    /// Hold the clip at its position.
    void pause();
    /// Stop and close the clip (endOfStream ClosedByProgram, synchronously).
    /// The file name is kept.
    void stop();

    /// A flag the host sets before every start; kept, with no other effect.
    void setStartFlag(bool flag);
    bool startFlag() const;

    /// Position in the open clip, seconds; 0 when none is open.
    double currentPosition() const;
    /// Seek to `seconds` (exact); currentPosition() reads the target at once.
    void setCurrentPosition(double seconds);
    /// Length of the open clip, seconds; valid from streamOpened on.
    double duration() const;

    /// The control's play states, with its own numbers.
    enum class PlayState
    {
        Stopped = 0, ///< nothing open
        Paused = 1,
        Playing = 2, ///< also while opening
    };
    PlayState playState() const;
    /// True from setting a path until its end report.
    bool isOpen() const;

    /// Volume in hundredths of a decibel, -10000 (silence) to 0 (full);
    /// values outside are clamped.
    int volume() const;
    void setVolume(int volume);

    /// Amplitude percentage for a volume: 100 * 10^(volume / 2000); 0 at -10000.
    static double volumeToPercent(int volume);
    /// The volume for an amplitude percentage, rounded; -10000 for 0.
    static int percentToVolume(double percent);

    /// Media information text: kind 8 (TitleInfo) is the clip title; "" for
    /// other kinds or when the clip has no title.
    QString mediaInfoString(int kind) const;

    /// Stores the display size; size 3 (FullScreenSize) emits
    /// fullScreenRequested().
    void setDisplaySize(int size);
    int displaySize() const;

    /// Picture size in pixels; 0 for sound-only clips. Valid from streamOpened on.
    int imageSourceWidth() const;
    int imageSourceHeight() const;

    /// Native window for the picture; call before the first load.
    void setVideoWindow(quint64 windowId);

    /// Playback speed (1 = normal) for this and every later clip, pitch kept.
    void setSpeed(double speed);
    /// The speed as the engine last reported it (1 before it has played).
    double speed() const;
    /// Asks for the frame on screen at the clip's own size; pictureTaken
    /// follows with `request` (see MpvSession::takePicture).
    void takePicture(quint64 request);

    /// Serial of the open load (the `clip` of its end report); 0 if none.
    quint64 currentClip() const;

signals:
    /// A load has opened; duration(), mediaInfoString(8) and the image size
    /// hold its values.
    void streamOpened();
    /// The one end report of a load.
    void endOfStream(const EndReport& report);
    void fullScreenRequested();
    /// The answer to takePicture.
    void pictureTaken(const RawPicture& picture);

private:
    MpvSession m_session;
    bool m_startFlag = true;
    int m_displaySize = 0;
};

} // namespace vello::media
