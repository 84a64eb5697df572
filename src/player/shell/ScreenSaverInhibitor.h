// Holding off the screen saver while a picture plays (org.freedesktop.ScreenSaver on the session bus).
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace vello {

/**
 * setHeld(true) asks the desktop's screen saver service to stay off (Inhibit), setHeld(false) releases it
 * (UnInhibit with the cookie it gave). Calls never block: the answer to Inhibit arrives later, and a release
 * asked for before it arrives is sent as soon as it does. Destruction releases a hold. Without a bus or
 * without a screen saver service nothing happens, silently. Window thread only.
 */
class ScreenSaverInhibitor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScreenSaverInhibitor)

public:
    /// application: who asks ("Velloplayer"); reason: why, as the desktop may show it.
    ScreenSaverInhibitor(const QDBusConnection& connection, const QString& application, const QString& reason,
                         QObject* parent = nullptr);
    ~ScreenSaverInhibitor() override;

    void setHeld(bool held);
    bool held() const { return m_wanted; }

    static QString serviceName() { return QStringLiteral("org.freedesktop.ScreenSaver"); }
    static QString objectPath() { return QStringLiteral("/org/freedesktop/ScreenSaver"); }

signals:
    /// The service granted (true, with its cookie) or the hold was released (false).
    void holdChanged(bool held);

private:
    void sendInhibit();
    void sendUnInhibit();

    QDBusConnection m_connection;
    QString m_application;
    QString m_reason;
    bool m_wanted = false;
    bool m_waiting = false; ///< an Inhibit call is on its way
    quint32 m_cookie = 0;
    bool m_holding = false; ///< m_cookie is valid
};

} // namespace vello
