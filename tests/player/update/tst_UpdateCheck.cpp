// The update check's paths against a real FTP server, questions answered through the message service.
#include "AsNobody.h"
#include "EventLoopWait.h"
#include "FtpTestServer.h"
#include "MessageService.h"
#include "ProgramPaths.h"
#include "UpdateCheck.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

using namespace vello;

namespace {

const QString kConnectFailed = QStringLiteral("FTPサーバへの接続に失敗しました");
const QString kVersionFailed = QStringLiteral("最新バージョンの取得に失敗しました");
const QString kLatest = QStringLiteral("このバージョンが最新バージョンです。更新する必要はありません");
const QString kStopped = QStringLiteral("処理を中止しました");
const QString kChoose = QStringLiteral("保存先フォルダを指定してください");
const QString kDownloadFailed = QStringLiteral("最新バージョンのダウンロードに失敗しました");
const QString kDialUpQuestion =
    QStringLiteral("ダイヤルアップ先が見つかりませんでした。\rお使いの環境は、ダイヤルアップ接続ですか？");
const QString kConnectFirst = QStringLiteral("インターネットに接続してから、再試行してください");

QString offer(const QString& line)
{
    return QStringLiteral("現在の最新バージョンは") + line +
           QStringLiteral("です。\r最新版をダウンロードしますか？");
}

QString downloaded(const QString& path)
{
    return path +
           QStringLiteral("をダウンロードしました。\rVelloplayerを終了し、ファイルを置き換えてください");
}

class FakeView : public UpdateView
{
public:
    void showStep(const QString& text) override { steps.append(text); }
    void setBusy(bool busy) override { busyChanges.append(busy); }
    void showProgress(qint64, qint64) override { ++progressReports; }
    QString chooseFolder(const QString& title, const QString& startFolder) override
    {
        chooserTitle = title;
        chooserStart = startFolder;
        return folder;
    }

    QStringList steps;
    QList<bool> busyChanges;
    int progressReports = 0;
    QString folder;
    QString chooserTitle;
    QString chooserStart;
};

/// One shown message: icon and text.
using Shown = std::pair<MessageIcon, QString>;

class UpdateCheckTest : public TestFtp::ServerSuite<>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(s_started) << qPrintable(s_server->error());
        ASSERT_TRUE(m_program.isValid() && m_target.isValid());
        ProgramPaths::overrideProgramFolder(m_program.path());
        m_user = QStringLiteral("check%1").arg(++s_users);
        m_home = s_server->home(m_user);
        m_view.folder = m_target.path();
        // A machine with a network card and no dial-up link, unless a test says otherwise.
        TestFtp::writeFile(m_net.filePath(QStringLiteral("eth0/type")), "1\n");
        TestFtp::writeFile(m_net.filePath(QStringLiteral("eth0/flags")), "0x1003\n");
        TestFtp::writeFile(m_net.filePath(QStringLiteral("ppp0/type")), "512\n");
        TestFtp::writeFile(m_net.filePath(QStringLiteral("ppp0/flags")), "0x10d1\n");
    }

    UpdateCheck::Options options(int port = 0) const
    {
        UpdateCheck::Options o;
        o.server.host = QStringLiteral("127.0.0.1");
        o.server.port = port ? port : s_server->port();
        o.server.user = m_user;
        o.server.password = TestFtp::password();
        o.localVersion = VersionNumber::local(1, 2, 5); // 1.25
        o.netRoot = m_net.path();
        o.connectTimeoutMs = 5000;
        o.stallTimeoutMs = 5000;
        return o;
    }

    void serve(const QByteArray& versionFile, const QByteArray& archive = "LZH archive bytes")
    {
        TestFtp::writeFile(m_home + QStringLiteral("/vpver.ini"), versionFile);
        TestFtp::writeFile(m_home + QStringLiteral("/Vello.lzh"), archive);
    }

    UpdateCheck::Result run(const UpdateCheck::Options& o)
    {
        ScopedMessageService installed(&m_messages);
        UpdateCheck check(m_view, o);
        return check.run();
    }

    QList<Shown> shown() const
    {
        QList<Shown> list;
        for (const Message& m : m_messages.shown())
            list.append({m.icon, m.text});
        return list;
    }

    /// Nothing of the check is left in the program folder, the data folder or the target folder.
    void expectNothingLeftBehind(const QStringList& inTarget = {})
    {
        EXPECT_FALSE(QFile::exists(ProgramPaths::dataFile(QStringLiteral("vpver.ini"))));
        const QStringList programFiles = QDir(m_program.path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_TRUE(programFiles.isEmpty()) << qPrintable(programFiles.join(u' '));
        EXPECT_EQ(QDir(m_target.path()).entryList(QDir::Files | QDir::Hidden), inTarget);
    }

    static inline int s_users = 0;
    QTemporaryDir m_program;
    QTemporaryDir m_target;
    QTemporaryDir m_net;
    QString m_user;
    QString m_home;
    FakeView m_view;
    RecordingMessageService m_messages;
};

TEST_F(UpdateCheckTest, NewerVersionDownloadsTheArchiveIntoTheChosenFolder)
{
    serve("1.30\r\n", "new archive");
    m_messages.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(run(options()), UpdateCheck::Result::Downloaded);
    const QString archive = m_target.filePath(QStringLiteral("Vello.lzh"));
    EXPECT_EQ(shown(), (QList<Shown>{{MessageIcon::Question, offer(QStringLiteral("1.30"))},
                                     {MessageIcon::Information, kChoose},
                                     {MessageIcon::Information, downloaded(archive)}}));
    EXPECT_EQ(m_messages.shown().at(1).buttons, MessageButtons::Ok);
    EXPECT_EQ(m_view.steps, (QStringList{QStringLiteral("最新バージョンを確認中"),
                                         QStringLiteral("最新バージョンをダウンロード中")}));
    EXPECT_EQ(m_view.busyChanges, (QList<bool>{true, false}));
    EXPECT_EQ(m_view.chooserTitle, kChoose);
    EXPECT_EQ(m_view.chooserStart, ProgramPaths::programFolder());
    EXPECT_EQ(TestFtp::readFile(archive), QByteArray("new archive"));
    expectNothingLeftBehind({QStringLiteral("Vello.lzh")});
}

TEST_F(UpdateCheckTest, DownloadReplacesAnOlderArchiveOfThatName)
{
    serve("9\n", "newest");
    TestFtp::writeFile(m_target.filePath(QStringLiteral("Vello.lzh")), "older");
    m_view.folder = m_target.path() + u'/';
    m_messages.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(run(options()), UpdateCheck::Result::Downloaded);
    EXPECT_EQ(m_messages.shown().last().text, downloaded(m_target.filePath(QStringLiteral("Vello.lzh"))));
    EXPECT_EQ(TestFtp::readFile(m_target.filePath(QStringLiteral("Vello.lzh"))), QByteArray("newest"));
}

TEST_F(UpdateCheckTest, DecliningTheDownloadOrTheFolderStops)
{
    serve("1.30\n");
    m_messages.queueAnswer(MessageAnswer::No);
    EXPECT_EQ(run(options()), UpdateCheck::Result::Declined);
    EXPECT_EQ(shown(), (QList<Shown>{{MessageIcon::Question, offer(QStringLiteral("1.30"))},
                                     {MessageIcon::Warning, kStopped}}));
    expectNothingLeftBehind();

    m_messages.clear();
    m_messages.queueAnswer(MessageAnswer::Yes);
    m_view.folder.clear(); // the chooser was cancelled
    EXPECT_EQ(run(options()), UpdateCheck::Result::Declined);
    EXPECT_EQ(shown(), (QList<Shown>{{MessageIcon::Question, offer(QStringLiteral("1.30"))},
                                     {MessageIcon::Information, kChoose},
                                     {MessageIcon::Warning, kStopped}}));
    expectNothingLeftBehind();
}

/// Version files that offer no newer version: the check says this one is the latest.
class UpdateCheckLatest : public UpdateCheckTest, public ::testing::WithParamInterface<QByteArray>
{
};

std::string latestCaseName(const ::testing::TestParamInfo<QByteArray>& info)
{
    static const char* const names[] = {"Equal",  "EqualTrailingZero", "Older", "Empty", "Letters", "Comma",
                                        "Binary", "HugeNumber"};
    return names[info.index];
}

TEST_P(UpdateCheckLatest, SaysThisIsTheLatestVersion)
{
    serve(GetParam());
    EXPECT_EQ(run(options()), UpdateCheck::Result::UpToDate);
    EXPECT_EQ(shown(), (QList<Shown>{{MessageIcon::Information, kLatest}}));
    expectNothingLeftBehind();
}

INSTANTIATE_TEST_SUITE_P(Files, UpdateCheckLatest,
                         ::testing::Values(QByteArray("1.25\n"), QByteArray("1.250"),
                                           QByteArray("1.2\r\n9.9\r\n"), QByteArray(""), QByteArray("abc\n"),
                                           QByteArray("1,25\n"),
                                           QByteArray("\x00\x01\x02\xff\xfe binary", 13),
                                           QByteArray(200000, '9')),
                         latestCaseName);

TEST_F(UpdateCheckTest, OnlyTheFirstLineOfAHugeVersionFileMatters)
{
    serve("2.0\n" + QByteArray(3 << 20, 'x'));
    m_messages.queueAnswer(MessageAnswer::No);
    EXPECT_EQ(run(options()), UpdateCheck::Result::Declined);
    ASSERT_FALSE(m_messages.shown().isEmpty());
    EXPECT_EQ(m_messages.shown().first().text, offer(QStringLiteral("2.0")));
    expectNothingLeftBehind();
}

TEST_F(UpdateCheckTest, MinorVersionsCompareAsDigitsAfterThePoint)
{
    serve("1.1\n");
    UpdateCheck::Options o = options();
    o.localVersion = VersionNumber::local(1, 10, 0); // 1.100
    EXPECT_EQ(run(o), UpdateCheck::Result::UpToDate);

    serve("1.11\n");
    m_messages.clear();
    m_messages.queueAnswer(MessageAnswer::No);
    EXPECT_EQ(run(o), UpdateCheck::Result::Declined);
    EXPECT_EQ(m_messages.shown().first().text, offer(QStringLiteral("1.11")));
}

TEST_F(UpdateCheckTest, MissingVersionFileFails)
{
    TestFtp::writeFile(m_home + QStringLiteral("/Vello.lzh"), "a");
    EXPECT_EQ(run(options()), UpdateCheck::Result::VersionFileFailed);
    EXPECT_EQ(shown(), (QList<Shown>{{MessageIcon::Critical, kVersionFailed}}));
    expectNothingLeftBehind();
}

TEST_F(UpdateCheckTest, ServersThatCannotBeReachedEndWithTheConnectionMessage)
{
    // Refused, wrong password, unknown host.
    EXPECT_EQ(run(options(TestFtp::closedPort())), UpdateCheck::Result::ConnectFailed);
    UpdateCheck::Options wrong = options();
    wrong.server.password = QStringLiteral("wrong");
    EXPECT_EQ(run(wrong), UpdateCheck::Result::ConnectFailed);
    UpdateCheck::Options unknown = options();
    unknown.server.host = QStringLiteral("no-such-host.invalid");
    EXPECT_EQ(run(unknown), UpdateCheck::Result::ConnectFailed);
    EXPECT_EQ(shown(), (QList<Shown>{{MessageIcon::Critical, kConnectFailed},
                                     {MessageIcon::Critical, kConnectFailed},
                                     {MessageIcon::Critical, kConnectFailed}}));
    expectNothingLeftBehind();
}

TEST_F(UpdateCheckTest, ServerThatNeverAnswersEndsInBoundedTimeWhileTheEventLoopRuns)
{
    TestFtp::SilentListener silent;
    UpdateCheck::Options o = options(silent.port());
    o.connectTimeoutMs = 700;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(run(o), UpdateCheck::Result::ConnectFailed);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_GE(ticks, 5); // the event loop kept running while the server was silent
    EXPECT_EQ(shown(), (QList<Shown>{{MessageIcon::Critical, kConnectFailed}}));
}

TEST_F(UpdateCheckTest, CancellingEndsTheCheckAtOnce)
{
    TestFtp::SilentListener silent;
    UpdateCheck::Options o = options(silent.port());
    o.connectTimeoutMs = 60000;
    ScopedMessageService installed(&m_messages);
    UpdateCheck check(m_view, o);
    QTimer::singleShot(200, &check, &UpdateCheck::cancel);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(check.run(), UpdateCheck::Result::Cancelled);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(shown(), (QList<Shown>{{MessageIcon::Warning, kStopped}}));
}

/// Downloads that fail leave the folder as it was.
class UpdateCheckFailedDownload : public UpdateCheckTest, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(UpdateCheckFailedDownload, SaysSoAndKeepsTheOldArchive)
{
    const QByteArray kind(GetParam());
    serve("2.0\n", QByteArray(256 * 1024, 'a'));
    TestFtp::writeFile(m_target.filePath(QStringLiteral("Vello.lzh")), "old");
    if (kind == "abort" || kind == "stall")
        s_server->sabotage(m_user, QString::fromLatin1(kind), QStringLiteral("Vello.lzh"));
    if (kind == "vanished")
        m_view.folder = m_target.filePath(QStringLiteral("gone"));
    m_messages.queueAnswer(MessageAnswer::Yes);
    UpdateCheck::Options o = options();
    o.stallTimeoutMs = 2500; // libcurl may wait up to a second before it opens a data connection
    EXPECT_EQ(run(o), UpdateCheck::Result::DownloadFailed);
    EXPECT_EQ(m_messages.shown().last().text, kDownloadFailed);
    EXPECT_EQ(m_messages.shown().last().icon, MessageIcon::Critical);
    EXPECT_EQ(TestFtp::readFile(m_target.filePath(QStringLiteral("Vello.lzh"))), QByteArray("old"));
    expectNothingLeftBehind({QStringLiteral("Vello.lzh")});
}

INSTANTIATE_TEST_SUITE_P(Kinds, UpdateCheckFailedDownload, ::testing::Values("abort", "stall", "vanished"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(UpdateCheckTest, ReadOnlyFolderFailsTheDownload)
{
    serve("2.0\n");
    const QString folder = m_target.filePath(QStringLiteral("ro"));
    QDir().mkpath(folder);
    ASSERT_EQ(::chmod(QFile::encodeName(m_target.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    // The version file goes beside Config.ini, in the program folder here: the user may write there.
    ASSERT_EQ(::chown(QFile::encodeName(m_program.path()).constData(), TestUser::kNobody, TestUser::kNobody),
              0);
    m_view.folder = folder;
    const int result = TestUser::runAsNobody([&] {
        m_messages.queueAnswer(MessageAnswer::Yes);
        if (run(options()) != UpdateCheck::Result::DownloadFailed)
            return 1;
        if (m_messages.shown().isEmpty() || m_messages.shown().last().text != kDownloadFailed)
            return 2;
        if (QFile::exists(ProgramPaths::dataFile(QStringLiteral("vpver.ini"))))
            return 3;
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty() ? 0
                                                                                                        : 4;
    });
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_EQ(result, 0);
}

TEST_F(UpdateCheckTest, WithoutDialUpLinkTheUserIsAsked)
{
    QDir(m_net.filePath(QStringLiteral("ppp0"))).removeRecursively();
    serve("1.0\n");

    // Yes: the machine dials up and is offline; nothing is tried.
    m_messages.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(run(options(TestFtp::closedPort())), UpdateCheck::Result::DialUpNotConnected);
    EXPECT_EQ(shown(), (QList<Shown>{{MessageIcon::Question, kDialUpQuestion},
                                     {MessageIcon::Warning, kConnectFirst}}));
    EXPECT_EQ(m_messages.shown().first().defaultAnswer, MessageAnswer::Yes);

    // No: a permanent connection; the server is tried.
    m_messages.clear();
    m_messages.queueAnswer(MessageAnswer::No);
    EXPECT_EQ(run(options()), UpdateCheck::Result::UpToDate);
    EXPECT_EQ(shown(),
              (QList<Shown>{{MessageIcon::Question, kDialUpQuestion}, {MessageIcon::Information, kLatest}}));
}

} // namespace
