// The update check's pure parts: listing lines, wire names, version numbers, dial-up state, server settings.
#include "DialUp.h"
#include "FtpListing.h"
#include "FtpTestServer.h"
#include "NativePath.h"
#include "NetworkText.h"
#include "UpdateServer.h"
#include "VersionNumber.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>

#include <cstdlib>

using namespace vello;

namespace {

const QDate kToday(2024, 6, 15);

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone::utc());
}

struct ListLineCase
{
    const char* line;
    bool parsed;
    const char* name;
    quint64 size;
    bool directory;
    QDateTime date;
};

class ListLine : public ::testing::TestWithParam<ListLineCase>
{
};

TEST_P(ListLine, Parses)
{
    const ListLineCase& c = GetParam();
    const std::optional<FtpListEntry> entry = parseListLine(QByteArray(c.line), kToday);
    ASSERT_EQ(entry.has_value(), c.parsed) << c.line;
    if (!c.parsed)
        return;
    EXPECT_EQ(entry->name, QString::fromUtf8(c.name));
    EXPECT_EQ(entry->size, c.size);
    EXPECT_EQ(entry->directory, c.directory);
    EXPECT_EQ(entry->date, c.date);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ListLine,
    ::testing::Values(
        ListLineCase{"-rw-r--r--   1 owner    group  5000000000 Jun 01 13:04 big.bin", true, "big.bin",
                     5000000000ULL, false, utc(2024, 6, 1, 13, 4)},
        // A month later than today (plus a day) belongs to last year.
        ListLineCase{"-rw-r--r--   1 owner    group        12 Dec 24 23:59 xmas", true, "xmas", 12, false,
                     utc(2023, 12, 24, 23, 59)},
        ListLineCase{"drwxr-xr-x   2 owner    group      4096 Feb 03  2020 folder", true, "folder", 4096,
                     true, utc(2020, 2, 3)},
        ListLineCase{"-rw-r--r-- 1 owner 7 Jan 02  2001 no group", true, "no group", 7, false,
                     utc(2001, 1, 2)},
        ListLineCase{"-rw-r--r--   1 o g 1 Mar 04 05:06  leading and trailing ", true,
                     " leading and trailing ", 1, false, utc(2024, 3, 4, 5, 6)},
        ListLineCase{"lrwxrwxrwx   1 o g 4 Mar 04 05:06 link -> target", true, "link", 4, false,
                     utc(2024, 3, 4, 5, 6)},
        ListLineCase{"-rw-r--r--   1 o g 3 Mar 04 05:06 日本語 ファイル.txt", true, "日本語 ファイル.txt", 3,
                     false, utc(2024, 3, 4, 5, 6)},
        ListLineCase{"12-08-23  01:04PM       <DIR>          Dos Folder", true, "Dos Folder", 0, true,
                     utc(2023, 12, 8, 13, 4)},
        ListLineCase{"01-02-99  12:30AM             3000000000 old.rm", true, "old.rm", 3000000000ULL, false,
                     utc(1999, 1, 2, 0, 30)},
        ListLineCase{"total 12", false, "", 0, false, {}}, ListLineCase{"", false, "", 0, false, {}},
        ListLineCase{"drwxr-xr-x   2 o g 4096 Feb 03  2020 .", false, "", 0, false, {}},
        ListLineCase{"drwxr-xr-x   2 o g 4096 Feb 03  2020 ..", false, "", 0, false, {}},
        ListLineCase{"garbage that is no listing", false, "", 0, false, {}},
        ListLineCase{
            "-rw-r--r--   1 o g 99999999999999999999999 Feb 03  2020 overflow", false, "", 0, false, {}}));

TEST(ListLineBytes, NamesThatAreNotUtf8ComeBackAsTheSameBytes)
{
    const QByteArray raw("-rw-r--r--   1 o g 1 Feb 03  2020 \x83\x65\x83\x58\x83\x67 \xff.txt");
    const std::optional<FtpListEntry> entry = parseListLine(raw, kToday);
    ASSERT_TRUE(entry);
    EXPECT_EQ(toNativePath(entry->name), QByteArray("\x83\x65\x83\x58\x83\x67 \xff.txt"));
}

TEST(NetworkTextLineEnds, SameResultWhereverTheBlocksSplit)
{
    const QByteArray wire("a\r\nb\r\r\nlone\rcr\r\n\nend\r");
    const QByteArray local("a\nb\r\nlone\rcr\n\nend\r");
    for (qsizetype first = 0; first <= wire.size(); ++first) {
        for (qsizetype second = first; second <= wire.size(); ++second) {
            NetworkText text;
            QByteArray out = text.fromNetwork(QByteArrayView(wire).first(first));
            out += text.fromNetwork(QByteArrayView(wire).sliced(first, second - first));
            out += text.fromNetwork(QByteArrayView(wire).sliced(second));
            out += text.finish();
            ASSERT_EQ(out, local) << first << " " << second;
        }
    }
    const QByteArray plain("x\ny\r\nz\n");
    for (qsizetype split = 0; split <= plain.size(); ++split) {
        NetworkText text;
        QByteArray out = text.toNetwork(QByteArrayView(plain).first(split));
        out += text.toNetwork(QByteArrayView(plain).sliced(split));
        ASSERT_EQ(out, QByteArray("x\r\ny\r\nz\r\n")) << split;
    }
}

TEST(Pattern, MatchesLikeTheFindCalls)
{
    struct Row
    {
        const char* name;
        const char* pattern;
        bool match;
    };
    const Row rows[] = {{"a.txt", "*.*", true},   {"noext", "*.*", true},          {"noext", "", true},
                        {"a.txt", "*.txt", true}, {"a.TXT", "*.txt", false},       {"ab.txt", "?.txt", false},
                        {"a.txt", "?.txt", true}, {"abcabd", "*abd", true},        {"abcab", "*abd", false},
                        {"x", "x*", true},        {"vpver.ini", "vpver.ini", true}};
    for (const Row& row : rows)
        EXPECT_EQ(matchesPattern(QString::fromUtf8(row.name), QString::fromUtf8(row.pattern)), row.match)
            << row.name << " ~ " << row.pattern;
}

TEST(Version, LocalNumberWritesMinorAndRevisionAsDigits)
{
    EXPECT_EQ(VersionNumber::local(1, 2, 5).toString(), QStringLiteral("1.25"));
    EXPECT_EQ(VersionNumber::local(1, 10, 0).toString(), QStringLiteral("1.1"));
    EXPECT_EQ(VersionNumber::local(1, 10, 0), *VersionNumber::parse(QStringLiteral("1.1")));
    EXPECT_EQ(VersionNumber::local(1, 0, 0), *VersionNumber::parse(QStringLiteral("1")));
}

TEST(Version, ComparesAsDecimals)
{
    struct Row
    {
        const char* a;
        const char* b;
        int order;
    };
    const Row rows[] = {{"1.25", "1.3", -1},
                        {"1.100", "1.1", 0},
                        {"1.05", "1.5", -1},
                        {"2", "1.99", 1},
                        {"10.0", "9.9", 1},
                        {"-1", "0", -1},
                        {"-1.5", "-1.2", -1},
                        {"0.1", ".1", 0},
                        {"007", "7.000", 0},
                        {"-0", "0", 0},
                        {"1.0000000000000000001", "1", 1}};
    for (const Row& row : rows) {
        const auto a = VersionNumber::parse(QString::fromUtf8(row.a));
        const auto b = VersionNumber::parse(QString::fromUtf8(row.b));
        ASSERT_TRUE(a && b) << row.a << " " << row.b;
        EXPECT_EQ(VersionNumber::compare(*a, *b), row.order) << row.a << " vs " << row.b;
        EXPECT_EQ(VersionNumber::compare(*b, *a), -row.order) << row.b << " vs " << row.a;
    }
}

TEST(Version, AFirstLineThatIsNoNumberReadsZero)
{
    const VersionNumber zero = *VersionNumber::parse(QStringLiteral("0"));
    for (const char* line : {"", "abc", "1,25", "1.2.3", "v1.3", "1.3a", ".", "-", "+"})
        EXPECT_EQ(VersionNumber::latest(QString::fromUtf8(line)), zero) << line;
    EXPECT_EQ(VersionNumber::latest(QString(40, u'9')), zero);
    EXPECT_EQ(VersionNumber::latest(QStringLiteral(" 1.30 ")).toString(), QStringLiteral("1.3"));
}

TEST(Version, FirstLineOfTheVersionFile)
{
    EXPECT_EQ(versionFileFirstLine("1.30\r\nnext\r\n"), QStringLiteral("1.30"));
    EXPECT_EQ(versionFileFirstLine("\xEF\xBB\xBF"
                                   "2.0\n"),
              QStringLiteral("2.0"));
    EXPECT_EQ(versionFileFirstLine("  1.5  "), QStringLiteral("1.5"));
    EXPECT_EQ(versionFileFirstLine(""), QString());
    EXPECT_EQ(VersionNumber::latest(versionFileFirstLine(QByteArray("\x00\x01\xfe\xff", 4))),
              *VersionNumber::parse(QStringLiteral("0")));
}

TEST(Version, ArchivePathHasOneSlashBeforeTheName)
{
    EXPECT_EQ(archivePathIn(QStringLiteral("/"), QStringLiteral("Vello.lzh")), QStringLiteral("/Vello.lzh"));
    EXPECT_EQ(archivePathIn(QStringLiteral("/home/u"), QStringLiteral("Vello.lzh")),
              QStringLiteral("/home/u/Vello.lzh"));
    EXPECT_EQ(archivePathIn(QStringLiteral("/home/u/"), QStringLiteral("Vello.lzh")),
              QStringLiteral("/home/u/Vello.lzh"));
}

TEST(DialUp, ActivePointToPointLinksOnly)
{
    QTemporaryDir root;
    const auto addInterface = [&](const char* name, const char* type, const char* flags) {
        TestFtp::writeFile(root.filePath(QString::fromLatin1(name) + QStringLiteral("/type")), type);
        TestFtp::writeFile(root.filePath(QString::fromLatin1(name) + QStringLiteral("/flags")), flags);
    };
    addInterface("lo", "772\n", "0x9\n");
    addInterface("eth0", "1\n", "0x1003\n");
    EXPECT_FALSE(IsDialUpConnected(root.path()));
    addInterface("ppp0", "512\n", "0x1090\n"); // down
    EXPECT_FALSE(IsDialUpConnected(root.path()));
    addInterface("ppp1", "512\n", "0x10d1\n"); // up
    EXPECT_TRUE(IsDialUpConnected(root.path()));
    // When the system cannot tell: connected.
    EXPECT_TRUE(IsDialUpConnected(root.filePath(QStringLiteral("missing"))));
}

TEST(UpdateServerSettings, EnvironmentOverridesTheBuild)
{
    const char* names[] = {"VELLOPLAYER_UPDATE_HOST", "VELLOPLAYER_UPDATE_PORT", "VELLOPLAYER_UPDATE_USER",
                           "VELLOPLAYER_UPDATE_PASSWORD"};
    for (const char* name : names)
        ::unsetenv(name);
    const UpdateServer built = UpdateServer::built();
    EXPECT_FALSE(built.host.isEmpty());
    EXPECT_GE(built.port, 1);
    EXPECT_EQ(UpdateServer::configured().host, built.host);

    ::setenv("VELLOPLAYER_UPDATE_HOST", "ftp.example.net", 1);
    ::setenv("VELLOPLAYER_UPDATE_PORT", "2121", 1);
    ::setenv("VELLOPLAYER_UPDATE_USER", "", 1);
    ::setenv("VELLOPLAYER_UPDATE_PASSWORD", "abcde", 1);
    UpdateServer server = UpdateServer::configured();
    EXPECT_EQ(server.host, QStringLiteral("ftp.example.net"));
    EXPECT_EQ(server.port, 2121);
    EXPECT_EQ(server.user, QString());
    EXPECT_EQ(server.password, QStringLiteral("abcde"));

    for (const char* bad : {"0", "70000", "twenty", ""}) {
        ::setenv("VELLOPLAYER_UPDATE_PORT", bad, 1);
        EXPECT_EQ(UpdateServer::configured().port, built.port) << bad;
    }
    for (const char* name : names)
        ::unsetenv(name);
}

} // namespace
