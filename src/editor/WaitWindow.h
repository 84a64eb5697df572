// Starts and ends the wait window (the program vellowait) and passes it the progress of a run.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

namespace vello::editor {

/// The editor's side of the wait window: starts "vellowait" from the program folder with the message as
/// its one argument (after "--owner=<window id>" when the run has a window), writes progress as lines of
/// whole percentages ("0\n" ... "100\n") to its standard input, and closes it when the run ends by
/// closing that input (the wait window ends at end of input), ending the process if it lingers. The wait
/// window writes "stop\n" when the user asked it to stop the run. If the editor dies, the wait window sees
/// the end of its input and goes away too. Window thread only.
class WaitWindow final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WaitWindow)

public:
    explicit WaitWindow(QObject* parent = nullptr);
    /// Closes a running wait window and waits (at most a few seconds) until it is gone.
    ~WaitWindow() override;

    /// The two-line message of a run: "<first line>\nしばらくお待ちください...".
    static QString message(const QString& firstLine);
    /// The wait window program: beside the editor, or in the package's folder when installed.
    static QString programPath();

    /// Starts the wait window, kept above the window `owner` (a native window id; 0 for none). Returns
    /// false when it cannot be started (errorText() says why, in Japanese); nothing is started then.
    /// Blocks until the program has started (at most a few seconds).
    bool start(const QString& message, quintptr owner = 0);
    /// Passes the progress, 0 to 100; repeated values are not sent again.
    void setProgress(int percent);
    /// Ends the wait window: its input is closed and it goes by itself (ended after two seconds if it
    /// lingers). Does not wait.
    void close();

    bool isRunning() const;
    qint64 processId() const;
    QString errorText() const { return m_errorText; }

signals:
    /// The user asked, in the wait window, to stop the run.
    void stopRequested();

private:
    void readAnswers();

    QProcess* m_process = nullptr;
    int m_lastPercent = -1;
    QString m_errorText;
    QByteArray m_answers;
};

} // namespace vello::editor
