#include "WaitWindow.h"

#include "EditorTestSupport.h"
#include "EventLoopWait.h"
#include "MessageService.h"
#include "ProgramPaths.h"
#include "WaitDialog.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace vello;
using namespace vello::editor;

TEST(WaitDialog, ShowsTheMessageAndFollowsPercentLines)
{
    WaitDialog dialog(QStringLiteral("RMﾌｧｲﾙの結合を行っています\r\nしばらくお待ちください..."));
    dialog.show();
    EXPECT_EQ(dialog.messageText(), QStringLiteral("RMﾌｧｲﾙの結合を行っています\nしばらくお待ちください..."));
    EXPECT_EQ(dialog.percent(), -1); // busy until the first percentage

    dialog.takeInput("4");
    EXPECT_EQ(dialog.percent(), -1); // half a line waits for its end
    dialog.takeInput("2\n");
    EXPECT_EQ(dialog.percent(), 42);
    dialog.takeInput("junk\n101\n-1\n\n 7 \r\n");
    EXPECT_EQ(dialog.percent(), 7);
    dialog.takeInput(QByteArray(10000, '9')); // an endless line is dropped, not kept
    dialog.takeInput("\n100\n");
    EXPECT_EQ(dialog.percent(), 100);

    // While the run goes on, the close button asks whether to stop it: No keeps all as it was, Yes asks
    // the editor to stop and the window waits for the editor to end it.
    RecordingMessageService messages;
    ScopedMessageService scope(&messages);
    QSignalSpy stop(&dialog, &WaitDialog::stopRequested);
    EXPECT_FALSE(dialog.close());
    messages.queueAnswer(MessageAnswer::Yes);
    EXPECT_FALSE(dialog.close());
    EXPECT_FALSE(dialog.close()); // asked once only
    ASSERT_EQ(messages.shown().size(), 2);
    EXPECT_EQ(messages.shown().at(0).text, WaitDialog::stopQuestionText());
    EXPECT_EQ(messages.shown().at(0).defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(stop.count(), 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.messageText(), WaitDialog::stoppingText());
    dialog.inputEnded();
    EXPECT_FALSE(dialog.isVisible());
}

namespace {

/// Sends this process's standard error (and that of the programs it starts) to a file for a while.
class CapturedStderr
{
public:
    CapturedStderr()
    {
        m_file = m_dir.filePath(QStringLiteral("stderr.txt"));
        const int fd = ::open(QFile::encodeName(m_file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~CapturedStderr()
    {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    QByteArray text() const
    {
        QFile f(m_file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
    int m_saved = -1;
};

bool processGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

TEST(WaitWindow, StartsShowsProgressAndIsGoneAfterTheRun)
{
    ProgramPaths::overrideProgramFolder(qEnvironmentVariable("VELLO_BIN_DIR"));
    qputenv("QT_LOGGING_RULES", "vello.wait.debug=true");
    qint64 pid = 0;
    {
        CapturedStderr captured;
        WaitWindow wait;
        ASSERT_TRUE(wait.start(WaitWindow::message(QStringLiteral("RMﾌｧｲﾙの結合を行っています"))))
            << qPrintable(wait.errorText());
        EXPECT_TRUE(wait.isRunning());
        pid = wait.processId();
        for (int p : {0, 10, 10, 55, 100})
            wait.setProgress(p);
        EXPECT_TRUE(TestWait::waitFor([&] { return captured.text().contains("progress 100"); }))
            << captured.text().constData();
        EXPECT_TRUE(captured.text().contains("progress 55"));
        EXPECT_EQ(captured.text().count("progress 10\n"), 1); // a repeated value is not sent again
        wait.close();
        EXPECT_FALSE(wait.isRunning());
        EXPECT_TRUE(TestWait::waitFor([&] { return processGone(pid); }));
        EXPECT_TRUE(captured.text().contains("input ended"));
    }
    qunsetenv("QT_LOGGING_RULES");
    ProgramPaths::overrideProgramFolder(QString());
}

TEST(WaitWindow, AMissingProgramIsReportedAndNothingStarts)
{
    QTemporaryDir empty;
    ProgramPaths::overrideProgramFolder(empty.path());
    WaitWindow wait;
    EXPECT_FALSE(wait.start(WaitWindow::message(QStringLiteral("x"))));
    EXPECT_FALSE(wait.isRunning());
    EXPECT_TRUE(wait.errorText().contains(QStringLiteral("vellowait")));
    wait.setProgress(50); // harmless
    wait.close();
    ProgramPaths::overrideProgramFolder(QString());
}
