// McWinFTP against a real pyftpdlib server on 127.0.0.1.
#include "AsNobody.h"
#include "FtpTestServer.h"
#include "McWinFTP.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTimeZone>

#include <functional>
#include <sys/stat.h>

using namespace vello;

namespace {

struct ErrorLog
{
    QList<std::pair<qint32, QString>> entries;
    void attach(McWinFTP& ftp)
    {
        QObject::connect(&ftp, &McWinFTP::FTPFrr, [this](qint32 number, const QString& text) {
            entries.append({number, text});
        });
    }
};

/// Entries of a whole listing, as a caller loops over it.
QList<FTPFile> listAll(McWinFTP& ftp, const QString& pattern)
{
    QList<FTPFile> entries;
    ftp.FindFile(pattern);
    for (int guard = 0; !ftp.RemoteFile().SearchEnd && guard < 1000; ++guard) {
        entries.append(ftp.RemoteFile());
        ftp.NextFile();
    }
    return entries;
}

QStringList namesOf(const QList<FTPFile>& entries)
{
    QStringList names;
    for (const FTPFile& entry : entries)
        names.append(entry.FileName);
    names.sort();
    return names;
}

class McWinFTPTest : public TestFtp::ServerSuite<>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(s_started) << qPrintable(s_server->error());
        ASSERT_TRUE(m_local.isValid());
        m_user = QStringLiteral("user%1").arg(++s_users);
        m_home = s_server->home(m_user);
        m_errors.attach(m_ftp);
    }

    void configure(McWinFTP& ftp, const QString& user, const QString& password)
    {
        ftp.setRemoteHost(QStringLiteral("127.0.0.1"));
        ftp.setRemotePort(s_server->port());
        ftp.setUser(user);
        ftp.setPassword(password);
        ftp.setPassiveFlag(true);
    }
    void connect()
    {
        configure(m_ftp, m_user, TestFtp::password());
        m_ftp.OpenSession();
        ASSERT_NE(m_ftp.hFTP(), 0u);
        ASSERT_TRUE(m_errors.entries.isEmpty());
    }
    QString home(const QString& name) const { return m_home + u'/' + name; }
    QString local(const QString& name) const { return m_local.filePath(name); }

    static inline int s_users = 0;
    QString m_user;
    QString m_home;
    QTemporaryDir m_local;
    McWinFTP m_ftp;
    ErrorLog m_errors;
};

TEST_F(McWinFTPTest, IdentityAndPropertiesAtCreation)
{
    EXPECT_EQ(m_ftp.ClassName(), QStringLiteral("McWinFTP Class Module"));
    EXPECT_EQ(m_ftp.Version(), QStringLiteral("0.9 b"));
    EXPECT_FALSE(m_ftp.Copyright().isEmpty());
    EXPECT_NE(m_ftp.hInternet(), 0u);
    EXPECT_EQ(m_ftp.hFTP(), 0u);
    EXPECT_EQ(m_ftp.RemotePort(), 21);
    EXPECT_TRUE(m_ftp.RemoteHost().isEmpty());
    EXPECT_TRUE(m_ftp.User().isEmpty());
    EXPECT_FALSE(m_ftp.PassiveFlag());
    m_ftp.setPassiveFlag(true);
    EXPECT_TRUE(m_ftp.PassiveFlag());
    m_ftp.setPassiveFlag(false);
    EXPECT_FALSE(m_ftp.PassiveFlag());
    EXPECT_TRUE(m_errors.entries.isEmpty());
}

TEST_F(McWinFTPTest, EmptyUserAndPasswordLogInAnonymously)
{
    TestFtp::writeFile(s_server->home(QStringLiteral("anonymous")) + QStringLiteral("/pub.txt"), "public");
    configure(m_ftp, QString(), QString());
    m_ftp.OpenSession();
    ASSERT_NE(m_ftp.hFTP(), 0u);
    EXPECT_EQ(m_ftp.CurDir(), QStringLiteral("/"));
    EXPECT_TRUE(m_ftp.GetFile(QStringLiteral("pub.txt"), local(QStringLiteral("pub.txt")), true, 2));
    EXPECT_EQ(TestFtp::readFile(local(QStringLiteral("pub.txt"))), QByteArray("public"));
    EXPECT_TRUE(m_errors.entries.isEmpty());

    // The anonymous account may only read: the server's refusal comes back as its reply.
    TestFtp::writeFile(local(QStringLiteral("up.txt")), "x");
    EXPECT_FALSE(m_ftp.PutFile(local(QStringLiteral("up.txt")), QStringLiteral("up.txt"), 2));
    ASSERT_EQ(m_errors.entries.size(), 1);
    EXPECT_EQ(m_errors.entries[0].first, FtpExtendedError);
    EXPECT_TRUE(m_errors.entries[0].second.startsWith(u"550")) << qPrintable(m_errors.entries[0].second);
}

TEST_F(McWinFTPTest, NamedLoginDoesEveryFileAndFolderOperation)
{
    connect();
    ASSERT_TRUE(m_ftp.CreateDir(QStringLiteral("incoming")));
    EXPECT_TRUE(QFileInfo(home(QStringLiteral("incoming"))).isDir());
    m_ftp.setCurDir(QStringLiteral("incoming"));
    EXPECT_EQ(m_ftp.CurDir(), QStringLiteral("/incoming"));

    const QByteArray binary("\x00\x01\r\n\xff data", 10);
    TestFtp::writeFile(local(QStringLiteral("a.bin")), binary);
    ASSERT_TRUE(m_ftp.PutFile(local(QStringLiteral("a.bin")), QStringLiteral("a.bin"), 2));
    EXPECT_EQ(TestFtp::readFile(home(QStringLiteral("incoming/a.bin"))), binary);

    ASSERT_TRUE(m_ftp.RenameFile(QStringLiteral("a.bin"), QStringLiteral("b.bin")));
    EXPECT_FALSE(QFile::exists(home(QStringLiteral("incoming/a.bin"))));
    ASSERT_TRUE(m_ftp.GetFile(QStringLiteral("b.bin"), local(QStringLiteral("b.bin")), false, 0));
    EXPECT_EQ(TestFtp::readFile(local(QStringLiteral("b.bin"))), binary);
    // An absolute name is taken from the root.
    ASSERT_TRUE(m_ftp.GetFile(QStringLiteral("/incoming/b.bin"), local(QStringLiteral("c.bin")), false, 2));
    EXPECT_EQ(TestFtp::readFile(local(QStringLiteral("c.bin"))), binary);

    ASSERT_TRUE(m_ftp.DeleteFile(QStringLiteral("b.bin")));
    EXPECT_FALSE(QFile::exists(home(QStringLiteral("incoming/b.bin"))));
    m_ftp.setCurDir(QStringLiteral(".."));
    EXPECT_EQ(m_ftp.CurDir(), QStringLiteral("/"));
    ASSERT_TRUE(m_ftp.RemoveDir(QStringLiteral("incoming")));
    EXPECT_FALSE(QFileInfo::exists(home(QStringLiteral("incoming"))));
    EXPECT_TRUE(m_errors.entries.isEmpty());

    m_ftp.CloseSession();
    EXPECT_EQ(m_ftp.hFTP(), 0u);
}

TEST_F(McWinFTPTest, TextTransfersConvertLineEndsAcrossBlocks)
{
    // Lines of two bytes ("x" LF) travel as three (CR LF): block boundaries fall after a CR as well.
    QByteArray text;
    for (int i = 0; i < 100000; ++i)
        text += i % 7 == 0 ? "y\n" : "x\n";
    QByteArray wire = text;
    wire.replace("\n", "\r\n");
    TestFtp::writeFile(home(QStringLiteral("server.txt")), text);
    TestFtp::writeFile(local(QStringLiteral("up.txt")), text);
    connect();
    // Sent as CR LF (this server stores text as it arrives).
    ASSERT_TRUE(
        m_ftp.PutFile(local(QStringLiteral("up.txt")), QStringLiteral("t.txt"), McWinFTP::TransferAscii));
    EXPECT_EQ(TestFtp::readFile(home(QStringLiteral("t.txt"))), wire);
    // The server sends its LF file as CR LF; the local copy gets LF again.
    ASSERT_TRUE(m_ftp.GetFile(QStringLiteral("server.txt"), local(QStringLiteral("down.txt")), false,
                              McWinFTP::TransferAscii));
    EXPECT_TRUE(TestFtp::readFile(local(QStringLiteral("down.txt"))) == text);

    // Binary keeps CR LF as it is, both ways.
    TestFtp::writeFile(local(QStringLiteral("crlf.txt")), "a\r\nb\r\n");
    ASSERT_TRUE(m_ftp.PutFile(local(QStringLiteral("crlf.txt")), QStringLiteral("crlf.txt"), 2));
    EXPECT_EQ(TestFtp::readFile(home(QStringLiteral("crlf.txt"))), QByteArray("a\r\nb\r\n"));
    ASSERT_TRUE(m_ftp.GetFile(QStringLiteral("crlf.txt"), local(QStringLiteral("crlf2.txt")), false, 2));
    EXPECT_EQ(TestFtp::readFile(local(QStringLiteral("crlf2.txt"))), QByteArray("a\r\nb\r\n"));
    EXPECT_TRUE(m_errors.entries.isEmpty());
}

TEST_F(McWinFTPTest, CurDirWithLeadingSlashGoesBelowTheCurrentFolder)
{
    QDir().mkpath(home(QStringLiteral("a/b")));
    QDir().mkpath(home(QStringLiteral("b")));
    QDir().mkpath(home(QStringLiteral("a/c")));
    connect();
    m_ftp.setCurDir(QStringLiteral("a"));
    m_ftp.setCurDir(QStringLiteral("/b"));
    EXPECT_EQ(m_ftp.CurDir(), QStringLiteral("/a/b"));
    m_ftp.setCurDir(QStringLiteral("/.."));
    m_ftp.setCurDir(QStringLiteral("\\c"));
    EXPECT_EQ(m_ftp.CurDir(), QStringLiteral("/a/c"));
    EXPECT_TRUE(m_errors.entries.isEmpty());
}

TEST_F(McWinFTPTest, ReadingCurDirInALongFolderKeepsTheSessionThere)
{
    const QString name(150, u'd');
    const QString deep = name + u'/' + name; // 301 characters from the root
    QDir().mkpath(home(deep));
    TestFtp::writeFile(home(deep + QStringLiteral("/f.txt")), "deep");
    connect();
    m_ftp.setCurDir(name);
    m_ftp.setCurDir(name);
    EXPECT_EQ(m_ftp.CurDir(), (u'/' + deep).left(260));
    EXPECT_TRUE(m_ftp.GetFile(QStringLiteral("f.txt"), local(QStringLiteral("f.txt")), false, 2));
    EXPECT_EQ(TestFtp::readFile(local(QStringLiteral("f.txt"))), QByteArray("deep"));
    EXPECT_TRUE(m_errors.entries.isEmpty());
}

TEST_F(McWinFTPTest, ListingGivesNamesSizesTypesAndDates)
{
    const QStringList oddNames{QStringLiteral("with blank.txt"),
                               QStringLiteral(" leading blank.txt"),
                               QStringLiteral("trailing blank "),
                               QStringLiteral("日本語のファイル.txt"),
                               QStringLiteral("quote'\"$;&.txt"),
                               QStringLiteral("100%#?.txt"),
                               QString(200, u'a') + QStringLiteral(".txt"),
                               QString(80, u'あ') + QStringLiteral(".txt")};
    for (const QString& name : oddNames)
        TestFtp::writeFile(home(name), name.toUtf8());
    for (const auto& [name, size] :
         {std::pair{"big.bin", 5000000000LL}, std::pair{"three.bin", 3000000000LL}}) {
        QFile sparse(home(QString::fromLatin1(name)));
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        ASSERT_TRUE(sparse.resize(size));
    }
    QDir().mkpath(home(QStringLiteral("folder")));
    QFile old(home(QStringLiteral("old.txt")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    ASSERT_TRUE(old.setFileTime(QDateTime(QDate(2020, 2, 3), QTime(4, 5, 6), QTimeZone::utc()),
                                QFileDevice::FileModificationTime));
    old.close();

    connect();
    const QList<FTPFile> entries = listAll(m_ftp, QStringLiteral("*.*"));
    QStringList expected = oddNames;
    expected << QStringLiteral("big.bin") << QStringLiteral("three.bin") << QStringLiteral("folder")
             << QStringLiteral("old.txt");
    expected.sort();
    EXPECT_EQ(namesOf(entries), expected);
    for (const FTPFile& entry : entries) {
        if (entry.FileName == u"big.bin") {
            EXPECT_EQ(entry.FileSize, 5000000000.0);
        } else if (entry.FileName == u"three.bin") {
            EXPECT_EQ(entry.FileSize, 3000000000.0);
        } else if (entry.FileName == u"old.txt") {
            EXPECT_EQ(entry.FileDate, QDateTime(QDate(2020, 2, 3), QTime(0, 0), QTimeZone::utc()));
        }
        EXPECT_EQ(entry.FileType, entry.FileName == u"folder" ? 16 : 0) << qPrintable(entry.FileName);
    }
    EXPECT_TRUE(m_errors.entries.isEmpty());

    // Every listed name can be fetched back by that name.
    for (const QString& name : oddNames) {
        const QString target = local(QStringLiteral("copy"));
        ASSERT_TRUE(m_ftp.GetFile(name, target, false, 2)) << qPrintable(name);
        EXPECT_EQ(TestFtp::readFile(target), name.toUtf8());
    }
    EXPECT_TRUE(m_errors.entries.isEmpty());

    EXPECT_EQ(namesOf(listAll(m_ftp, QStringLiteral("*.bin"))),
              (QStringList{QStringLiteral("big.bin"), QStringLiteral("three.bin")}));
    EXPECT_EQ(namesOf(listAll(m_ftp, QStringLiteral("/*.bin"))),
              (QStringList{QStringLiteral("big.bin"), QStringLiteral("three.bin")}));
    EXPECT_EQ(namesOf(listAll(m_ftp, QStringLiteral("old.txt"))), QStringList{QStringLiteral("old.txt")});
}

TEST_F(McWinFTPTest, EndOfListingIsNoErrorAndNextFileStopsThere)
{
    QDir().mkpath(home(QStringLiteral("empty")));
    TestFtp::writeFile(home(QStringLiteral("one/only.txt")), "1");
    connect();

    m_ftp.NextFile(); // no listing yet
    ASSERT_EQ(m_errors.entries.size(), 1);
    EXPECT_EQ(m_errors.entries[0].first, FtpInvalidHandle);
    EXPECT_FALSE(m_ftp.RemoteFile().SearchEnd);
    m_errors.entries.clear();

    m_ftp.FindFile(QStringLiteral("empty"));
    EXPECT_TRUE(m_ftp.RemoteFile().SearchEnd);
    m_ftp.FindFile(QStringLiteral("one"));
    EXPECT_FALSE(m_ftp.RemoteFile().SearchEnd);
    EXPECT_EQ(m_ftp.RemoteFile().FileName, QStringLiteral("only.txt"));
    m_ftp.NextFile();
    EXPECT_TRUE(m_ftp.RemoteFile().SearchEnd);
    m_ftp.NextFile();
    EXPECT_TRUE(m_ftp.RemoteFile().SearchEnd);
    EXPECT_TRUE(m_errors.entries.isEmpty());

    m_ftp.FindFile(QStringLiteral("missing"));
    EXPECT_TRUE(m_ftp.RemoteFile().SearchEnd);
    ASSERT_EQ(m_errors.entries.size(), 1);
    EXPECT_EQ(m_errors.entries[0].first, FtpExtendedError);
    EXPECT_TRUE(m_errors.entries[0].second.startsWith(u"550"));
}

TEST_F(McWinFTPTest, ActiveModeTransfers)
{
    TestFtp::writeFile(home(QStringLiteral("f.txt")), "active");
    configure(m_ftp, m_user, TestFtp::password());
    m_ftp.setPassiveFlag(false);
    m_ftp.OpenSession();
    ASSERT_NE(m_ftp.hFTP(), 0u);
    EXPECT_EQ(namesOf(listAll(m_ftp, QString())), QStringList{QStringLiteral("f.txt")});
    ASSERT_TRUE(m_ftp.GetFile(QStringLiteral("f.txt"), local(QStringLiteral("f.txt")), false, 2));
    EXPECT_EQ(TestFtp::readFile(local(QStringLiteral("f.txt"))), QByteArray("active"));
    EXPECT_TRUE(m_errors.entries.isEmpty());
}

TEST_F(McWinFTPTest, DownloadLimitKeepsTheFirstBytesOnly)
{
    TestFtp::writeFile(home(QStringLiteral("huge.ini")), QByteArray(1 << 20, '7'));
    connect();
    m_ftp.setDownloadLimit(4096);
    ASSERT_TRUE(m_ftp.GetFile(QStringLiteral("huge.ini"), local(QStringLiteral("h.ini")), false, 0));
    EXPECT_EQ(TestFtp::readFile(local(QStringLiteral("h.ini"))), QByteArray(4096, '7'));
    EXPECT_TRUE(m_errors.entries.isEmpty());
}

/// One failing call: what to set up and do, and the one FTPFrr it must raise.
struct FailureCase
{
    const char* name;
    std::function<void(McWinFTPTest*, McWinFTP&)> act;
    qint32 number;
    const char* textStart; // the text begins so; nullptr: the number's own description
};

class McWinFTPFailure : public McWinFTPTest, public ::testing::WithParamInterface<FailureCase>
{
public:
    using McWinFTPTest::configure;
    using McWinFTPTest::connect;
    using McWinFTPTest::home;
    using McWinFTPTest::local;
    static int port() { return s_server->port(); }
    QString user() const { return m_user; }
};

TEST_P(McWinFTPFailure, RaisesFTPFrrOnce)
{
    const FailureCase& c = GetParam();
    QElapsedTimer clock;
    clock.start();
    c.act(this, m_ftp);
    EXPECT_LT(clock.elapsed(), 10000);
    ASSERT_EQ(m_errors.entries.size(), 1) << c.name;
    EXPECT_EQ(m_errors.entries[0].first, c.number);
    const QString text = m_errors.entries[0].second;
    if (c.textStart)
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.textStart))) << qPrintable(text);
    else
        EXPECT_EQ(text, ftpErrorText(c.number, QString()));
    EXPECT_FALSE(text.isEmpty());
}

void openAt(McWinFTP& ftp, const QString& host, int port)
{
    ftp.setRemoteHost(host);
    ftp.setRemotePort(port);
    ftp.OpenSession();
    EXPECT_EQ(ftp.hFTP(), 0u);
}

const FailureCase failureCases[] = {
    {"UnknownHost", [](McWinFTPTest*, McWinFTP& f) { openAt(f, QStringLiteral("no-such-host.invalid"), 21); },
     FtpNameNotResolved, "サーバー名を解決できませんでした。"},
    {"ConnectionRefused",
     [](McWinFTPTest*, McWinFTP& f) { openAt(f, QStringLiteral("127.0.0.1"), TestFtp::closedPort()); },
     FtpCannotConnect, nullptr},
    {"ServerNeverAnswers",
     [](McWinFTPTest*, McWinFTP& f) {
         TestFtp::SilentListener silent;
         f.setTimeouts(300, 1000);
         openAt(f, QStringLiteral("127.0.0.1"), silent.port());
     },
     FtpTimeout, nullptr},
    {"WrongPassword",
     [](McWinFTPTest* t, McWinFTP& f) {
         auto* p = static_cast<McWinFTPFailure*>(t);
         f.setUser(p->user());
         f.setPassword(QStringLiteral("wrong"));
         openAt(f, QStringLiteral("127.0.0.1"), McWinFTPFailure::port());
     },
     FtpExtendedError, "530"},
    {"NotConnected", [](McWinFTPTest*, McWinFTP& f) { f.DeleteFile(QStringLiteral("x")); }, FtpInvalidHandle,
     nullptr},
    {"GetMissingFile",
     [](McWinFTPTest* t, McWinFTP& f) {
         auto* p = static_cast<McWinFTPFailure*>(t);
         p->connect();
         EXPECT_FALSE(f.GetFile(QStringLiteral("missing.txt"), p->local(QStringLiteral("m")), false, 2));
         EXPECT_TRUE(QDir(p->local(QString())).isEmpty());
     },
     FtpExtendedError, "550"},
    {"GetOntoExistingWithFailExists",
     [](McWinFTPTest* t, McWinFTP& f) {
         auto* p = static_cast<McWinFTPFailure*>(t);
         TestFtp::writeFile(p->home(QStringLiteral("new.txt")), "new");
         TestFtp::writeFile(p->local(QStringLiteral("old.txt")), "old");
         p->connect();
         EXPECT_FALSE(f.GetFile(QStringLiteral("new.txt"), p->local(QStringLiteral("old.txt")), true, 2));
         EXPECT_EQ(TestFtp::readFile(p->local(QStringLiteral("old.txt"))), QByteArray("old"));
     },
     FtpFileExists, nullptr},
    {"GetIntoMissingFolder",
     [](McWinFTPTest* t, McWinFTP& f) {
         auto* p = static_cast<McWinFTPFailure*>(t);
         TestFtp::writeFile(p->home(QStringLiteral("new.txt")), "new");
         p->connect();
         EXPECT_FALSE(
             f.GetFile(QStringLiteral("new.txt"), p->local(QStringLiteral("gone/new.txt")), false, 2));
     },
     FtpPathNotFound, nullptr},
    {"PutMissingLocalFile",
     [](McWinFTPTest* t, McWinFTP& f) {
         auto* p = static_cast<McWinFTPFailure*>(t);
         p->connect();
         EXPECT_FALSE(f.PutFile(p->local(QStringLiteral("none")), QStringLiteral("x"), 2));
     },
     FtpFileNotFound, nullptr},
    {"DeleteMissing",
     [](McWinFTPTest* t, McWinFTP& f) {
         static_cast<McWinFTPFailure*>(t)->connect();
         EXPECT_FALSE(f.DeleteFile(QStringLiteral("none")));
     },
     FtpExtendedError, "550"},
    {"RenameMissing",
     [](McWinFTPTest* t, McWinFTP& f) {
         static_cast<McWinFTPFailure*>(t)->connect();
         EXPECT_FALSE(f.RenameFile(QStringLiteral("none"), QStringLiteral("other")));
     },
     FtpExtendedError, "550"},
    {"CreateExistingDir",
     [](McWinFTPTest* t, McWinFTP& f) {
         auto* p = static_cast<McWinFTPFailure*>(t);
         QDir().mkpath(p->home(QStringLiteral("there")));
         p->connect();
         EXPECT_FALSE(f.CreateDir(QStringLiteral("there")));
     },
     FtpExtendedError, "550"},
    {"RemoveMissingDir",
     [](McWinFTPTest* t, McWinFTP& f) {
         static_cast<McWinFTPFailure*>(t)->connect();
         EXPECT_FALSE(f.RemoveDir(QStringLiteral("none")));
     },
     FtpExtendedError, "550"},
    {"ChangeIntoMissingDir",
     [](McWinFTPTest* t, McWinFTP& f) {
         static_cast<McWinFTPFailure*>(t)->connect();
         f.setCurDir(QStringLiteral("/none"));
         EXPECT_EQ(f.CurDir(), QStringLiteral("/"));
     },
     FtpExtendedError, "550"},
    {"NameWithLineBreakIsNeverSent",
     [](McWinFTPTest* t, McWinFTP& f) {
         auto* p = static_cast<McWinFTPFailure*>(t);
         TestFtp::writeFile(p->home(QStringLiteral("keep")), "k");
         p->connect();
         EXPECT_FALSE(f.DeleteFile(QStringLiteral("x\r\nDELE keep")));
         EXPECT_TRUE(QFile::exists(p->home(QStringLiteral("keep"))));
     },
     FtpInvalidName, nullptr},
    {"Cancelled",
     [](McWinFTPTest* t, McWinFTP& f) {
         auto* p = static_cast<McWinFTPFailure*>(t);
         TestFtp::writeFile(p->home(QStringLiteral("f")), "f");
         p->connect();
         f.cancel();
         EXPECT_FALSE(f.GetFile(QStringLiteral("f"), p->local(QStringLiteral("f")), false, 2));
         EXPECT_FALSE(QFile::exists(p->local(QStringLiteral("f"))));
     },
     FtpCancelled, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cases, McWinFTPFailure, ::testing::ValuesIn(failureCases),
                         [](const auto& info) { return std::string(info.param.name); });

/// A download the server breaks off in the middle leaves the old file and no partial one.
class McWinFTPBrokenDownload : public McWinFTPTest, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(McWinFTPBrokenDownload, KeepsTheOldFile)
{
    TestFtp::writeFile(home(QStringLiteral("Vello.lzh")), QByteArray(512 * 1024, 'n'));
    s_server->sabotage(m_user, QString::fromLatin1(GetParam()), QStringLiteral("Vello.lzh"));
    TestFtp::writeFile(local(QStringLiteral("Vello.lzh")), "old archive");
    m_ftp.setTimeouts(5000, 2500); // libcurl may wait up to a second before it opens a data connection
    connect();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(m_ftp.GetFile(QStringLiteral("Vello.lzh"), local(QStringLiteral("Vello.lzh")), false, 0));
    EXPECT_LT(clock.elapsed(), 10000);
    ASSERT_EQ(m_errors.entries.size(), 1);
    if (QByteArray(GetParam()) == "stall") {
        EXPECT_EQ(m_errors.entries[0].first, FtpTimeout);
    }
    EXPECT_EQ(TestFtp::readFile(local(QStringLiteral("Vello.lzh"))), QByteArray("old archive"));
    EXPECT_EQ(QDir(local(QString())).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Vello.lzh")});
}

INSTANTIATE_TEST_SUITE_P(Kinds, McWinFTPBrokenDownload, ::testing::Values("abort", "stall"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(McWinFTPTest, ReadOnlyLocalFolderRefusesTheDownload)
{
    TestFtp::writeFile(home(QStringLiteral("f.txt")), "f");
    const QString folder = local(QStringLiteral("ro"));
    QDir().mkpath(folder);
    ASSERT_EQ(::chmod(QFile::encodeName(m_local.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const int result = TestUser::runAsNobody([&] {
        McWinFTP ftp;
        ErrorLog errors;
        errors.attach(ftp);
        configure(ftp, m_user, TestFtp::password());
        ftp.OpenSession();
        if (ftp.hFTP() == 0)
            return 1;
        if (ftp.GetFile(QStringLiteral("f.txt"), folder + QStringLiteral("/f.txt"), false, 2))
            return 2;
        if (errors.entries.size() != 1 || errors.entries[0].first != FtpAccessDenied)
            return 3;
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty() ? 0
                                                                                                        : 4;
    });
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_EQ(result, 0);
}

TEST(McWinFTPText, FallsBackWhenThereIsNoText)
{
    EXPECT_EQ(ftpErrorText(FtpExtendedError, QString()), QStringLiteral("エラーが発生しています。"));
    EXPECT_EQ(ftpErrorText(99999, QString()), QStringLiteral("エラーが発生しています。"));
    EXPECT_EQ(ftpErrorText(FtpExtendedError, QStringLiteral("550 No.")), QStringLiteral("550 No."));
    EXPECT_EQ(ftpErrorText(FtpExtendedError, QString(400, u'x')).size(), 255);
}

/// A server that offers TLS is used over TLS, with its certificate checked.
class McWinFTPTls : public TestFtp::ServerSuite<true>
{
protected:
    void open(McWinFTP& ftp, const QString& caFile)
    {
        ftp.setRemoteHost(QStringLiteral("127.0.0.1"));
        ftp.setRemotePort(s_server->port());
        ftp.setUser(QStringLiteral("tls"));
        ftp.setPassword(TestFtp::password());
        ftp.setPassiveFlag(true);
        ftp.setCaFile(caFile);
        ftp.OpenSession();
    }
};

TEST_F(McWinFTPTls, VerifiedServerCarriesLoginListingAndTransfer)
{
    ASSERT_TRUE(s_started) << qPrintable(s_server->error());
    TestFtp::writeFile(s_server->home(QStringLiteral("tls")) + QStringLiteral("/s.txt"), "secure");
    QTemporaryDir local;
    McWinFTP ftp;
    ErrorLog errors;
    errors.attach(ftp);
    // The server refuses anything in plain, so success means the connection was encrypted.
    open(ftp, s_server->caFile());
    ASSERT_NE(ftp.hFTP(), 0u);
    EXPECT_EQ(namesOf(listAll(ftp, QString())), QStringList{QStringLiteral("s.txt")});
    ASSERT_TRUE(ftp.GetFile(QStringLiteral("s.txt"), local.filePath(QStringLiteral("s.txt")), false, 2));
    EXPECT_EQ(TestFtp::readFile(local.filePath(QStringLiteral("s.txt"))), QByteArray("secure"));
    EXPECT_TRUE(errors.entries.isEmpty());
}

TEST_F(McWinFTPTls, UnknownCertificateIsAFailedConnection)
{
    ASSERT_TRUE(s_started) << qPrintable(s_server->error());
    McWinFTP ftp;
    ErrorLog errors;
    errors.attach(ftp);
    open(ftp, QString()); // the system's store does not know the test CA
    EXPECT_EQ(ftp.hFTP(), 0u);
    ASSERT_EQ(errors.entries.size(), 1);
    EXPECT_EQ(errors.entries[0].first, FtpCertificateRejected);
}

} // namespace
