// The desktop's media keys and sound menu: the MPRIS interface of the player on the session bus.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace vello {

class MprisRootAdaptor;
class MprisPlayerAdaptor;

/**
 * Offers org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player at /org/mpris/MediaPlayer2 under the
 * bus name org.mpris.MediaPlayer2.velloplayer. Calls from the bus become signals (the composition root
 * connects them to the playback controller, as the player's buttons are); the player's state comes in
 * through the setters, which announce every change with PropertiesChanged.
 *
 * Window thread only. Without a session bus registerOnBus() returns false and the object stays quiet.
 * Units on the bus are microseconds; here milliseconds.
 */
class MprisService final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MprisService)

public:
    enum class Status
    {
        Stopped,
        Playing,
        Paused
    };

    /// The clip in the player; an empty file means none.
    struct Track
    {
        QString file;
        QString title;
        qint64 lengthMs = 0;
        bool operator==(const Track&) const = default;
    };

    static QString serviceName() { return QStringLiteral("org.mpris.MediaPlayer2.velloplayer"); }
    static QString objectPath() { return QStringLiteral("/org/mpris/MediaPlayer2"); }

    /// identity: the player's name ("Velloplayer"); desktopEntry: the launcher's name without ".desktop";
    /// mimeTypes: the types the player opens.
    MprisService(const QString& identity, const QString& desktopEntry, const QStringList& mimeTypes,
                 QObject* parent = nullptr);
    ~MprisService() override;

    /// Takes the bus name and offers the object. False when there is no bus or the name is taken.
    bool registerOnBus(const QDBusConnection& connection);
    bool isRegistered() const { return m_registered; }

    void setStatus(Status status);
    Status status() const { return m_status; }
    void setTrack(const Track& track);
    const Track& track() const { return m_track; }
    /// 0..1.
    void setVolume(double volume);
    double volume() const { return m_volume; }
    /// Where the position (milliseconds) is read when the bus asks.
    void setPositionSource(std::function<qint64()> source) { m_positionSource = std::move(source); }
    qint64 positionMs() const { return m_positionSource ? m_positionSource() : 0; }

    // The values as the bus sees them.
    QString playbackStatusText() const;
    QVariantMap metadata() const;
    QString identity() const { return m_identity; }
    QString desktopEntry() const { return m_desktopEntry; }
    QStringList mimeTypes() const { return m_mimeTypes; }

signals:
    void raiseRequested();
    void quitRequested();
    void playRequested();
    void pauseRequested();
    void playPauseRequested();
    void stopRequested();
    void nextRequested();
    void previousRequested();
    /// Seek the clip to ms (already clamped to the clip).
    void seekRequested(qint64 ms);
    /// Play a local file as one given on the command line.
    void openRequested(const QString& path);
    /// 0..1.
    void volumeRequested(double volume);

private:
    friend class MprisPlayerAdaptor;
    void announce(const QString& interface, const QVariantMap& changed);

    MprisRootAdaptor* m_root = nullptr;
    MprisPlayerAdaptor* m_player = nullptr;
    QDBusConnection m_connection;
    bool m_registered = false;
    QString m_identity;
    QString m_desktopEntry;
    QStringList m_mimeTypes;
    Status m_status = Status::Stopped;
    Track m_track;
    quint64 m_trackNumber = 0;
    double m_volume = 1.0;
    std::function<qint64()> m_positionSource;
};

} // namespace vello
