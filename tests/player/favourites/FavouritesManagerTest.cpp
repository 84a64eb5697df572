// The favourites manager's handlers: folders, renaming, removing, drops and the chooser's filter.
#include "FavouritesManager.h"

#include "FavouritesTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace vello;
using vello::test::ByteFolder;
using vello::test::RecordedMessages;

namespace {

struct ManagerFixture : ::testing::Test
{
    ByteFolder clips;
    ByteFolder data;
    RecordedMessages messages;
    FavouritesStore store{data.path() + "Fa.dat"};
    FavouritesManager manager{store};
    QStringList chooserAnswers; ///< answers of the folder chooser, in order ("" = cancelled)
    int chooserRuns = 0;

    void SetUp() override
    {
        manager.setExtList({"rm", "mpg", "asf"});
        manager.setFolderChooser([this] {
            ++chooserRuns;
            return chooserAnswers.isEmpty() ? QString() : chooserAnswers.takeFirst();
        });
    }

    /// Fa.dat with the given entries (files made in clips), then the window's load.
    void loadWith(const std::vector<std::pair<QByteArray, QString>>& entries)
    {
        QByteArray text;
        for (const auto& [name, folder] : entries) {
            const QString path = clips.makeFile(name);
            text += toNativePath(path) + '|' + folder.toUtf8() + "\r\n";
        }
        ASSERT_TRUE(test::writeNative(toNativePath(store.file()), text));
        manager.load();
    }
    QStringList nodes() const
    {
        QStringList out;
        for (int i = 0; i < manager.nodeCount(); ++i)
            out << manager.nodeText(i);
        return out;
    }
    int nodeNamed(const QString& text) const { return int(nodes().indexOf(text)); }
    QStringList names() const
    {
        QStringList out;
        for (const QString& path : manager.items())
            out << fileNameOf(path);
        return out;
    }
};

} // namespace

TEST_F(ManagerFixture, LoadBuildsTheTreeAndClicksShowFoldersOrStartEditing)
{
    loadWith({{"a.rm", "Music"}, {"b.rm", "Live"}, {"c.rm", "music"}, {"d.rm", "FAVORITES"}});
    EXPECT_EQ(nodes(), (QStringList{"Favorites", "Music", "Live"}));
    EXPECT_FALSE(manager.buttonsEnabled());
    EXPECT_EQ(manager.CurrentFolder(), "");

    EXPECT_EQ(manager.nodeClick(1), FavouritesManager::ClickResult::Shown);
    EXPECT_EQ(names(), (QStringList{"a.rm", "c.rm"})); // one folder whatever the letter case
    EXPECT_TRUE(manager.buttonsEnabled());
    EXPECT_EQ(manager.nodeClick(1), FavouritesManager::ClickResult::StartEdit);
    EXPECT_EQ(names(), (QStringList{"a.rm", "c.rm"}));

    EXPECT_EQ(manager.nodeClick(0), FavouritesManager::ClickResult::Shown);
    EXPECT_EQ(manager.CurrentFolder(), "Favorites");
    EXPECT_TRUE(manager.items().isEmpty());
    EXPECT_FALSE(manager.buttonsEnabled());
    EXPECT_FALSE(manager.beforeLabelEdit(0));
    EXPECT_TRUE(manager.beforeLabelEdit(1));
}

TEST_F(ManagerFixture, EmptyListShowsTheDefaultFolder)
{
    manager.load();
    EXPECT_EQ(nodes(), (QStringList{"Favorites", "ﾌｫﾙﾀﾞ1"}));
}

struct RenameCase
{
    const char* newText;
    const char* message; ///< "" when accepted
};

class RenameTest : public ManagerFixture, public ::testing::WithParamInterface<RenameCase>
{
};

TEST_P(RenameTest, RefusesNamesTakenIgnoringCaseAndNamesALineCannotHold)
{
    loadWith({{"a.rm", "Music"}, {"b.rm", "Live"}});
    manager.nodeClick(1);
    const RenameCase c = GetParam();
    const QString newText = QString::fromUtf8(c.newText);
    const bool accepted = manager.afterLabelEdit(1, newText);
    EXPECT_EQ(accepted, QByteArray(c.message).isEmpty());
    if (accepted) {
        EXPECT_TRUE(messages->shown().isEmpty());
        EXPECT_EQ(manager.nodeText(1), newText);
        EXPECT_EQ(store.list().pathsIn(newText, Qt::CaseSensitive).size(), 1);
        EXPECT_TRUE(store.list().pathsIn("Music", Qt::CaseInsensitive).isEmpty());
    } else {
        ASSERT_EQ(messages->shown().size(), 1);
        EXPECT_EQ(messages->shown().at(0).text, QString::fromUtf8(c.message));
        EXPECT_EQ(messages->shown().at(0).icon, MessageIcon::Warning);
        EXPECT_EQ(manager.nodeText(1), "Music");
        EXPECT_EQ(store.list().pathsIn("Music", Qt::CaseSensitive).size(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, RenameTest,
    ::testing::Values(RenameCase{"Pops", ""}, RenameCase{"ポップス 2", ""},
                      RenameCase{"LIVE", "新規フォルダLIVEは既に存在します"},
                      RenameCase{"FAVORITES", "新規フォルダFAVORITESは既に存在します"},
                      RenameCase{"music", "新規フォルダmusicは既に存在します"},
                      RenameCase{"Music", "新規フォルダMusicは既に存在します"},
                      RenameCase{"a|b", "フォルダ名に「|」は使えません。フォルダ名は変更されませんでした。"},
                      RenameCase{"a\nb", "フォルダ名に改行は使えません。フォルダ名は変更されませんでした。"},
                      RenameCase{"  ", "フォルダ名を入力してください。フォルダ名は変更されませんでした。"}));

TEST_F(ManagerFixture, RenamedFolderKeepsItsFilesAfterSaveAndReload)
{
    loadWith({{"a.rm", "Music"}, {"b.rm", "Live"}, {"c.rm", "Music"}});
    manager.nodeClick(1);
    ASSERT_TRUE(manager.afterLabelEdit(1, "Pops"));
    EXPECT_EQ(manager.CurrentFolder(), "Pops");
    manager.unload();
    manager.load();
    EXPECT_EQ(nodes(), (QStringList{"Favorites", "Pops", "Live"}));
    manager.nodeClick(1);
    EXPECT_EQ(names(), (QStringList{"a.rm", "c.rm"}));
}

TEST_F(ManagerFixture, NewFolderWithoutFilesLeavesNoTrace)
{
    loadWith({{"a.rm", "Music"}});
    const int node = manager.newFolder();
    EXPECT_EQ(manager.nodeText(node), "新規ﾌｫﾙﾀﾞ");
    EXPECT_EQ(manager.selectedNode(), node);
    ASSERT_TRUE(manager.afterLabelEdit(node, "Empty"));
    manager.unload();
    manager.load();
    EXPECT_EQ(nodes(), (QStringList{"Favorites", "Music"}));
}

TEST_F(ManagerFixture, DeleteFolderAsksNoKeepsYesRemovesEveryEntry)
{
    loadWith({{"a.rm", "Music"}, {"b.rm", "Live"}, {"c.rm", "MUSIC"}});
    manager.nodeClick(1);
    messages->queueAnswer(MessageAnswer::No);
    EXPECT_FALSE(manager.deleteFolder());
    ASSERT_EQ(messages->shown().size(), 1);
    EXPECT_EQ(messages->shown().at(0).text,
              "Musicを削除してもよろしいですか？\r登録してあるファイルもお気に入りから削除されます");
    EXPECT_EQ(messages->shown().at(0).buttons, MessageButtons::YesNo);
    EXPECT_EQ(store.list().count(), 3);

    messages->queueAnswer(MessageAnswer::Yes);
    EXPECT_TRUE(manager.deleteFolder());
    EXPECT_EQ(nodes(), (QStringList{"Favorites", "Live"}));
    EXPECT_EQ(store.list().count(), 1);
    EXPECT_TRUE(manager.items().isEmpty());
    EXPECT_FALSE(manager.buttonsEnabled());
}

// Selecting items 2 and 5 removes exactly those; an item whose entry has gone meanwhile does not stop the
// removal of the others.
TEST_F(ManagerFixture, RemovesExactlyTheSelectedItems)
{
    loadWith({{"1.rm", "F"}, {"2.rm", "F"}, {"3.rm", "F"}, {"4.rm", "F"}, {"5.rm", "F"}, {"6.rm", "F"}});
    manager.nodeClick(1);
    EXPECT_EQ(manager.removeFiles({1, 4}), 2);
    EXPECT_EQ(names(), (QStringList{"1.rm", "3.rm", "4.rm", "6.rm"}));
    EXPECT_EQ(store.list().count(), 4);

    store.list().remove(FaList::keyOf(manager.items().at(1), "F")); // 3.rm's entry is gone
    EXPECT_EQ(manager.removeFiles({0, 1, 3}), 2);
    EXPECT_EQ(names(), (QStringList{"4.rm"}));
    EXPECT_EQ(store.list().count(), 1);
    EXPECT_TRUE(messages->shown().isEmpty());
}

TEST_F(ManagerFixture, DropsAddMediaFilesOnlyWhateverTheirLetterCase)
{
    loadWith({{"a.rm", "Music"}});
    manager.nodeClick(1);
    const QString upper = clips.makeFile("LOUD.RM");
    const QString text = clips.makeFile("notes.txt");
    const QString odd = clips.makeFile("blank 'quote' \xFF.mpg");
    const QString folder = clips.path() + "folder.rm";
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString existing = manager.items().at(0);
    EXPECT_EQ(manager.dropFiles({upper, text, folder, odd, existing}), 2);
    EXPECT_EQ(names(), (QStringList{"a.rm", "LOUD.RM", fileNameOf(odd)}));
    EXPECT_EQ(store.list().count(), 3);
    EXPECT_EQ(chooserRuns, 0);
    EXPECT_TRUE(messages->shown().isEmpty());
}

TEST_F(ManagerFixture, FilesArrivingOnTheRootAskForAFolderFirst)
{
    loadWith({{"a.rm", "Music"}});
    manager.nodeClick(0);
    const QString b = clips.makeFile("b.rm");
    chooserAnswers << "";
    EXPECT_EQ(manager.dropFiles({b}), 0);
    EXPECT_EQ(chooserRuns, 1);
    EXPECT_EQ(store.list().count(), 1);

    chooserAnswers << "MUSIC"; // an existing folder in another letter case: that folder is shown
    EXPECT_EQ(manager.dropFiles({b}), 1);
    EXPECT_EQ(manager.nodeText(manager.selectedNode()), "Music");
    EXPECT_EQ(names(), (QStringList{"a.rm", "b.rm"}));

    manager.nodeClick(0);
    chooserAnswers << "Live"; // a new name becomes a folder node with the files in it
    const QString c = clips.makeFile("c.mpg");
    EXPECT_EQ(manager.addFiles({c}), 1);
    EXPECT_EQ(nodes(), (QStringList{"Favorites", "Music", "Live"}));
    EXPECT_EQ(manager.selectedNode(), 2);
    EXPECT_EQ(names(), (QStringList{"c.mpg"}));
}

TEST_F(ManagerFixture, ChosenFilesWithBlanksAndLineBreaks)
{
    loadWith({{"a.rm", "Music"}});
    manager.nodeClick(1);
    const QString one = clips.makeFile("one two.rm");
    const QString three = clips.makeFile("three  four.asf");
    const QString broken = clips.makeFile("line\nbreak.rm");
    EXPECT_EQ(manager.addFiles({one, three, broken}), 2);
    EXPECT_EQ(names(), (QStringList{"a.rm", "one two.rm", "three  four.asf"}));
    ASSERT_EQ(messages->shown().size(), 1);
    EXPECT_TRUE(messages->shown().at(0).text.contains("改行"));
    EXPECT_EQ(manager.addFiles({one}), 0); // already there: not added, not shown twice
    EXPECT_EQ(manager.items().size(), 3);
}

TEST(FavouritesManagerStatics, ChooserFilterAndSelectAll)
{
    EXPECT_EQ(FavouritesManager::chooserFilter("rm;mpg;asf", {"rm", "mpg", "asf"}),
              "rm;mpg;asf|*.rm;*.mpg;*.asf|rm|*.rm|mpg|*.mpg|asf|*.asf");
    FavouritesStore store("/nonexistent/Fa.dat");
    FavouritesManager manager(store);
    // With the focus elsewhere each Ctrl+A alternately deselects and selects, starting with deselecting.
    EXPECT_FALSE(manager.toggleSelectAll());
    EXPECT_TRUE(manager.toggleSelectAll());
    EXPECT_FALSE(manager.toggleSelectAll());
    EXPECT_TRUE(manager.toggleSelectAll());
}

TEST(FavouritesManagerStatics, UriListsGiveLocalPathsAsBytes)
{
    const QByteArray list = "# comment\r\n"
                            "file:///home/u/a%20b.rm\r\n"
                            "file://localhost/home/u/%83%89%83C%83u.rm\r\n"
                            "file://otherhost/x.rm\r\n"
                            "http://example.com/y.rm\r\n"
                            "file:///home/u/new%0Aline.rm\r\n"
                            "file:/home/u/short.rm";
    EXPECT_EQ(pathsFromUriList(list),
              (QStringList{"/home/u/a b.rm", fromNativePath("/home/u/" + test::cp932Live() + ".rm"),
                           "/home/u/new\nline.rm", "/home/u/short.rm"}));
}
