#include "MprisService.h"

#include "MprisAdaptors.h"
#include "NativePath.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace vello {

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

QDBusObjectPath noTrack()
{
    return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
}

/// A file:// address for a path, its bytes percent-encoded as the system holds them.
QString fileUrl(const QString& path)
{
    return QStringLiteral("file://") + QString::fromLatin1(toNativePath(path).toPercentEncoding("/"));
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// The service

MprisService::MprisService(const QString& identity, const QString& desktopEntry, const QStringList& mimeTypes,
                           QObject* parent)
    : QObject(parent), m_root(new MprisRootAdaptor(this)), m_player(new MprisPlayerAdaptor(this)),
      m_connection(QStringLiteral("vello-none")), m_identity(identity), m_desktopEntry(desktopEntry),
      m_mimeTypes(mimeTypes)
{}

MprisService::~MprisService()
{
    if (m_registered) {
        m_connection.unregisterObject(objectPath());
        m_connection.unregisterService(serviceName());
    }
}

bool MprisService::registerOnBus(const QDBusConnection& connection)
{
    if (m_registered || !connection.isConnected())
        return m_registered;
    m_connection = connection;
    if (!m_connection.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors))
        return false;
    if (!m_connection.registerService(serviceName())) {
        m_connection.unregisterObject(objectPath());
        return false;
    }
    m_registered = true;
    return true;
}

void MprisService::announce(const QString& interface, const QVariantMap& changed)
{
    if (!m_registered)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        objectPath(), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    m_connection.send(signal);
}

void MprisService::setStatus(Status status)
{
    if (status == m_status)
        return;
    m_status = status;
    announce(kPlayerInterface, {{QStringLiteral("PlaybackStatus"), playbackStatusText()}});
}

void MprisService::setTrack(const Track& track)
{
    if (track == m_track)
        return;
    if (track.file != m_track.file || track.file.isEmpty())
        ++m_trackNumber;
    m_track = track;
    announce(kPlayerInterface,
             {{QStringLiteral("Metadata"), metadata()}, {QStringLiteral("CanSeek"), m_player->canSeek()}});
}

void MprisService::setVolume(double volume)
{
    volume = std::clamp(volume, 0.0, 1.0);
    if (qFuzzyCompare(1.0 + volume, 1.0 + m_volume))
        return;
    m_volume = volume;
    announce(kPlayerInterface, {{QStringLiteral("Volume"), m_volume}});
}

QString MprisService::playbackStatusText() const
{
    switch (m_status) {
    case Status::Playing:
        return QStringLiteral("Playing");
    case Status::Paused:
        return QStringLiteral("Paused");
    case Status::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata() const
{
    QVariantMap map;
    if (m_track.file.isEmpty()) {
        map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(noTrack()));
        return map;
    }
    map.insert(
        QStringLiteral("mpris:trackid"),
        QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/velloplayer/track/%1").arg(m_trackNumber))));
    if (m_track.lengthMs > 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(m_track.lengthMs) * 1000);
    map.insert(QStringLiteral("xesam:title"),
               m_track.title.isEmpty() ? displayName(fileNameOf(m_track.file)) : m_track.title);
    map.insert(QStringLiteral("xesam:url"), fileUrl(m_track.file));
    return map;
}

// ---------------------------------------------------------------------------------------------------
// org.mpris.MediaPlayer2

MprisRootAdaptor::MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), m_service(service)
{}

void MprisRootAdaptor::Raise()
{
    emit m_service->raiseRequested();
}

void MprisRootAdaptor::Quit()
{
    emit m_service->quitRequested();
}

// ---------------------------------------------------------------------------------------------------
// org.mpris.MediaPlayer2.Player

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service)
{}

void MprisPlayerAdaptor::setVolume(double volume)
{
    emit m_service->volumeRequested(std::clamp(volume, 0.0, 1.0));
}

void MprisPlayerAdaptor::Next()
{
    emit m_service->nextRequested();
}

void MprisPlayerAdaptor::Previous()
{
    emit m_service->previousRequested();
}

void MprisPlayerAdaptor::Pause()
{
    emit m_service->pauseRequested();
}

void MprisPlayerAdaptor::PlayPause()
{
    emit m_service->playPauseRequested();
}

void MprisPlayerAdaptor::Stop()
{
    emit m_service->stopRequested();
}

void MprisPlayerAdaptor::Play()
{
    emit m_service->playRequested();
}

void MprisPlayerAdaptor::Seek(qlonglong offsetUs)
{
    const qint64 length = m_service->track().lengthMs;
    if (length <= 0)
        return;
    const qint64 target = std::max<qint64>(0, m_service->positionMs() + offsetUs / 1000);
    if (target > length) { // past the end: as the next button
        emit m_service->nextRequested();
        return;
    }
    emit m_service->seekRequested(target);
    emit Seeked(target * 1000);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs)
{
    const QVariant current = m_service->metadata().value(QStringLiteral("mpris:trackid"));
    const qint64 target = positionUs / 1000;
    if (trackId != current.value<QDBusObjectPath>() || target < 0 || target > m_service->track().lengthMs ||
        m_service->track().lengthMs <= 0)
        return;
    emit m_service->seekRequested(target);
    emit Seeked(target * 1000);
}

void MprisPlayerAdaptor::OpenUri(const QString& uri)
{
    const QUrl url(uri);
    if (!url.isLocalFile())
        return;
    // The address's bytes as the system holds them.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    emit m_service->openRequested(fromNativePath(bytes));
}

} // namespace vello
