// The player on the desktop: files handed over by a second copy, the media keys and sound menu, the
// screen saver.
#pragma once

#include "MprisService.h"
#include "RunningCopy.h"
#include "ScreenSaverInhibitor.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <memory>

namespace vello {

class PlayerParts;
class frmMain;

/**
 * One feature of the player's composition (PlayerParts): it connects the running-copy link, the MPRIS
 * interface and the screen-saver hold to the playback controller and the main window.
 *
 *  - A command line handed over by a second copy is played as one given at start (the current clip is
 *    replaced and ends without an advance) and the window comes to the front; an empty one only raises it.
 *  - The media keys act as the player's own buttons (play, pause, stop, next, previous), so the play mode
 *    and the advance stay the controller's. The status, the clip's metadata and the volume follow the
 *    controller (checked on each of its clip events and four times a second).
 *  - While a clip with a picture plays, the screen saver is held off; pause, stop, the end of playback and
 *    the end of the program release it.
 *
 * Nothing is offered until listenForSecondCopies() and connectToSession() are called (the program calls
 * them; the window tests need not). Without a session bus the player runs as before, silently. Window
 * thread only; the parts and the window must outlive this object.
 */
class PlayerDesktop final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerDesktop)

public:
    PlayerDesktop(PlayerParts& parts, frmMain& window, QObject* parent = nullptr);
    ~PlayerDesktop() override;

    /// This copy holds the single-copy lock: serve second copies from now on.
    void listenForSecondCopies();
    /// Offers the media keys interface and uses the desktop's screen saver service on the bus. Returns
    /// false when the bus is not there or the name is taken.
    bool connectToSession(const QDBusConnection& bus);
    /// True when a session bus can be reached without starting one ($DBUS_SESSION_BUS_ADDRESS, or the
    /// user's bus socket in the runtime folder).
    static bool sessionBusAvailable();

    /// Plays a command line handed over by a second copy (bytes as that copy was given them); empty: only
    /// raises the window.
    void playHandedOver(const QByteArray& text);

    RunningCopy& runningCopy() { return m_runningCopy; }
    MprisService& mpris() { return m_mpris; }
    /// Null until connectToSession() succeeded.
    ScreenSaverInhibitor* screenSaver() const { return m_screenSaver.get(); }

    /// Reads the controller's state into the interface and the screen-saver hold now.
    void refresh();

private:
    void setupMediaKeyConnections();
    void raiseWindow();
    void playPause();

    PlayerParts& m_parts;
    frmMain& m_window;
    RunningCopy m_runningCopy;
    MprisService m_mpris;
    std::unique_ptr<ScreenSaverInhibitor> m_screenSaver;
    QTimer m_statusTimer;
};

} // namespace vello
