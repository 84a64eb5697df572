#include "EditorTestSupport.h"
#include "M_MAIN.h"
#include "NativePath.h"
#include "Trash.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vello;
using namespace vello::editor;

namespace {

class EditorSettingsTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("Config.ini")); }
    void write(const QByteArray& bytes)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

constexpr char kPlayerSections[] = "[Play Mode]\r\nTOPMOST=0\r\nFIXED RATIO=0\r\nMODE=0\r\n"
                                   "; hand-written comment\r\n"
                                   "[File List]\r\nFILE EXT=rm;mpg;asf\r\nSEND RECYCLE=0\r\n"
                                   "[Config]\r\nDEFAULT DIR=1\r\nPICKUP=0\r\n[Slide Timer]\r\nTimer=2\r\n";

} // namespace

TEST_F(EditorSettingsTest, MissingFileGivesTheDefaultsAndCreatesNothing)
{
    const EditorSettings s = M_MAIN::LoadEditorSettings(path(), QStringLiteral("/here"));
    EXPECT_EQ(s, (EditorSettings{"/here", "/here", "/here", "rm;ram;ra", "mpg"}));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(EditorSettingsTest, EmptyOrNulValuesTakeTheirDefaultsOthersAreKeptAsTyped)
{
    write("[VELLOKIT]\nRA_PATH=\nMPG_PATH=/m p g\nOUT_PATH= \nRA_MASK=\nMPG_MASK=mpg;m2v\n");
    const EditorSettings s = M_MAIN::LoadEditorSettings(path(), QStringLiteral("/cwd"));
    EXPECT_EQ(s.RaPath, "/cwd");
    EXPECT_EQ(s.MpgPath, "/m p g");
    EXPECT_EQ(s.OutPath, "/cwd"); // a lone blank is trimmed away by the reader: empty
    EXPECT_EQ(s.RaMask, "rm;ram;ra");
    EXPECT_EQ(s.MpgMask, "mpg;m2v");
    EXPECT_EQ(M_MAIN::LoadEditorSettings(path()).RaPath, M_MAIN::currentFolder());
}

TEST_F(EditorSettingsTest, BrokenSectionsNeverFailTheLoad)
{
    for (const QByteArray& text :
         {QByteArray("[VELLOKIT\nRA_PATH=/x\n"), QByteArray("\xff\xfe\x00garbage\n[VELLOKIT]\nRA_MASK", 24),
          QByteArray("[VELLOKIT]\nRA_MASK=rm\nRA_MASK=mpg\n"), QByteArray(100000, 'x')}) {
        write(text);
        const EditorSettings s = M_MAIN::LoadEditorSettings(path(), QStringLiteral("/c"));
        EXPECT_FALSE(s.RaMask.isEmpty());
        EXPECT_FALSE(s.RaPath.isEmpty());
    }
    write("[VELLOKIT]\nRA_MASK=rm\nRA_MASK=mpg\n");
    EXPECT_EQ(M_MAIN::LoadEditorSettings(path()).RaMask, "rm"); // the first key wins
}

TEST_F(EditorSettingsTest, SaveRoundTripsAndLeavesThePlayerSectionsByteForByte)
{
    write(kPlayerSections);
    const EditorSettings s{"/ra folder/ライブ", "/mpg;$x", "", "rm;", "mpg"};
    ASSERT_TRUE(M_MAIN::SaveEditorSettings(s, path()));
    const QByteArray after = read();
    EXPECT_TRUE(after.startsWith(kPlayerSections)) << after.constData();
    EXPECT_TRUE(after.contains("OUT_PATH=\r\n")); // written, empty
    EXPECT_TRUE(after.indexOf("RA_PATH") < after.indexOf("MPG_PATH"));
    EXPECT_TRUE(after.indexOf("OUT_PATH") < after.indexOf("MPG_MASK"));
    EXPECT_TRUE(after.indexOf("MPG_MASK") < after.indexOf("RA_MASK"));

    const EditorSettings back = M_MAIN::LoadEditorSettings(path(), QStringLiteral("/now"));
    EXPECT_EQ(back.RaPath, s.RaPath);
    EXPECT_EQ(back.MpgPath, s.MpgPath);
    EXPECT_EQ(back.OutPath, "/now"); // an empty output folder means the current folder at the next start
    EXPECT_EQ(M_MAIN::SplitExtensions(back.RaMask), (MaskList{"rm", ""}));
}

TEST_F(EditorSettingsTest, EditorAndPlayerWritingTogetherLoseNoKey)
{
    write(kPlayerSections);
    const QString writer = QStringLiteral(INI_STRESS_WRITER);
    QProcess player;
    player.start(writer, {path(), QStringLiteral("Play Mode"), QStringLiteral("K"), QStringLiteral("60")});
    ASSERT_TRUE(player.waitForStarted());
    int rounds = 0;
    EditorSettings s{"/a", "/b", "/c", "rm", "mpg"};
    while (player.state() != QProcess::NotRunning || rounds < 20) {
        s.RaPath = QStringLiteral("/a%1").arg(rounds++);
        ASSERT_TRUE(M_MAIN::SaveEditorSettings(s, path()));
        player.waitForFinished(0);
    }
    player.waitForFinished(-1);
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);

    const QByteArray text = read();
    EXPECT_TRUE(text.startsWith(QByteArray(kPlayerSections).left(40)));
    for (const char* line : {"FILE EXT=rm;mpg;asf\r\n", "; hand-written comment\r\n", "Timer=2\r\n"})
        EXPECT_TRUE(text.contains(line)) << line;
    for (int i = 0; i < 60; ++i)
        EXPECT_TRUE(text.contains(QStringLiteral("K%1=%2").arg(i).arg(i * 7).toUtf8())) << i;
    EXPECT_EQ(M_MAIN::LoadEditorSettings(path()), s);
}

struct SplitCase
{
    const char* mask;
    QStringList expected;
};

void PrintTo(const SplitCase& c, std::ostream* out)
{
    *out << '"' << c.mask << '"';
}

class SplitExtensionsTest : public ::testing::TestWithParam<SplitCase>
{
};

TEST_P(SplitExtensionsTest, SplitsAtEverySemicolon)
{
    EXPECT_EQ(M_MAIN::SplitExtensions(QString::fromUtf8(GetParam().mask)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, SplitExtensionsTest,
    ::testing::Values(SplitCase{"rm;ram;ra", {"rm", "ram", "ra"}}, SplitCase{"mpg", {"mpg"}},
                      SplitCase{"rm;", {"rm", ""}}, SplitCase{"", {""}}, SplitCase{";", {"", ""}},
                      SplitCase{";;rm", {"", "", "rm"}}, SplitCase{" rm ; mpg", {" rm ", " mpg"}},
                      SplitCase{"mp4;ｍｐｇ", {"mp4", "ｍｐｇ"}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return "mask" + std::to_string(info.index); });

TEST(SplitExtensions, OnlyTheLastElementIsCutAtNul)
{
    const QString mask =
        QStringLiteral("a") + QChar(0) + QStringLiteral("b;c") + QChar(0) + QStringLiteral("d");
    EXPECT_EQ(M_MAIN::SplitExtensions(mask), (QStringList{QStringLiteral("a") + QChar(0) + "b", "c"}));
}

// RecycleFile: the private trash under the test home (XDG_DATA_HOME/Trash).
TEST(RecycleFile, MovesExistingFilesToTheTrashAndIgnoresMissingOnes)
{
    QTemporaryDir dir;
    const QByteArray name = QByteArray("it's a $file;\n") + "\xff" + ".rm";
    const QString path = fromNativePath(QFile::encodeName(dir.path()) + "/" + name);
    {
        const QByteArray native = toNativePath(path);
        FILE* f = std::fopen(native.constData(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("data", f);
        std::fclose(f);
    }
    const QByteArray trash = toNativePath(homeTrashFolder()) + "/files";
    const auto trashCount = [&] {
        int n = 0;
        if (DIR* d = ::opendir(trash.constData())) {
            while (const dirent* e = ::readdir(d))
                n += e->d_name[0] != '.';
            ::closedir(d);
        }
        return n;
    };
    const qsizetype before = trashCount();

    EXPECT_TRUE(M_MAIN::RecycleFile(path));
    struct stat st
    {
    };
    EXPECT_NE(::lstat(toNativePath(path).constData(), &st), 0);
    EXPECT_EQ(trashCount(), before + 1);

    EXPECT_TRUE(M_MAIN::RecycleFile(path)); // gone now: nothing happens
    EXPECT_TRUE(M_MAIN::RecycleFile(QString()));
    EXPECT_EQ(trashCount(), before + 1);
}

TEST(RecycleFile, ASymbolicLinkGoesToTheTrashNotItsTarget)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("target.rm");
    const QString link = dir.filePath("link.rm");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    ASSERT_EQ(::symlink("target.rm", QFile::encodeName(link).constData()), 0);
    EXPECT_TRUE(M_MAIN::RecycleFile(link));
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_FALSE(QFileInfo(link).isSymLink());

    ASSERT_EQ(::symlink("nowhere.rm", QFile::encodeName(link).constData()), 0); // dangling
    EXPECT_TRUE(M_MAIN::RecycleFile(link));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}
