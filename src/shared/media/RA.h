// RealAudio-style player control over libmpv: times in milliseconds, volume 0 to 100.
#pragma once

#include "EndReport.h"
#include "MpvSession.h"

#include <QObject>
#include <QString>

namespace vello::media {

/**
 * The player control for RealMedia files. Widget-free: the host window shows,
 * hides, moves and sizes the picture's native window and passes its id.
 *
 * Threading: create and use on the window thread; all getters return cached
 * values and never block. Units: milliseconds for times, 0-100 for volume,
 * pixels for sizes.
 *
 * End reports (clipClosed) follow the contract in EndReport.h; opening and
 * the re-entrancy rules are those of MpvSession.
 */
class RA : public QObject
{
    Q_OBJECT

public:
    using Options = MpvSession::Options;

    explicit RA(const Options& options = {}, QObject* parent = nullptr);
    ~RA() override;

    /// Setting a path closes the open clip (clipClosed ClosedByProgram,
    /// synchronously), then opens and starts the new one; "" empties the
    /// control.
    void setSource(const QString& path);
    QString source() const;

    /// Open clip paused: continue from its position. Open clip playing:
    /// restart it from the beginning (no end report). No clip open (stopped,
    /// ended): open the source again as a new load.
    void play();
    /// Continue a paused clip.
    void resume();
    /// Hold the clip at its position.
    void pause();
    /// Stop and close the clip (clipClosed ClosedByProgram, synchronously).
    /// The source is kept.
    void stop();

    /// True from setting a path (or a reload by play()) until its end report:
    /// exactly when a stop or a new source will report ClosedByProgram.
    bool isOpen() const;
    /// The control's play states, with its own numbers.
    enum class PlayState
    {
        Stopped = 0, ///< nothing open
        Playing = 3, ///< also while opening
        Paused = 4,
    };
    PlayState playState() const;

    /// Position in the open clip, milliseconds; 0 when none is open.
    qint32 position() const;
    /// Seek to `ms` milliseconds (exact); position() reads the target at once.
    void setPosition(qint32 ms);
    /// Length of the open clip, milliseconds; valid from clipOpened on.
    qint32 length() const;
    /// The clip's title metadata; "" when it has none. Valid from clipOpened on.
    QString title() const;

    /// Volume 0 (silent) to 100 (full); values outside are clamped.
    qint16 volume() const;
    void setVolume(qint16 volume);

    /// Picture size in pixels; 0 for sound-only clips. Valid from clipOpened on.
    int clipWidth() const;
    int clipHeight() const;

    /// Asks the host window for full screen: emits fullScreenRequested().
    void setFullScreen();

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
    /// A load has opened; length(), title() and clipWidth() hold its values.
    /// `title` is title(), `source` the path that was set.
    void clipOpened(const QString& title, const QString& source);
    /// The one end report of a load.
    void clipClosed(const EndReport& report);
    void fullScreenRequested();
    /// The answer to takePicture.
    void pictureTaken(const RawPicture& picture);

private:
    MpvSession m_session;
};

} // namespace vello::media
