#include "MpvSession.h"

#include "Logging.h"
#include "MpvEventTranslator.h"
#include "MpvLibrary.h"
#include "NativePath.h"
#include "ObservedProperties.h"

#include <mpv/client.h>

#include <QByteArray>
#include <QTimer>

#include <clocale>
#include <cmath>
#include <vector>

namespace vello::media {

namespace {

quint64 otherTag()
{
    return ReplyTag{ReplyTag::Other, 0, 0}.pack();
}

// A reply the engine could not be asked for, as if the engine had refused.
mpv_event refusedReply(mpv_event_id id, quint64 tag)
{
    mpv_event event{};
    event.event_id = id;
    event.error = MPV_ERROR_UNINITIALIZED;
    event.reply_userdata = tag;
    return event;
}

} // namespace

MpvSession::MpvSession(const Options& options, QObject* parent) : QObject(parent), m_options(options)
{
    qRegisterMetaType<EndReport>();
}

bool MpvSession::ensureEngine()
{
    if (m_handle || m_engineFailed)
        return m_handle != nullptr;
    // Made on first use, so a program that has not played anything yet has paid nothing for the engine.
    m_engineFailed = true;
    // libmpv refuses to start unless numbers are formatted the "C" way;
    // QCoreApplication has set the locale from the environment.
    std::setlocale(LC_NUMERIC, "C");
    const Options& options = m_options;

    m_mpv = MpvLibrary::get();
    if (!m_mpv)
        return false;
    m_handle = m_mpv->create();
    if (!m_handle) {
        qCWarning(lcMedia) << "libmpv: no engine could be created";
        return false;
    }
    const auto set = [this](const char* name, const QByteArray& value) {
        m_mpv->setOptionString(m_handle, name, value.constData());
    };
    set("config", "no");
    set("terminal", "no");
    set("idle", "yes");
    set("keep-open", "no");
    set("input-default-bindings", "no");
    set("input-vo-keyboard", "no");
    set("input-cursor", "no");
    set("osc", "no");
    set("osd-level", "0");
    set("ytdl", "no");
    set("load-scripts", "no");
    set("audio-display", "no");
    set("hwdec", "no");
    // Exact seeks start decoding a second early: MPEG program streams seek by
    // byte position and would otherwise land past the target.
    set("hr-seek-demuxer-offset", "1");
    set("resume-playback", "no");
    // Clips are loaded one at a time, never as a playlist, so there is nothing to play gaplessly; with
    // gapless audio on, a load right after an end waits ~200 ms for the old audio output to finish.
    set("gapless-audio", "no");
    // libmpv's own probing settles on outputs that cannot draw into a
    // foreign window when no GPU context is available (e.g. a virtual X
    // server); plain X11 drawing can.
    set("vo", options.videoOutput.isEmpty() ? QByteArray("gpu,x11,") : options.videoOutput.toUtf8());
    if (!options.audioOutput.isEmpty())
        set("ao", options.audioOutput.toUtf8());
    if (options.windowId != 0) {
        int64_t wid = qint64(options.windowId);
        m_mpv->setOption(m_handle, "wid", MPV_FORMAT_INT64, &wid);
    }
    double volume = m_state.volumePercent;
    m_mpv->setOption(m_handle, "volume", MPV_FORMAT_DOUBLE, &volume);
    // A speed other than 1 keeps the sound's pitch (libmpv's time stretching).
    set("audio-pitch-correction", "yes");
    double speed = m_speed;
    m_mpv->setOption(m_handle, "speed", MPV_FORMAT_DOUBLE, &speed);
    if (const int error = m_mpv->initialize(m_handle); error < 0) {
        qCWarning(lcMedia) << "libmpv: the engine did not start:" << m_mpv->errorString(error);
        m_mpv->terminateDestroy(m_handle);
        m_handle = nullptr;
        return false;
    }
    // The engine's own warnings and errors go to the program's log.
    m_mpv->requestLogMessages(m_handle, "warn");
    const auto table = observedProperties();
    for (std::size_t row = 0; row < table.size(); ++row)
        m_mpv->observeProperty(m_handle, ReplyTag{ReplyTag::Observe, int(row), 0}.pack(), table[row].name,
                               table[row].format);
    m_mpv->setWakeupCallback(m_handle, &MpvSession::onWakeup, this);
    m_engineFailed = false;
    return true;
}

MpvSession::~MpvSession()
{
    if (!m_handle)
        return;
    // After this returns no wakeup runs any more; queued drains die with
    // the object.
    m_mpv->setWakeupCallback(m_handle, nullptr, nullptr);
    m_mpv->terminateDestroy(m_handle);
    m_handle = nullptr;
}

void MpvSession::onWakeup(void* context)
{
    // Any thread. Only post; the drain runs on the session's thread.
    auto* self = static_cast<MpvSession*>(context);
    if (!self->m_wakeupPosted.exchange(true))
        QMetaObject::invokeMethod(self, &MpvSession::drainEvents, Qt::QueuedConnection);
}

void MpvSession::drainEvents()
{
    m_wakeupPosted = false;
    while (m_handle) {
        // Data of `event` is valid only until the next wait; the translator
        // copies what it keeps.
        const mpv_event* event = m_mpv->waitEvent(m_handle, 0);
        if (!event || event->event_id == MPV_EVENT_NONE)
            break;
        if (event->event_id == MPV_EVENT_LOG_MESSAGE) {
            logEngineMessage(*static_cast<const mpv_event_log_message*>(event->data));
            continue;
        }
        if (event->event_id == MPV_EVENT_COMMAND_REPLY && event->error < 0) {
            const auto tag = ReplyTag::unpack(event->reply_userdata);
            if (tag && tag->kind == ReplyTag::Picture)
                qCInfo(lcMedia) << "libmpv: no picture:" << m_mpv->errorString(event->error);
        }
        const bool shutdown = event->event_id == MPV_EVENT_SHUTDOWN;
        apply(MpvEventTranslator::translateEvent(*event, m_state));
        if (shutdown)
            break;
    }
}

void MpvSession::logEngineMessage(const mpv_event_log_message& message)
{
    QByteArray text = QByteArray(message.prefix) + ": " + message.text;
    while (text.endsWith('\n'))
        text.chop(1);
    // Errors are shown like the program's own warnings; the engine's warnings only when asked for.
    if (message.log_level <= MPV_LOG_LEVEL_ERROR)
        qCWarning(lcMedia).noquote() << "libmpv" << message.level << text;
    else
        qCInfo(lcMedia).noquote() << "libmpv" << message.level << text;
}

void MpvSession::apply(Transition transition)
{
    m_state = std::move(transition.state);
    if (transition.stopEngine && m_handle)
        command({"stop"}, otherTag());
    if (transition.readSnapshotFor) {
        const auto table = observedProperties();
        for (std::size_t row = 0; row < table.size(); ++row) {
            if (!table[row].snapshot)
                continue;
            const quint64 tag = ReplyTag{ReplyTag::Snapshot, int(row), *transition.readSnapshotFor}.pack();
            if (!m_handle || m_mpv->getPropertyAsync(m_handle, tag, table[row].name, table[row].format) < 0) {
                const mpv_event refused = refusedReply(MPV_EVENT_GET_PROPERTY_REPLY, tag);
                apply(MpvEventTranslator::translateEvent(refused, m_state));
            }
        }
    }
    if (transition.opened)
        emit opened(*transition.opened);
    if (transition.ended)
        emit ended(*transition.ended);
    if (transition.picture)
        emit pictureTaken(*transition.picture);
}

void MpvSession::command(std::initializer_list<const char*> args, quint64 tag)
{
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    if (!m_handle || m_mpv->commandAsync(m_handle, tag, argv.data()) < 0) {
        const auto kind = ReplyTag::unpack(tag);
        if (kind && kind->kind != ReplyTag::Other) {
            const mpv_event refused = refusedReply(MPV_EVENT_COMMAND_REPLY, tag);
            apply(MpvEventTranslator::translateEvent(refused, m_state));
        }
    }
}

void MpvSession::setPause(bool paused)
{
    m_state.paused = paused;
    int flag = paused ? 1 : 0;
    // Until the engine has answered this write, what it reports of its pause flag may be older than it.
    if (m_handle && m_mpv->setPropertyAsync(m_handle, ReplyTag{ReplyTag::PauseWrite, 0, 0}.pack(), "pause",
                                            MPV_FORMAT_FLAG, &flag) >= 0)
        ++m_state.pauseWritesInFlight;
}

void MpvSession::failLater(quint64 serial)
{
    QTimer::singleShot(0, this, [this, serial] {
        const mpv_event refused =
            refusedReply(MPV_EVENT_COMMAND_REPLY, ReplyTag{ReplyTag::Load, 0, serial}.pack());
        apply(MpvEventTranslator::translateEvent(refused, m_state));
    });
}

void MpvSession::execute(Request request, bool forgetPathWhenEmpty)
{
    if (m_reportDepth > 0) {
        // Called from a slot of the ClosedByProgram report being delivered.
        if (!request.path.isEmpty())
            m_deferredLoad = request.path;
        return;
    }
    if (!request.path.isEmpty() || forgetPathWhenEmpty)
        m_path = request.path;

    ++m_reportDepth;
    apply(MpvEventTranslator::closeByProgram(m_state));
    --m_reportDepth;

    if (m_deferredLoad) {
        request.path = *std::exchange(m_deferredLoad, std::nullopt);
        m_path = request.path;
    }
    if (request.path.isEmpty()) {
        if (m_handle)
            command({"stop"}, otherTag());
        return;
    }
    startLoad(request.path);
}

void MpvSession::startLoad(const QString& path)
{
    const quint64 serial = ++m_lastSerial;
    apply(MpvEventTranslator::beginLoad(m_state, serial));
    ensureEngine();
    if (!engineAvailable()) {
        failLater(serial);
        return;
    }
    setPause(false);
    // "-" alone would be read by the engine as standard input. The engine takes file names as bytes: the
    // path's own bytes are handed over, also where they are not UTF-8.
    const QByteArray file = path == QLatin1String("-") ? QByteArray("./-") : vello::toNativePath(path);
    command({"loadfile", file.constData(), "replace"}, ReplyTag{ReplyTag::Load, 0, serial}.pack());
}

void MpvSession::open(const QString& path)
{
    execute(Request{path}, true);
}

void MpvSession::stop()
{
    execute(Request{}, false);
}

void MpvSession::play()
{
    if (m_reportDepth > 0) {
        if (!m_path.isEmpty())
            m_deferredLoad = m_path;
        return;
    }
    if (isOpen()) {
        if (m_state.paused) {
            resume();
        } else {
            seek(0);
            setPause(false);
        }
        return;
    }
    if (!m_path.isEmpty())
        startLoad(m_path);
}

void MpvSession::resume()
{
    if (!isOpen())
        return;
    setPause(false);
}

void MpvSession::pause()
{
    if (!isOpen())
        return;
    setPause(true);
}

void MpvSession::seek(double seconds)
{
    if (!isOpen() || !engineAvailable())
        return;
    apply(MpvEventTranslator::seekRequested(m_state, seconds));
    const QByteArray target = QByteArray::number(qMax(0.0, seconds), 'f', 3);
    command({"seek", target.constData(), "absolute+exact"}, ReplyTag{ReplyTag::Seek, 0, 0}.pack());
}

void MpvSession::setVolumePercent(double percent)
{
    double value = qBound(0.0, percent, 100.0);
    m_state.volumePercent = value;
    if (m_handle)
        m_mpv->setPropertyAsync(m_handle, otherTag(), "volume", MPV_FORMAT_DOUBLE, &value);
}

void MpvSession::setSpeed(double speed)
{
    if (!std::isfinite(speed))
        return;
    m_speed = qBound(0.01, speed, 100.0);
    double value = m_speed;
    if (m_handle)
        m_mpv->setPropertyAsync(m_handle, otherTag(), "speed", MPV_FORMAT_DOUBLE, &value);
}

void MpvSession::takePicture(quint64 request)
{
    const quint64 tag = ReplyTag{ReplyTag::Picture, 0, request}.pack();
    if (!isOpen()) {
        apply(MpvEventTranslator::translateEvent(refusedReply(MPV_EVENT_COMMAND_REPLY, tag), m_state));
        return;
    }
    // "video": the decoded frame at its own size, without subtitles or on-screen display.
    command({"screenshot-raw", "video"}, tag);
}

void MpvSession::setVideoWindow(quint64 windowId)
{
    m_options.windowId = windowId;
    int64_t wid = qint64(windowId);
    if (m_handle)
        m_mpv->setPropertyAsync(m_handle, otherTag(), "wid", MPV_FORMAT_INT64, &wid);
}

} // namespace vello::media
