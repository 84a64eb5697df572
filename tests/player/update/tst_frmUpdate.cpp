// The update window: runs the check when shown, keeps the windows painting, closes on every path.
#include "EventLoopWait.h"
#include "FtpTestServer.h"
#include "MessageService.h"
#include "ProgramPaths.h"
#include "frmUpdate.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

using namespace vello;

namespace {

class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

UpdateCheck::Options localServer(int port)
{
    UpdateCheck::Options o;
    o.server.host = QStringLiteral("127.0.0.1");
    o.server.port = port;
    o.server.user = QStringLiteral("window");
    o.server.password = TestFtp::password();
    o.localVersion = VersionNumber::local(1, 0, 0);
    o.netRoot = QStringLiteral("/nonexistent-net-root"); // cannot tell: connected
    return o;
}

TEST(frmUpdateWindow, RunsTheCheckWhenShownAndClosesItself)
{
    TestFtp::Server server;
    ASSERT_TRUE(server.start()) << qPrintable(server.error());
    TestFtp::writeFile(server.home(QStringLiteral("window")) + QStringLiteral("/vpver.ini"), "1.0\n");
    QTemporaryDir program;
    ProgramPaths::overrideProgramFolder(program.path());
    RecordingMessageService messages;
    ScopedMessageService installed(&messages);

    QWidget owner;
    owner.show();
    frmUpdate window(&owner, localServer(server.port()));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("最新バージョンの取得"));
    EXPECT_TRUE(window.isModal());
    window.exec();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), UpdateCheck::Result::UpToDate);
    EXPECT_EQ(window.lblMsg()->text(), QStringLiteral("最新バージョンを確認中"));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().at(0).text,
              QStringLiteral("このバージョンが最新バージョンです。更新する必要はありません"));
}

TEST(frmUpdateWindow, KeepsPaintingWhileTheServerIsSilentAndClosingCancels)
{
    TestFtp::SilentListener silent;
    QTemporaryDir program;
    ProgramPaths::overrideProgramFolder(program.path());
    RecordingMessageService messages;
    ScopedMessageService installed(&messages);

    PaintCounter owner;
    owner.resize(200, 100);
    owner.show();
    frmUpdate window(&owner, localServer(silent.port()));
    int paintsWhileRunning = 0;
    int polls = 0;
    QTimer poller;
    QObject::connect(&poller, &QTimer::timeout, [&] {
        if (!window.checkRunning())
            return;
        const int before = owner.paints;
        owner.repaint();
        paintsWhileRunning += owner.paints - before;
        if (++polls == 10)
            window.close(); // the user closes the window: the check stops
    });
    poller.start(30);
    window.exec();
    EXPECT_EQ(window.result(), UpdateCheck::Result::Cancelled);
    EXPECT_GE(paintsWhileRunning, 10);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().at(0).text, QStringLiteral("処理を中止しました"));
    EXPECT_FALSE(window.isVisible());
}

} // namespace
