#include "PlayerDesktop.h"

#include "Logging.h"
#include "NativePath.h"
#include "PlayerParts.h"
#include "frmMain.h"

#include <QFile>
#include <QFileInfo>

#ifndef VELLO_MIME_TYPES
#define VELLO_MIME_TYPES ""
#endif

namespace vello {

namespace {

/// How often the interface checks the controller between its clip events.
constexpr int kStatusIntervalMs = 250;

MprisService::Status statusOf(const PlaybackController& controller)
{
    if (controller.CurrentFile().isEmpty())
        return MprisService::Status::Stopped;
    const PlaybackController::ControlStatus s = controller.controlStatus();
    const bool stopped =
        s.realAudio ? s.raState == RA::PlayState::Stopped : s.wpState == WP::PlayState::Stopped;
    const bool paused = s.realAudio ? s.raState == RA::PlayState::Paused : s.wpState == WP::PlayState::Paused;
    if (stopped)
        return MprisService::Status::Stopped;
    return paused ? MprisService::Status::Paused : MprisService::Status::Playing;
}

qint64 positionOf(const PlaybackController& controller)
{
    const PlaybackController::ControlStatus s = controller.controlStatus();
    return s.realAudio ? qint64(s.raPositionMs) : qint64(s.wpPositionSec * 1000.0);
}

} // namespace

PlayerDesktop::PlayerDesktop(PlayerParts& parts, frmMain& window, QObject* parent)
    : QObject(parent), m_parts(parts), m_window(window),
      m_mpris(QStringLiteral("Velloplayer"), QStringLiteral("velloplayer"),
              QString::fromLatin1(VELLO_MIME_TYPES).split(u',', Qt::SkipEmptyParts))
{
    connect(&m_runningCopy, &RunningCopy::commandLineReceived, this, &PlayerDesktop::playHandedOver);
    setupMediaKeyConnections();
}

PlayerDesktop::~PlayerDesktop() = default;

void PlayerDesktop::listenForSecondCopies()
{
    m_runningCopy.listen();
}

bool PlayerDesktop::sessionBusAvailable()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

bool PlayerDesktop::connectToSession(const QDBusConnection& bus)
{
    if (!bus.isConnected())
        return false;
    if (!m_screenSaver)
        m_screenSaver = std::make_unique<ScreenSaverInhibitor>(bus, QStringLiteral("Velloplayer"),
                                                               QStringLiteral("動画の再生中"));
    const bool offered = m_mpris.registerOnBus(bus);
    if (!offered)
        qCInfo(lcError) << "media keys: the bus name" << MprisService::serviceName() << "is not available";
    refresh();
    m_statusTimer.start();
    return offered;
}

void PlayerDesktop::playHandedOver(const QByteArray& text)
{
    if (!text.isEmpty()) {
        qCInfo(lcShell) << "a second copy handed over" << text;
        // The clip in the player ends as the stop button ends it (its volume remembered, no advance);
        // the other control may be the one that plays the new file.
        if (!m_parts.controller().CurrentFile().isEmpty())
            m_parts.controller().StopPlayback();
        m_parts.playCommandLine(fromNativePath(text));
        refresh();
    }
    raiseWindow();
}

void PlayerDesktop::raiseWindow()
{
    if (m_window.isMinimized())
        m_window.showNormal();
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

// ---------------------------------------------------------------------------------------------------
// Media keys and the sound menu

void PlayerDesktop::setupMediaKeyConnections()
{
    PlaybackController& controller = m_parts.controller();
    // As the player's own buttons.
    const auto button = [this](int index) {
        return [this, index] {
            m_parts.buttonUp(index);
            refresh();
        };
    };
    connect(&m_mpris, &MprisService::nextRequested, this, button(PositionTracker::Next));
    connect(&m_mpris, &MprisService::previousRequested, this, button(PositionTracker::Previous));
    connect(&m_mpris, &MprisService::stopRequested, this, button(PositionTracker::Stop));
    connect(&m_mpris, &MprisService::playPauseRequested, this, &PlayerDesktop::playPause);
    connect(&m_mpris, &MprisService::playRequested, this, [this, button] {
        // The play button reloads a playing clip; the media key only starts or resumes.
        if (statusOf(m_parts.controller()) != MprisService::Status::Playing)
            button(PositionTracker::Play)();
    });
    connect(&m_mpris, &MprisService::pauseRequested, this, [this, button] {
        if (statusOf(m_parts.controller()) == MprisService::Status::Playing)
            button(PositionTracker::Pause)();
    });
    connect(&m_mpris, &MprisService::seekRequested, this, [this](qint64 ms) {
        m_parts.controller().seekActive(int(ms));
        refresh();
    });
    connect(&m_mpris, &MprisService::openRequested, this,
            [this](const QString& path) { playHandedOver(toNativePath(path)); });
    connect(&m_mpris, &MprisService::volumeRequested, this, [this](double volume) {
        const int value = int(volume * 100.0 + 0.5);
        m_parts.controller().setVolume(value);
        m_parts.setVolumeSlider(value);
        refresh();
    });
    connect(&m_mpris, &MprisService::raiseRequested, this, &PlayerDesktop::raiseWindow);
    connect(&m_mpris, &MprisService::quitRequested, &m_window, &QWidget::close);
    m_mpris.setPositionSource([&controller] { return positionOf(controller); });

    // The state follows the controller.
    connect(&controller, &PlaybackController::clipStarted, this,
            [this](const QString& file, const QString& title, int lengthMs) {
                m_mpris.setTrack({file, title, lengthMs});
                refresh();
            });
    connect(&controller, &PlaybackController::clipLengthChanged, this, &PlayerDesktop::refresh);
    connect(&controller, &PlaybackController::clipEnded, this, &PlayerDesktop::refresh);
    connect(&controller, &PlaybackController::clipFailed, this, &PlayerDesktop::refresh);
    connect(&controller, &PlaybackController::playbackFinished, this, &PlayerDesktop::refresh);
    m_statusTimer.setInterval(kStatusIntervalMs);
    connect(&m_statusTimer, &QTimer::timeout, this, &PlayerDesktop::refresh);
}

void PlayerDesktop::playPause()
{
    m_parts.buttonUp(statusOf(m_parts.controller()) == MprisService::Status::Playing ? PositionTracker::Pause
                                                                                     : PositionTracker::Play);
    refresh();
}

void PlayerDesktop::refresh()
{
    const PlaybackController& controller = m_parts.controller();
    const MprisService::Status status = statusOf(controller);
    m_mpris.setStatus(status);
    if (controller.CurrentFile().isEmpty())
        m_mpris.setTrack({});
    else if (m_mpris.track().file == controller.CurrentFile() &&
             controller.lengthMs() != m_mpris.track().lengthMs)
        m_mpris.setTrack({controller.CurrentFile(), m_mpris.track().title, controller.lengthMs()});
    m_mpris.setVolume(controller.volume() / 100.0);
    if (m_screenSaver)
        m_screenSaver->setHeld(status == MprisService::Status::Playing &&
                               !controller.pictureSize().isEmpty());
}

} // namespace vello
