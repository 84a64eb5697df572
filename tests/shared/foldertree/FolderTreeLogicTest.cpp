#include "FolderTreeLogic.h"

#include "FolderPathLabel.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QTemporaryDir>

#include <unistd.h>

using namespace vello;

namespace {

/// R/Music/Live/deep/, R/Music/Studio/, R/files/a.txt, R/with blank/, R/.hidden/, R/loop -> R, R/dangling.
class FolderFixture
{
public:
    FolderFixture()
    {
        root = dir.path();
        QDir d(root);
        d.mkpath("Music/Live/deep");
        d.mkpath("Music/Studio");
        d.mkpath("files");
        d.mkpath("with blank");
        d.mkpath(".hidden");
        QFile f(root + "/files/a.txt");
        f.open(QIODevice::WriteOnly);
        QFile::link(root, root + "/loop");
        QFile::link(root + "/nowhere", root + "/dangling");
    }
    QTemporaryDir dir;
    QString root;
};

struct TruePathCase
{
    const char* label;
    const char* input; // "R" stands for the fixture's root
    const char* expected;
};

class GetTruePathTest : public ::testing::TestWithParam<TruePathCase>
{
};

QString expand(const char* text, const QString& root)
{
    return QString::fromUtf8(text).replace("R", root);
}

} // namespace

TEST_P(GetTruePathTest, GivesTheStoredSpellingOfTheDeepestExistingFolder)
{
    FolderFixture fx;
    EXPECT_EQ(FolderTreeLogic::GetTruePath(expand(GetParam().input, fx.root)),
              expand(GetParam().expected, fx.root));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GetTruePathTest,
    ::testing::Values(TruePathCase{"WrongCase", "R/music/LIVE", "R/Music/Live/"},
                      TruePathCase{"TrailingSlashKept", "R/Music/Live/", "R/Music/Live/"},
                      TruePathCase{"VanishedTail", "R/Music/Live/gone/more/", "R/Music/Live/"},
                      TruePathCase{"Blanks", "  R/with blank  ", "R/with blank/"},
                      TruePathCase{"DotsResolved", "R/Music/./Live/../Studio", "R/Music/Studio/"},
                      TruePathCase{"FileCutsBack", "R/files/a.txt", "R/files/"},
                      TruePathCase{"DoubleSlashes", "R//Music//Live", "R/Music/Live/"},
                      TruePathCase{"SymlinkLoop", "R/loop/loop/loop/loop/Music",
                                   "R/loop/loop/loop/loop/Music/"},
                      TruePathCase{"DanglingLink", "R/dangling/x", "R/"},
                      TruePathCase{"HiddenFolder", "R/.HIDDEN", "R/.hidden/"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(GetTruePath, RootEmptyAndRelative)
{
    EXPECT_EQ(FolderTreeLogic::GetTruePath(""), "/");
    EXPECT_EQ(FolderTreeLogic::GetTruePath("   "), "/");
    EXPECT_EQ(FolderTreeLogic::GetTruePath("/"), "/");
    EXPECT_EQ(FolderTreeLogic::GetTruePath("/.."), "/");
    FolderFixture fx;
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(fx.root + "/Music"));
    EXPECT_EQ(FolderTreeLogic::GetTruePath("live"), fx.root + "/Music/Live/");
    QDir::setCurrent(saved);
}

TEST(ListSubfolders, FoldersOnlyHiddenAndLinkedIncluded)
{
    FolderFixture fx;
    QStringList names = FolderTreeLogic::listSubfolders(fx.root);
    names.sort();
    EXPECT_EQ(names, (QStringList{".hidden", "Music", "files", "loop", "with blank"}));
    EXPECT_TRUE(FolderTreeLogic::listSubfolders(fx.root + "/missing").isEmpty());
    EXPECT_TRUE(FolderTreeLogic::hasSubfolder(fx.root + "/Music/"));
    EXPECT_FALSE(FolderTreeLogic::hasSubfolder(fx.root + "/files/")); // files only
    EXPECT_FALSE(FolderTreeLogic::hasSubfolder(fx.root + "/Music/Studio"));
    EXPECT_FALSE(FolderTreeLogic::hasSubfolder(fx.root + "/missing"));
}

TEST(ProbeFolder, ReportsMissingAndUnreadableFolders)
{
    if (Unprivileged::rerunAsNobody())
        return;
    FolderFixture fx;
    EXPECT_FALSE(FolderTreeLogic::probe(fx.root).has_value());
    const auto missing = FolderTreeLogic::probe(fx.root + "/missing/");
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->messageText(), "パスが見つかりません。: &H4C");
    QDir(fx.root).mkdir("closed");
    QFile::setPermissions(fx.root + "/closed", QFileDevice::Permissions());
    const auto closed = FolderTreeLogic::probe(fx.root + "/closed/");
    ASSERT_TRUE(closed.has_value());
    EXPECT_EQ(closed->messageText(), "アクセスが拒否されました。: &H46");
    QFile::setPermissions(fx.root + "/closed",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(FolderNames, SortIgnoresCaseFirst)
{
    QStringList names{"beta", "Alpha", "alpha", "Gamma", "_x"};
    std::sort(names.begin(), names.end(), &FolderTreeLogic::folderNameLess);
    EXPECT_EQ(names, (QStringList{"_x", "Alpha", "alpha", "beta", "Gamma"}));
    EXPECT_EQ(FolderTreeLogic::placeholderText(), "\\\\DUMMY\\\\");
    EXPECT_EQ(FolderTreeLogic::placeholderText().size(), 9);
}

TEST(Drives, RootComesFirstAndEveryVolumeHasAName)
{
    const QList<DriveEntry> drives = FolderTreeLogic::mountedDrives();
    ASSERT_FALSE(drives.isEmpty());
    EXPECT_EQ(drives.first().root, "/");
    for (const DriveEntry& d : drives) {
        EXPECT_TRUE(d.root.endsWith('/'));
        EXPECT_FALSE(d.displayName.isEmpty());
    }
    for (qsizetype i = 2; i < drives.size(); ++i)
        EXPECT_LT(drives[i - 1].root, drives[i].root);
}

struct TrimCase
{
    const char* input;
    const char* expected;
};

class TrimPathForDisplayTest : public ::testing::TestWithParam<TrimCase>
{
};

TEST_P(TrimPathForDisplayTest, DropsTheTrailingSlashExceptForTheRoot)
{
    EXPECT_EQ(FolderTreeLogic::TrimPathForDisplay(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, TrimPathForDisplayTest,
                         ::testing::Values(TrimCase{"/", "/"}, TrimCase{"/Music/", "/Music"},
                                           TrimCase{"  /a/b c/  ", "/a/b c"}, TrimCase{"/Music", "/Music"},
                                           TrimCase{"", ""}));

TEST(FolderPathLabel, ShortensTheMiddleOfThePathAndKeepsTheLastFolderName)
{
    const QFontMetrics metrics(QFont{});
    const QString path = "/home/user/very/long/folder/names/that/do/not/fit/Live 2000 Tokyo";
    // Room for the last name and a few characters of the start: the whole last name stays.
    const QString shown =
        FolderPathLabel::elidePath(path, metrics, metrics.horizontalAdvance("/home/u…/Live 2000 Tokyo"));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("\u2026/Live 2000 Tokyo"))) << qPrintable(shown);
    EXPECT_TRUE(shown.startsWith("/home")) << qPrintable(shown);
    EXPECT_LE(metrics.horizontalAdvance(shown), metrics.horizontalAdvance("/home/u…/Live 2000 Tokyo"));
    // Too narrow for the whole last name: its beginning stays.
    const QString narrow = FolderPathLabel::elidePath(path, metrics, metrics.horizontalAdvance("…/Live 20"));
    EXPECT_TRUE(narrow.startsWith(QStringLiteral("\u2026/Li"))) << qPrintable(narrow);
    EXPECT_EQ(FolderPathLabel::elidePath("/", metrics, 200), "/");
    EXPECT_EQ(FolderPathLabel::elidePath(path, metrics, 100000), path);

    FolderPathLabel label;
    label.resize(2000, 20);
    label.setPath("/Music/Live/");
    EXPECT_EQ(label.text(), "/Music/Live");
    EXPECT_EQ(label.fullText(), "/Music/Live");
}
