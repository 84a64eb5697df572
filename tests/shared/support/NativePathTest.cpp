#include "NativePath.h"

#include "ByteTempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace vello;

namespace {

struct RoundTrip
{
    const char* label;
    QByteArray bytes;
};

class NativePathRoundTrip : public ::testing::TestWithParam<RoundTrip>
{
};

TEST_P(NativePathRoundTrip, BytesComeBackUnchanged)
{
    const QByteArray bytes = GetParam().bytes;
    const QString text = fromNativePath(bytes);
    EXPECT_EQ(toNativePath(text), bytes);
    EXPECT_EQ(hasRawBytes(text), QString::fromUtf8(bytes).toUtf8() != bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NativePathRoundTrip,
    ::testing::Values(RoundTrip{"ascii", "/music/ep 2.rm"}, RoundTrip{"utf8", "/音楽/ライブ.rm"},
                      RoundTrip{"sjis", "/tmp/\x83\x89\x83\x43\x83\x75.rm"},
                      RoundTrip{"halfwidth_kana", "/tmp/\xb6\xc0\xb6\xc5.rm"}, RoundTrip{"lone_ff", "\xff"},
                      RoundTrip{"truncated_utf8", "abc\xe3\x81"},
                      RoundTrip{"encoded_surrogate", "\xed\xb2\x80x"}, RoundTrip{"overlong", "\xc0\xaf/x"},
                      RoundTrip{"mixed", "/音楽/\x83\x89/\xe3\x81\x82\xff"}, RoundTrip{"empty", ""}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.label); });

TEST(NativePath, ShowsValidUtf8AsItIsAndLegacyNamesAsCp932PerComponent)
{
    // "ライブ" in Shift-JIS inside a folder whose name is UTF-8.
    const QString path = fromNativePath(QByteArray("/音楽/\x83\x89\x83\x43\x83\x75.rm"));
    EXPECT_TRUE(hasRawBytes(path));
    EXPECT_EQ(displayPath(path), QStringLiteral("/音楽/ライブ.rm"));
    EXPECT_EQ(displayName(fileNameOf(path)), QStringLiteral("ライブ.rm"));
    EXPECT_EQ(displayName(QStringLiteral("普通.rm")), QStringLiteral("普通.rm"));
    // Half-width katakana.
    EXPECT_EQ(displayName(fromNativePath("\xb6\xc0\xb6\xc5")), QStringLiteral("ｶﾀｶﾅ"));
    // Neither UTF-8 nor CP932: replacement characters, never empty.
    EXPECT_TRUE(displayName(fromNativePath("\xff\xfe.rm")).contains(QChar(0xFFFD)));
}

TEST(NativePath, FileSystemHelpersReachFilesWhoseNamesAreNotUtf8)
{
    ByteTempDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray native = QFile::encodeName(dir.path()) + "/\x83\x89\x83\x43\x83\x75.rm";
    const int fd = ::open(native.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const QString path = fromNativePath(native);
    EXPECT_TRUE(pathExists(path));
    EXPECT_TRUE(isRegularFile(path));
    EXPECT_FALSE(isDirectory(path));
    EXPECT_TRUE(isDirectory(folderOf(path)));
    EXPECT_FALSE(pathExists(displayPath(path))); // the shown name is not the file's name
}

TEST(NativePath, SplitsPathsAtTheLastSeparator)
{
    EXPECT_EQ(fileNameOf(QStringLiteral("/a/b.rm")), QStringLiteral("b.rm"));
    EXPECT_EQ(fileNameOf(QStringLiteral("/a/b/")), QStringLiteral("b"));
    EXPECT_EQ(folderOf(QStringLiteral("/a/b.rm")), QStringLiteral("/a"));
    EXPECT_EQ(folderOf(QStringLiteral("/b.rm")), QStringLiteral("/"));
    EXPECT_EQ(folderOf(QStringLiteral("b.rm")), QString());
}

TEST(NativePath, ArgumentsKeepTheirBytes)
{
    const char* argv[] = {"velloplayer", "/tmp/\x83\x89.rm", "plain"};
    const QStringList args = nativeArguments(3, argv);
    ASSERT_EQ(args.size(), 2);
    EXPECT_EQ(toNativePath(args[0]), QByteArray("/tmp/\x83\x89.rm"));
    EXPECT_EQ(args[1], QStringLiteral("plain"));
}

} // namespace
