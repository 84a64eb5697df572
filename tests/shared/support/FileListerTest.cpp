#include "FileLister.h"

#include "ByteTempDir.h"
#include "LegacyNames.h"
#include "NativePath.h"
#include "NaturalOrder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

using vello::FileLister;

namespace {

void touch(const QString& path, int bytes = 0)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(QByteArray(bytes, 'x'));
}

QStringList names(const FileLister& l)
{
    QStringList out;
    for (int i = 1; i <= l.count(); ++i)
        out << l.name(i);
    return out;
}

} // namespace

TEST(NaturalOrder, NumbersByValueLettersWithoutCase)
{
    QStringList in = {"ep10.rm", "Ep2.rm", "ep1.rm", "EP02.rm", "b.rm", "a.rm", "A.rm", "ep2.rm"};
    std::sort(in.begin(), in.end(), vello::naturalLess);
    EXPECT_EQ(in, QStringList({"A.rm", "a.rm", "b.rm", "ep1.rm", "Ep2.rm", "ep2.rm", "EP02.rm", "ep10.rm"}));
    EXPECT_LT(vello::naturalCompare("track9", "track10"), 0);
    EXPECT_LT(vello::naturalCompare("x99999999999999999999999", "x100000000000000000000000"), 0);
    EXPECT_EQ(vello::naturalCompare("same", "same"), 0);
}

TEST(FileLister, ListsMatchingFilesInNaturalOrderWithDateAndSize)
{
    ByteTempDir dir;
    touch(dir.filePath("ep10.rm"), 1500);
    touch(dir.filePath("ep2.RM"), 10);
    touch(dir.filePath("song.mp3"));
    touch(dir.filePath("clip.mpg"));
    touch(dir.filePath("README"));
    QDir(dir.path()).mkdir("folder.rm");
    FileLister l;
    l.setExtensions({"rm", "mpg", "asf"});
    l.setOption(0);
    l.setFolder(dir.path() + "/");
    EXPECT_EQ(names(l), QStringList({"clip.mpg", "ep2.RM", "ep10.rm"}));
    EXPECT_EQ(l.size(3), "1500");
    EXPECT_EQ(l.fullPath(3), dir.path() + "/ep10.rm");
    EXPECT_EQ(l.date(3).size(), 19); // yyyy/MM/dd HH:mm:ss
    EXPECT_EQ(l.name(0), QString());
    EXPECT_EQ(l.name(4), QString());
}

TEST(FileLister, OddNamesAreListedWhole)
{
    ByteTempDir dir;
    const QStringList odd = {"with blank.rm", "quote\"s.rm",   "dollar$HOME.rm",          "semi;colon.rm",
                             "new\nline.rm",  "日本語の曲.rm", QString(200, u'x') + ".rm"};
    for (const QString& n : odd)
        touch(dir.filePath(n));
    FileLister l;
    l.setExtensions({"rm"});
    l.setFolder(dir.path());
    QStringList got = names(l);
    QStringList want = odd;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
}

TEST(FileLister, MissingFolderAndEmptyFilterEntry)
{
    FileLister l;
    l.setExtensions({"rm"});
    l.setFolder("/nonexistent/folder/");
    EXPECT_EQ(l.count(), 0);

    ByteTempDir dir;
    touch(dir.filePath("README"));
    touch(dir.filePath("a.rm"));
    l.setExtensions({"rm", ""});
    l.setFolder(dir.path());
    EXPECT_EQ(names(l), QStringList({"a.rm", "README"}));
}

TEST(FileLister, LegacyNamesKeepTheirBytesAndSortByTheirShownText)
{
    ByteTempDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/";
    // "ア.rm" and "イ.mpg" in CP932 between UTF-8 names: by bytes the CP932 names would come last.
    const QList<QByteArray> onDisk = {"\x83\x41.rm", QStringLiteral("ウ.rm").toUtf8(), "\x83\x43.mpg",
                                      QStringLiteral("ン.asf").toUtf8(), LegacyNames::undecodable().bytes};
    for (const QByteArray& name : onDisk)
        ASSERT_TRUE(LegacyNames::writeBytes(folder + name, "x"));
    FileLister l;
    l.setExtensions({"rm", "mpg", "asf"});
    l.setFolder(dir.path());
    ASSERT_EQ(l.count(), 5);
    QStringList shown;
    for (int i = 1; i <= l.count(); ++i) {
        shown << l.shownName(i);
        EXPECT_EQ(vello::toNativePath(l.fullPath(i)), folder + vello::toNativePath(l.name(i)));
        EXPECT_TRUE(vello::isRegularFile(l.fullPath(i))) << i;
    }
    EXPECT_EQ(shown, QStringList({"ア.rm", "イ.mpg", "ウ.rm", "ン.asf", LegacyNames::undecodable().shown}));
    EXPECT_EQ(l.name(1), vello::fromNativePath("\x83\x41.rm"));
}
