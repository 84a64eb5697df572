#include "WP.h"

#include <cmath>

namespace vello::media {

namespace {

constexpr int kSilence = -10000;

} // namespace

WP::WP(const Options& options, QObject* parent) : QObject(parent), m_session(options)
{
    connect(&m_session, &MpvSession::opened, this, &WP::streamOpened);
    connect(&m_session, &MpvSession::pictureTaken, this, &WP::pictureTaken);
    connect(&m_session, &MpvSession::ended, this, &WP::endOfStream);
}

WP::~WP() = default;

void WP::setFileName(const QString& path)
{
    m_session.open(path);
}

QString WP::fileName() const
{
    return m_session.path();
}

void WP::play()
{
    m_session.play();
}

void WP::pause()
{
    m_session.pause();
}

void WP::stop()
{
    m_session.stop();
}

void WP::setStartFlag(bool flag)
{
    m_startFlag = flag;
}

bool WP::startFlag() const
{
    return m_startFlag;
}

double WP::currentPosition() const
{
    return m_session.isOpen() ? m_session.state().position : 0.0;
}

void WP::setCurrentPosition(double seconds)
{
    if (std::isfinite(seconds))
        m_session.seek(qMax(0.0, seconds));
}

double WP::duration() const
{
    return m_session.state().clip.duration;
}

WP::PlayState WP::playState() const
{
    if (!m_session.isOpen())
        return PlayState::Stopped;
    return m_session.state().paused ? PlayState::Paused : PlayState::Playing;
}

bool WP::isOpen() const
{
    return m_session.isOpen();
}

int WP::volume() const
{
    return percentToVolume(m_session.state().volumePercent);
}

void WP::setVolume(int volume)
{
    m_session.setVolumePercent(volumeToPercent(volume));
}

double WP::volumeToPercent(int volume)
{
    if (volume <= kSilence)
        return 0.0;
    return 100.0 * std::pow(10.0, qMin(volume, 0) / 2000.0);
}

int WP::percentToVolume(double percent)
{
    if (!(percent > 0.0))
        return kSilence;
    const double volume = std::round(2000.0 * std::log10(percent / 100.0));
    return int(qBound(double(kSilence), volume, 0.0));
}

QString WP::mediaInfoString(int kind) const
{
    return kind == TitleInfo ? m_session.state().clip.title : QString();
}

void WP::setDisplaySize(int size)
{
    m_displaySize = size;
    if (size == FullScreenSize)
        emit fullScreenRequested();
}

int WP::displaySize() const
{
    return m_displaySize;
}

int WP::imageSourceWidth() const
{
    return int(m_session.state().clip.width);
}

int WP::imageSourceHeight() const
{
    return int(m_session.state().clip.height);
}

void WP::setSpeed(double speed)
{
    m_session.setSpeed(speed);
}

double WP::speed() const
{
    return m_session.state().speed;
}

void WP::takePicture(quint64 request)
{
    m_session.takePicture(request);
}

void WP::setVideoWindow(quint64 windowId)
{
    m_session.setVideoWindow(windowId);
}

quint64 WP::currentClip() const
{
    return m_session.currentClip();
}

} // namespace vello::media
