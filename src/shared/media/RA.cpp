#include "RA.h"

#include <cmath>
#include <limits>

namespace vello::media {

namespace {

qint32 toMilliseconds(double seconds)
{
    const double ms = std::round(seconds * 1000.0);
    return qint32(qBound(0.0, ms, double(std::numeric_limits<qint32>::max())));
}

} // namespace

RA::RA(const Options& options, QObject* parent) : QObject(parent), m_session(options)
{
    connect(&m_session, &MpvSession::opened, this, [this] { emit clipOpened(title(), source()); });
    connect(&m_session, &MpvSession::pictureTaken, this, &RA::pictureTaken);
    connect(&m_session, &MpvSession::ended, this, &RA::clipClosed);
}

RA::~RA() = default;

void RA::setSource(const QString& path)
{
    m_session.open(path);
}

QString RA::source() const
{
    return m_session.path();
}

void RA::play()
{
    m_session.play();
}

void RA::resume()
{
    m_session.resume();
}

void RA::pause()
{
    m_session.pause();
}

void RA::stop()
{
    m_session.stop();
}

bool RA::isOpen() const
{
    return m_session.isOpen();
}

RA::PlayState RA::playState() const
{
    if (!m_session.isOpen())
        return PlayState::Stopped;
    return m_session.state().paused ? PlayState::Paused : PlayState::Playing;
}

qint32 RA::position() const
{
    return m_session.isOpen() ? toMilliseconds(m_session.state().position) : 0;
}

void RA::setPosition(qint32 ms)
{
    m_session.seek(qMax(0, ms) / 1000.0);
}

qint32 RA::length() const
{
    return toMilliseconds(m_session.state().clip.duration);
}

QString RA::title() const
{
    return m_session.state().clip.title;
}

qint16 RA::volume() const
{
    return qint16(qBound(0.0, std::round(m_session.state().volumePercent), 100.0));
}

void RA::setVolume(qint16 volume)
{
    m_session.setVolumePercent(qBound(0, int(volume), 100));
}

int RA::clipWidth() const
{
    return int(m_session.state().clip.width);
}

int RA::clipHeight() const
{
    return int(m_session.state().clip.height);
}

void RA::setFullScreen()
{
    emit fullScreenRequested();
}

void RA::setSpeed(double speed)
{
    m_session.setSpeed(speed);
}

double RA::speed() const
{
    return m_session.state().speed;
}

void RA::takePicture(quint64 request)
{
    m_session.takePicture(request);
}

void RA::setVideoWindow(quint64 windowId)
{
    m_session.setVideoWindow(windowId);
}

quint64 RA::currentClip() const
{
    return m_session.currentClip();
}

} // namespace vello::media
