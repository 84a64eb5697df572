// Handing a command line to the copy of the player that already runs, over a local socket.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

class QLocalServer;
class QLocalSocket;

namespace vello {

/**
 * The link between the running program and a second copy started later (the player from the file
 * manager, say, or the editor from the player's menu).
 *
 * Only the copy that holds the single-copy lock listens; it owns the socket, so a socket file left by a
 * crashed copy is removed by the next copy that gets the lock. The socket lies in the user's runtime folder
 * ($XDG_RUNTIME_DIR), or in a folder of the user's own under the temporary folder (mode 0700, checked to be
 * the user's), and only the user may connect (socket mode 0600, peer's user id checked).
 *
 * A message is the magic text "VELLOPLAYER-OPEN\n", the length of the command-line text as 4 bytes (big
 * endian, at most maxTextBytes) and the text's bytes as the second copy was given them (an absolute path,
 * a file:// address, or nothing). The running copy answers "OK\n" once it has the whole message. A message
 * that is malformed, too long, or not complete within a few seconds is dropped and the connection closed.
 *
 * Window thread only; nothing blocks the running copy.
 */
class RunningCopy final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunningCopy)

public:
    static constexpr int maxTextBytes = 64 * 1024;

    /// program: the program's name, part of the socket's name.
    explicit RunningCopy(QObject* parent = nullptr, const QByteArray& program = "velloplayer");
    ~RunningCopy() override;

    /// Path of the program's socket; "" when no safe folder for it exists.
    static QString socketPath(const QByteArray& program = "velloplayer");

    /// The first copy: listens on the socket (replacing a stale one). False, with a log entry, when it
    /// cannot; the player then simply runs without it.
    bool listen();
    bool isListening() const;
    /// How long a connection may take to send its whole message (default 3000 ms).
    void setMessageTimeout(int ms) { m_messageTimeoutMs = ms; }

    /// The second copy: hands the command-line text to the running copy and waits (blocking, at most
    /// timeoutMs; the running copy may still be starting) for its answer. True when it was delivered.
    static bool forward(const QByteArray& text, int timeoutMs = 5000,
                        const QByteArray& program = "velloplayer");

    /// The command line as the running copy should see it: a relative path is made absolute against the
    /// current folder of the second copy; a file:// address and an empty text stay as they are.
    static QByteArray absoluteCommandLine(const QByteArray& text);

    /// The whole message for a text.
    static QByteArray encode(const QByteArray& text);
    /// Reads one message from the bytes received so far: the text when complete, nothing while more may
    /// come; malformed is set when the bytes can never form a message.
    static std::optional<QByteArray> decode(const QByteArray& received, bool* malformed);

signals:
    /// A second copy was started with this command-line text (empty: it was started without a file).
    void commandLineReceived(const QByteArray& text);

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket* socket);

    QByteArray m_program;
    QLocalServer* m_server = nullptr;
    int m_messageTimeoutMs = 3000;
};

} // namespace vello
