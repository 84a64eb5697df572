#include "FileBrowser.h"

#include "BasicRandom.h"
#include "MessageService.h"
#include "RealMediaTitle.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <fcntl.h>
#include <unistd.h>

using namespace vello;
using namespace vello::test;

namespace {

QStringList names(const FileList& list)
{
    QStringList out;
    for (int i = 1; i <= list.count(); ++i)
        out << list.name(i);
    return out;
}

class FileBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.path() + u'/';
        m_browser.setFolderSource([this] { return m_folder; });
        m_browser.setTreeRefresher([this] { ++m_treeRefreshes; });
        m_browser.setDeleteSettleMs(0);
    }

    QString path(const QString& name) const { return m_folder + name; }
    void make(const QString& name, const QByteArray& bytes = QByteArray(10, 'x'))
    {
        ASSERT_TRUE(writeFile(path(name), bytes)) << name.toStdString();
    }
    void makeFive()
    {
        for (const char* n : {"1.rm", "2.rm", "3.rm", "4.rm", "5.rm"})
            make(n);
        m_browser.FillFileList();
        ASSERT_EQ(m_browser.list().count(), 5);
    }
    static QString trashed(const QString& name)
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/" + name;
    }

    QTemporaryDir m_dir;
    QString m_folder;
    FileBrowser m_browser;
    RecordingMessageService m_messages;
    ScopedMessageService m_scope{&m_messages};
    int m_treeRefreshes = 0;
};

} // namespace

TEST_F(FileBrowserTest, FillsMatchingFilesWithAllColumns)
{
    make("song.rm", fileWithChunkAt(20, contChunk("Live 2000")) + QByteArray(1500, 'z'));
    make("clip.mpg", QByteArray(1024, 'm'));
    make("tiny.asf", QByteArray(1023, 'a'));
    make("song.mp3");
    make("README");
    ASSERT_TRUE(QDir(m_folder).mkdir("folder.rm"));

    m_browser.FillFileList();
    const FileList& list = m_browser.list();
    EXPECT_EQ(names(list), (QStringList{"clip.mpg", "song.rm", "tiny.asf"}));
    EXPECT_EQ(list.selectedIndex(), 1);
    EXPECT_EQ(list.item(2).title, "Live 2000");
    EXPECT_EQ(list.item(1).title, noTitleText());
    EXPECT_EQ(list.item(1).sizeText, "1KB");
    EXPECT_EQ(list.item(3).sizeText, "0KB");
    EXPECT_EQ(list.item(2).sizeText, "1KB");
    EXPECT_FALSE(list.item(1).dateText.isEmpty());
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(list.isPlayable(i));
}

TEST_F(FileBrowserTest, ColumnsSwitchedOffAreNotGathered)
{
    make("a.rm", fileWithChunkAt(1, contChunk("Title")));
    BrowserSettings settings;
    settings.fileTitle = false;
    settings.fileDateTime = false;
    settings.fileSize = false;
    m_browser.setSettings(settings);
    m_browser.FillFileList();
    ASSERT_EQ(m_browser.list().count(), 1);
    const FileListItem& item = m_browser.list().item(1);
    EXPECT_TRUE(item.title.isEmpty());
    EXPECT_TRUE(item.dateText.isEmpty());
    EXPECT_TRUE(item.sizeText.isEmpty());

    settings.fileTitle = true;
    m_browser.setSettings(settings);
    m_browser.FillFileList();
    EXPECT_EQ(m_browser.list().item(1).title, "Title");
    EXPECT_TRUE(m_browser.list().item(1).sizeText.isEmpty());
}

TEST_F(FileBrowserTest, MissingOrEmptyFolderGivesEmptyList)
{
    m_browser.FillFileList();
    EXPECT_EQ(m_browser.list().count(), 0);
    EXPECT_EQ(m_browser.list().selectedIndex(), 0);
    m_folder = m_dir.path() + "/gone/";
    m_browser.FillFileList();
    EXPECT_EQ(m_browser.list().count(), 0);
}

TEST(FileBrowserStatic, SizeText)
{
    EXPECT_EQ(FileBrowser::sizeText("0"), "0KB");
    EXPECT_EQ(FileBrowser::sizeText("1023"), "0KB");
    EXPECT_EQ(FileBrowser::sizeText("1024"), "1KB");
    EXPECT_EQ(FileBrowser::sizeText("1500"), "1KB");
    EXPECT_EQ(FileBrowser::sizeText("5368709120"), "5242880KB"); // 5 GiB: beyond 32 bits
    EXPECT_EQ(FileBrowser::sizeText(""), "");
    EXPECT_EQ(FileBrowser::sizeText("12a"), "");
}

struct ExtCase
{
    const char* name;
    QStringList extensions;
    bool expected;
};

class ChkExt : public ::testing::TestWithParam<ExtCase>
{
};

TEST_P(ChkExt, ComparesTheTextAfterTheLastDotExactly)
{
    EXPECT_EQ(FileBrowser::chkExt(GetParam().name, GetParam().extensions), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, ChkExt,
                         ::testing::Values(ExtCase{"song.rm", {"rm", "mpg"}, true},
                                           ExtCase{"song.RM", {"rm", "mpg"}, false},
                                           ExtCase{"README", {"README"}, true},
                                           ExtCase{"README", {"rm"}, false},
                                           ExtCase{"a.b.mpg", {"rm", "mpg"}, true},
                                           ExtCase{"trailing.", {""}, true}, ExtCase{"x.rm", {}, false}));

TEST_F(FileBrowserTest, SelectRandomItemDrawsUniformlyFromTheProgramGenerator)
{
    makeFive();
    BasicRandom expected;
    BasicRandom::instance().reset();
    QSet<int> seen;
    for (int i = 0; i < 200; ++i) {
        m_browser.SelectRandomItem();
        const int want = static_cast<int>(std::floor(expected.next() * 5)) + 1;
        ASSERT_EQ(m_browser.list().selectedIndex(), want);
        seen.insert(want);
    }
    EXPECT_EQ(seen.size(), 5); // the last item is reachable too

    m_folder = m_dir.path() + "/none/";
    m_browser.FillFileList();
    m_browser.SelectRandomItem(); // empty list: nothing selected, no failure
    EXPECT_EQ(m_browser.list().selectedIndex(), 0);
}

TEST_F(FileBrowserTest, SortClicksAcrossRefills)
{
    make("b.rm", QByteArray(999 * 1024, 'b'));
    make("a.rm", QByteArray(1024 * 1024, 'a'));
    make("c.rm", QByteArray(2048, 'c'));

    // First click ever on size: descending (flag 0 -> 1).
    m_browser.columnClick(4);
    EXPECT_EQ(m_browser.sizeOrderFlag(), 1);
    m_browser.FillFileList();
    m_browser.columnClick(4); // flag 1 -> 0: ascending
    EXPECT_EQ(names(m_browser.list()), (QStringList{"c.rm", "b.rm", "a.rm"}));
    m_browser.columnClick(4); // descending; 1024KB sorts after 999KB numerically
    EXPECT_EQ(names(m_browser.list()), (QStringList{"a.rm", "b.rm", "c.rm"}));
    m_browser.FileChange(); // a size sort is a one-off: refill comes in listing order
    EXPECT_EQ(names(m_browser.list()), (QStringList{"a.rm", "b.rm", "c.rm"}));
    EXPECT_EQ(m_treeRefreshes, 1);

    // Name column: the own sort flips order per click and stays on for refills.
    m_browser.columnClick(1);
    EXPECT_TRUE(m_browser.list().sorting());
    EXPECT_EQ(m_browser.list().sortOrder(), SortOrder::Descending);
    EXPECT_EQ(names(m_browser.list()), (QStringList{"c.rm", "b.rm", "a.rm"}));
    m_browser.FileChange();
    EXPECT_EQ(names(m_browser.list()), (QStringList{"c.rm", "b.rm", "a.rm"}));
    EXPECT_EQ(m_browser.list().selectedIndex(), 1);
    m_browser.columnClick(1);
    EXPECT_EQ(names(m_browser.list()), (QStringList{"a.rm", "b.rm", "c.rm"}));

    // Name then size: the shared flag decides the size order.
    const int flagBefore = m_browser.sizeOrderFlag();
    m_browser.columnClick(4);
    EXPECT_NE(m_browser.sizeOrderFlag(), flagBefore);
    EXPECT_FALSE(m_browser.list().sorting());
}

TEST_F(FileBrowserTest, SizeSortWithTheSizeColumnOffDoesNotFail)
{
    makeFive();
    BrowserSettings settings;
    settings.fileSize = false;
    m_browser.setSettings(settings);
    m_browser.FillFileList();
    m_browser.columnClick(4);
    EXPECT_EQ(m_browser.list().count(), 5);
}

TEST_F(FileBrowserTest, MarkToggleAndRefillResetsIt)
{
    makeFive();
    m_browser.list().select(2);
    m_browser.popChange_Click();
    EXPECT_FALSE(m_browser.list().isPlayable(2));
    m_browser.popChange_Click();
    EXPECT_TRUE(m_browser.list().isPlayable(2));
    m_browser.popChange_Click();
    m_browser.FillFileList();
    EXPECT_TRUE(m_browser.list().isPlayable(2));
    m_browser.list().select(0);
    m_browser.popChange_Click(); // nothing selected: nothing happens
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(m_browser.list().isPlayable(i));
    EXPECT_EQ(FileBrowser::markCaptionFor(true), "再生不可にする(&C)         Ctrl+C");
    EXPECT_EQ(FileBrowser::markCaptionFor(false), "再生可能にする(&C)         Ctrl+C");
}

struct DeleteCase
{
    const char* label;
    int sendRecycle;
    int position;
    int expectedSelection;
};

class DeleteTest : public FileBrowserTest, public ::testing::WithParamInterface<DeleteCase>
{
};

TEST_P(DeleteTest, DeletesAfterAskingAndReselects)
{
    const DeleteCase& c = GetParam();
    makeFive();
    BrowserSettings settings;
    settings.sendRecycle = c.sendRecycle;
    m_browser.setSettings(settings);
    m_browser.list().select(c.position);
    const QString name = m_browser.list().selectedName();
    const QString full = path(name);
    QFile::remove(trashed(name));

    m_messages.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Deleted);
    ASSERT_EQ(m_messages.shown().size(), 1);
    const Message& question = m_messages.shown().first();
    EXPECT_EQ(question.text, full + "を削除してもよろしいですか？");
    EXPECT_EQ(question.icon, MessageIcon::Question);
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    EXPECT_EQ(question.defaultAnswer, MessageAnswer::No);

    EXPECT_FALSE(QFile::exists(full));
    EXPECT_EQ(QFile::exists(trashed(name)), c.sendRecycle == 0);
    EXPECT_EQ(m_browser.list().count(), 4);
    EXPECT_EQ(m_browser.list().selectedIndex(), c.expectedSelection);
    EXPECT_EQ(m_treeRefreshes, 1);
}

INSTANTIATE_TEST_SUITE_P(Positions, DeleteTest,
                         ::testing::Values(DeleteCase{"TrashLast", 0, 5, 4},
                                           DeleteCase{"TrashSecond", 0, 2, 2},
                                           DeleteCase{"PermanentLast", 1, 5, 4},
                                           DeleteCase{"PermanentFirst", 1, 1, 1}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(FileBrowserTest, DeleteDeclinedOrProtectedLeavesEverything)
{
    makeFive();
    m_browser.list().select(3);
    m_messages.queueAnswer(MessageAnswer::No);
    EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Declined);
    EXPECT_TRUE(QFile::exists(path("3.rm")));

    m_messages.clear();
    EXPECT_EQ(m_browser.DeleteSelectedFile(path("3.rm")), FileBrowser::DeleteResult::Playing);
    ASSERT_EQ(m_messages.shown().size(), 1);
    EXPECT_EQ(m_messages.shown().first().text, "再生中のファイルは削除できません");
    EXPECT_EQ(m_messages.shown().first().icon, MessageIcon::Critical);
    EXPECT_TRUE(QFile::exists(path("3.rm")));

    // Exact comparison: another spelling is not the playing file, so the question is asked (and declined).
    m_messages.clear();
    EXPECT_EQ(m_browser.DeleteSelectedFile(path("3.RM")), FileBrowser::DeleteResult::Declined);

    m_browser.setFavouritesMode(true);
    EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::FavouritesMode);
    m_browser.setFavouritesMode(false);
    m_browser.list().select(0);
    EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::NothingSelected);
    EXPECT_EQ(m_browser.list().count(), 5);
}

TEST_F(FileBrowserTest, DeletingTheOnlyFileLeavesAnEmptyList)
{
    make("only.rm");
    m_browser.FillFileList();
    m_messages.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Deleted);
    EXPECT_EQ(m_browser.list().count(), 0);
    EXPECT_EQ(m_browser.list().selectedIndex(), 0);
}

TEST_F(FileBrowserTest, FileVanishedBeforeDeletionReportsFailure)
{
    makeFive();
    m_browser.list().select(2);
    ASSERT_TRUE(QFile::remove(path("2.rm")));
    for (int recycle : {0, 1}) {
        BrowserSettings settings;
        settings.sendRecycle = recycle;
        m_browser.setSettings(settings);
        m_messages.clear();
        m_messages.queueAnswer(MessageAnswer::Yes);
        EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Failed);
        ASSERT_EQ(m_messages.shown().size(), 2);
        // A failed move to the trash adds the reason on a second line.
        EXPECT_EQ(m_messages.shown().at(1).text.split(u'\n').first(), "ファイルの削除が出来ませんでした。");
        EXPECT_EQ(m_messages.shown().at(1).icon, MessageIcon::Critical);
    }
    EXPECT_EQ(m_browser.list().count(), 5); // not refreshed
}

TEST_F(FileBrowserTest, FavouritesModeUsesItemTextAsPathAndRefreshesFavourites)
{
    int favouriteRefreshes = 0;
    m_browser.setFavouritesRefresher([&] { ++favouriteRefreshes; });
    m_browser.setFavouritesMode(true);
    m_browser.list().setItems({FileListItem{"/elsewhere/x.rm", {}, {}, {}, true}});
    m_browser.list().select(1);
    EXPECT_EQ(m_browser.selectedFullPath(), "/elsewhere/x.rm");
    m_browser.FileChange();
    EXPECT_EQ(favouriteRefreshes, 1);
    EXPECT_EQ(m_treeRefreshes, 0);
    EXPECT_FALSE(m_browser.mayRename(QString()));
}

TEST_F(FileBrowserTest, RenameMovesWithinTheFolder)
{
    make("song.rm");
    m_browser.FillFileList();
    EXPECT_TRUE(m_browser.mayRename(QString()));
    EXPECT_TRUE(m_browser.renameItem(1, "live.rm"));
    EXPECT_FALSE(QFile::exists(path("song.rm")));
    EXPECT_TRUE(QFile::exists(path("live.rm")));
    EXPECT_EQ(m_browser.list().name(1), "live.rm");
    EXPECT_TRUE(m_messages.shown().isEmpty());
}

TEST_F(FileBrowserTest, RenameOntoAnExistingFileIsRefusedWithTheSystemText)
{
    make("song.rm", "song");
    make("live.rm", "live");
    m_browser.FillFileList();
    const int index = names(m_browser.list()).indexOf("song.rm") + 1;
    EXPECT_FALSE(m_browser.renameItem(index, "live.rm"));
    ASSERT_EQ(m_messages.shown().size(), 1);
    EXPECT_EQ(m_messages.shown().first().text, "同じ名前のファイルが既に存在します。");
    EXPECT_EQ(m_messages.shown().first().icon, MessageIcon::Critical);
    QFile live(path("live.rm"));
    ASSERT_TRUE(live.open(QIODevice::ReadOnly));
    EXPECT_EQ(live.readAll(), "live");
    EXPECT_TRUE(QFile::exists(path("song.rm")));
    EXPECT_EQ(m_browser.list().name(index), "song.rm");
}

struct RefusedName
{
    const char* label;
    QString text;
    bool messageShown;
};

class RefusedRename : public FileBrowserTest, public ::testing::WithParamInterface<RefusedName>
{
};

TEST_P(RefusedRename, KeepsTheFileWhereItIs)
{
    ASSERT_TRUE(QDir(m_folder).mkdir("sub"));
    make("song.rm");
    m_browser.FillFileList();
    EXPECT_FALSE(m_browser.renameItem(1, GetParam().text));
    EXPECT_TRUE(QFile::exists(path("song.rm")));
    EXPECT_EQ(QDir(m_folder + "sub").entryList(QDir::Files).size(), 0);
    EXPECT_EQ(m_browser.list().name(1), "song.rm");
    EXPECT_EQ(!m_messages.shown().isEmpty(), GetParam().messageShown);
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedRename,
                         ::testing::Values(RefusedName{"Cancelled", QString(), false},
                                           RefusedName{"Unchanged", "song.rm", false},
                                           RefusedName{"Empty", "", true}, RefusedName{"Blanks", "   ", true},
                                           RefusedName{"IntoSubfolder", "sub/song.rm", true},
                                           RefusedName{"Up", "../song.rm", true},
                                           RefusedName{"Dot", ".", true}, RefusedName{"DotDot", "..", true},
                                           RefusedName{"Nul", QString("a") + QChar(0) + "b.rm", true},
                                           RefusedName{"TooLong", QString(300, u'x') + ".rm", true}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(FileBrowserTest, RenamingThePlayingFileIsRefused)
{
    make("song.rm");
    m_browser.FillFileList();
    EXPECT_FALSE(m_browser.mayRename(path("song.rm")));
    ASSERT_EQ(m_messages.shown().size(), 1);
    EXPECT_EQ(m_messages.shown().first().text, "再生中のファイルの名前の変更はできません");
}

class AwkwardName : public FileBrowserTest, public ::testing::WithParamInterface<QString>
{
};

TEST_P(AwkwardName, ListsTitlesRenamesAndDeletes)
{
    const QString name = GetParam();
    make(name, fileWithChunkAt(3, contChunk("T")));
    m_browser.FillFileList();
    ASSERT_EQ(m_browser.list().count(), 1);
    EXPECT_EQ(m_browser.list().name(1), name);
    EXPECT_EQ(m_browser.list().title(1), "T");

    const QString renamed = "renamed " + name;
    if (renamed.toUtf8().size() < 255) {
        EXPECT_TRUE(m_browser.renameItem(1, renamed));
        EXPECT_TRUE(QFile::exists(path(renamed)));
    }
    BrowserSettings settings;
    settings.sendRecycle = 1;
    m_browser.setSettings(settings);
    m_messages.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Deleted);
    EXPECT_EQ(m_browser.list().count(), 0);
    EXPECT_TRUE(QDir(m_folder).entryList(QDir::Files).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Names, AwkwardName,
                         ::testing::Values(QString("with blanks .rm"), QString("quote\"s'.rm"),
                                           QString("$HOME;rm.rm"), QString("new\nline.rm"),
                                           QString("日本語のファイル.rm"), QString(240, u'l') + ".rm",
                                           QString("-dash.rm")));

TEST_F(FileBrowserTest, NameWithInvalidUtf8BytesIsReachedWithoutTouchingOtherFiles)
{
    make("good.rm");
    const QByteArray raw = QFile::encodeName(m_folder) + QByteArray("bad\xff\xfe name.rm");
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "CONT\0\0\0\0\0\0\0\0T\0", 14), 14);
    ::close(fd);
    m_browser.FillFileList();
    ASSERT_EQ(m_browser.list().count(), 2);
    for (int i = 1; i <= 2; ++i) {
        m_browser.list().select(i);
        m_messages.queueAnswer(MessageAnswer::No);
        EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Declined);
    }
    const int bad = m_browser.list().name(1) == "good.rm" ? 2 : 1;
    // The name keeps its bytes: the title is read and the deletion removes that file only.
    EXPECT_EQ(m_browser.list().title(bad), "T");
    EXPECT_EQ(m_browser.list().shownName(bad), QStringLiteral("bad\uFFFD\uFFFD name.rm"));
    BrowserSettings settings;
    settings.sendRecycle = 1;
    m_browser.setSettings(settings);
    m_browser.list().select(bad);
    m_messages.clear();
    m_messages.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(m_browser.DeleteSelectedFile(QString()), FileBrowser::DeleteResult::Deleted);
    EXPECT_NE(::access(raw.constData(), F_OK), 0);
    EXPECT_TRUE(QFile::exists(path("good.rm")));
}
