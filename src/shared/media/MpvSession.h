// One libmpv engine handle with its event loop, shared machinery of the RA and WP adapters.
#pragma once

#include "EndReport.h"
#include "PlaybackState.h"
#include "RawPicture.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <optional>

struct mpv_handle;
struct mpv_event;
struct mpv_event_log_message;

namespace vello::media {
struct MpvLibrary;
struct Transition;

/**
 * Owns one libmpv handle and runs its event loop on the thread the session
 * lives in (the window thread).
 *
 * Threading: every member function must be called on the session's thread.
 * libmpv's wakeup callback only posts a queued call to that thread, which
 * drains mpv_wait_event(handle, 0) until MPV_EVENT_NONE. No call blocks on
 * the engine: commands and property writes are asynchronous, and every value
 * read by the getters is a cached one (see ObservedProperties.h).
 *
 * Loads and end reports follow the contract in EndReport.h. Re-entrancy:
 * while a ClosedByProgram report is being delivered synchronously, calls made
 * from its slots are handled so that nothing recurses:
 *  - open("") or stop() do nothing more (the clip is already closed; the
 *    outer call's own load still happens);
 *  - open(path), or play() with a path set, replaces the outer call's
 *    request: the last path asked for is loaded, once, when the report returns.
 *
 * The session must not be destroyed from inside its own signals (use
 * deleteLater). Destruction terminates the engine (blocking until libmpv has
 * shut down); no signals follow, not even the open clip's end report.
 *
 * The engine is started by the first load, not by construction: a session
 * that never plays costs no engine. Its own warnings and errors are logged
 * on "vello.media" (errors as warnings, its warnings as info).
 *
 * Process-wide side effect: starting the engine sets LC_NUMERIC to "C",
 * which libmpv requires.
 */
class MpvSession : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString videoOutput;  ///< mpv "vo"; "" = "gpu,x11," (GPU, else plain X11, else libmpv's choice);
                              ///< "null" = decode only
        QString audioOutput;  ///< mpv "ao"; "" = libmpv's default, "null" = decode without sound
        quint64 windowId = 0; ///< native window to draw into (mpv "wid"); 0 = none
    };

    explicit MpvSession(const Options& options, QObject* parent = nullptr);
    ~MpvSession() override;

    /// Opens and starts `path`; "" closes the open clip and forgets the path.
    void open(const QString& path);
    /// Closes the open clip; the path is kept for play().
    void stop();
    /// Open clip paused: continue. Open clip playing: restart from its
    /// beginning (no end report). No clip open: load the path again (a new
    /// load) if there is one.
    void play();
    /// Continue a paused open clip; nothing otherwise.
    void resume();
    /// Hold the open clip at its position; nothing if none is open.
    void pause();
    /// Seek the open clip to `seconds` (exact). The position reads the target
    /// at once.
    void seek(double seconds);
    /// Engine volume as a percentage of full amplitude (0 = silence).
    void setVolumePercent(double percent);
    /// Native window for the picture; takes effect for the next clip with a
    /// picture (call before the first load).
    void setVideoWindow(quint64 windowId);
    /// Playback speed (1 = normal, kept within 0.01..100) for this and every
    /// later clip, with the sound's pitch kept. state().speed follows once the
    /// engine has taken it.
    void setSpeed(double speed);
    /// The speed last asked for.
    double requestedSpeed() const { return m_speed; }
    /// Asks for the frame on screen at the clip's own size (without subtitles).
    /// pictureTaken follows with `request`, from the event loop; at once, not
    /// ok, when no clip is open or there is no engine.
    void takePicture(quint64 request);

    QString path() const { return m_path; }
    /// True from a load until its end report has been issued.
    bool isOpen() const { return m_state.load.serial != 0; }
    /// Serial of the open load; 0 when none is open.
    quint64 currentClip() const { return m_state.load.serial; }
    const PlaybackState& state() const { return m_state; }
    /// False when libmpv could not be started (or was lost); every load then fails to open. The engine is
    /// started by the first load; before it this is true.
    bool engineAvailable() const { return !m_engineFailed && !m_state.engineLost; }
    /// Whether the engine has been started (by the first load).
    bool engineStarted() const { return m_handle != nullptr; }

signals:
    /// The load `clip` has opened: length, picture size and title are known.
    void opened(quint64 clip);
    /// The one end report of a load (see EndReport.h).
    void ended(const EndReport& report);
    /// The answer to takePicture.
    void pictureTaken(const RawPicture& picture);

private:
    struct Request
    {
        QString path; ///< "" = close only
    };

    void execute(Request request, bool forgetPathWhenEmpty);
    void startLoad(const QString& path);
    void drainEvents();
    void apply(Transition transition);
    void command(std::initializer_list<const char*> args, quint64 tag);
    /// Sets the engine's pause flag (and the cached one at once).
    void setPause(bool paused);
    void failLater(quint64 serial);
    static void onWakeup(void* context);
    bool ensureEngine();
    void logEngineMessage(const mpv_event_log_message& message);

    Options m_options;
    const MpvLibrary* m_mpv = nullptr; ///< set with m_handle
    mpv_handle* m_handle = nullptr;
    bool m_engineFailed = false;
    PlaybackState m_state;
    QString m_path;
    quint64 m_lastSerial = 0;
    double m_speed = 1.0;
    int m_reportDepth = 0;
    std::optional<QString> m_deferredLoad;
    std::atomic<bool> m_wakeupPosted{false};
};

} // namespace vello::media
