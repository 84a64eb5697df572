#include "PreviewControl.h"

#include "EditRun.h"
#include "NativePath.h"
#include "RA.h"
#include "WP.h"

#include <QtMath>

namespace vello::editor {

PreviewControl::PreviewControl(PreviewKind kind, const MpvSession::Options& options, QObject* parent)
    : QObject(parent), m_kind(kind)
{
    const auto onEnd = [this](const EndReport& report) {
        m_failed = report.reason == EndReport::FailedToOpen;
        m_hasOpened = false;
        emit closed();
    };
    const auto onOpen = [this] {
        m_failed = false;
        m_hasOpened = true;
        emit opened();
    };
    if (kind == PreviewKind::RealMedia) {
        m_ra = std::make_unique<RA>(options);
        connect(m_ra.get(), &RA::clipOpened, this, onOpen);
        connect(m_ra.get(), &RA::clipClosed, this, onEnd);
    } else {
        m_wp = std::make_unique<WP>(options);
        connect(m_wp.get(), &WP::streamOpened, this, onOpen);
        connect(m_wp.get(), &WP::endOfStream, this, onEnd);
    }
}

PreviewControl::~PreviewControl()
{
    // The adapters report nothing while they are destroyed; disconnect anyway so no slot runs on a
    // half-destroyed object.
    if (m_ra)
        m_ra->disconnect(this);
    if (m_wp)
        m_wp->disconnect(this);
}

void PreviewControl::setVideoWindow(quint64 windowId)
{
    if (m_ra)
        m_ra->setVideoWindow(windowId);
    else
        m_wp->setVideoWindow(windowId);
}

void PreviewControl::open(const QString& path)
{
    m_failed = false;
    m_hasOpened = false;
    if (m_ra)
        m_ra->setSource(path);
    else
        m_wp->setFileName(path);
    emit sourceChanged();
}

void PreviewControl::empty()
{
    stop();
    const bool had = !source().isEmpty();
    if (m_ra)
        m_ra->setSource(QString());
    else
        m_wp->setFileName(QString());
    stop();
    m_failed = false;
    if (had)
        emit sourceChanged();
}

QString PreviewControl::source() const
{
    return m_ra ? m_ra->source() : m_wp->fileName();
}

QString PreviewControl::sourceName() const
{
    const QString path = EditRun::sourcePath(source());
    return path.isEmpty() ? QString() : displayName(fileNameOf(path));
}

void PreviewControl::togglePlay()
{
    if (source().isEmpty())
        return;
    const State s = state();
    if (s == State::Playing) {
        if (m_ra)
            m_ra->pause();
        else
            m_wp->pause();
        return;
    }
    if (s == State::Opening)
        return;
    m_failed = false;
    if (m_ra) {
        if (s == State::Paused)
            m_ra->resume();
        else
            m_ra->play();
    } else {
        m_wp->play();
    }
}

void PreviewControl::stop()
{
    if (m_ra)
        m_ra->stop();
    else
        m_wp->stop();
}

PreviewControl::State PreviewControl::state() const
{
    if (source().isEmpty())
        return State::Empty;
    const bool open = m_ra ? m_ra->isOpen() : m_wp->isOpen();
    if (!open)
        return State::Stopped;
    if (!m_hasOpened)
        return State::Opening;
    if (m_ra)
        return m_ra->playState() == RA::PlayState::Paused ? State::Paused : State::Playing;
    return m_wp->playState() == WP::PlayState::Paused ? State::Paused : State::Playing;
}

qint32 PreviewControl::positionMs() const
{
    if (m_ra)
        return m_ra->position();
    return static_cast<qint32>(qRound64(m_wp->currentPosition() * 1000.0));
}

qint32 PreviewControl::lengthMs() const
{
    if (m_ra)
        return m_ra->length();
    return static_cast<qint32>(qRound64(m_wp->duration() * 1000.0));
}

void PreviewControl::seekMs(qint32 ms)
{
    if (m_ra)
        m_ra->setPosition(ms);
    else
        m_wp->setCurrentPosition(ms / 1000.0);
}

int PreviewControl::volume() const
{
    if (m_ra)
        return m_ra->volume();
    return qBound(0, qRound(WP::volumeToPercent(m_wp->volume())), 100);
}

void PreviewControl::setVolume(int volume)
{
    volume = qBound(0, volume, 100);
    if (m_ra)
        m_ra->setVolume(static_cast<qint16>(volume));
    else
        m_wp->setVolume(WP::percentToVolume(volume));
}

} // namespace vello::editor
