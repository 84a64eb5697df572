#include "ScreenSaverInhibitor.h"

#include "Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vello {

namespace {
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
}

ScreenSaverInhibitor::ScreenSaverInhibitor(const QDBusConnection& connection, const QString& application,
                                           const QString& reason, QObject* parent)
    : QObject(parent), m_connection(connection), m_application(application), m_reason(reason)
{}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    m_wanted = false;
    if (m_holding)
        sendUnInhibit();
}

void ScreenSaverInhibitor::setHeld(bool held)
{
    if (held == m_wanted)
        return;
    m_wanted = held;
    if (!m_connection.isConnected())
        return;
    if (held && !m_holding && !m_waiting)
        sendInhibit();
    else if (!held && m_holding)
        sendUnInhibit();
    // Otherwise an Inhibit is on its way; its answer looks at m_wanted.
}

void ScreenSaverInhibitor::sendInhibit()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(serviceName(), objectPath(), kInterface, QStringLiteral("Inhibit"));
    call << m_application << m_reason;
    call.setAutoStartService(false); // a desktop without the service has nothing to hold off
    m_waiting = true;
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_waiting = false;
        const QDBusPendingReply<quint32> reply = *w;
        if (reply.isError()) {
            // No screen saver service on this desktop: nothing to hold off.
            qCInfo(lcError) << "screen saver: Inhibit failed:" << reply.error().message();
            return;
        }
        m_cookie = reply.value();
        m_holding = true;
        emit holdChanged(true);
        if (!m_wanted) // released while the answer was on its way
            sendUnInhibit();
    });
}

void ScreenSaverInhibitor::sendUnInhibit()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(serviceName(), objectPath(), kInterface, QStringLiteral("UnInhibit"));
    call << m_cookie;
    // No answer is awaited (also at exit, when no event loop runs any more).
    call.setAutoStartService(false);
    m_connection.send(call);
    m_holding = false;
    emit holdChanged(false);
}

} // namespace vello
