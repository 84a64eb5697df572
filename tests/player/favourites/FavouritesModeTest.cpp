// The main window's favourites without widgets: listing full paths, the mode switch, adding and removing.
#include "FavouritesMode.h"

#include "FavouritesTestSupport.h"
#include "FileBrowser.h"

#include <gtest/gtest.h>

using namespace vello;
using vello::test::ByteFolder;
using vello::test::RecordedMessages;

namespace {

struct ModeFixture : ::testing::Test
{
    ByteFolder clips;
    ByteFolder data;
    RecordedMessages messages;
    FavouritesStore store{data.path() + "Fa.dat"};
    FileBrowser browser;
    FavouritesMode mode{store, browser};
    QStringList chooserAnswers;
    QList<bool> modeChanges;

    void SetUp() override
    {
        BrowserSettings settings;
        settings.fileTitle = false;
        browser.setSettings(settings);
        browser.setFolderSource([this] { return clips.path(); });
        mode.setFolderChooser(
            [this] { return chooserAnswers.isEmpty() ? QString() : chooserAnswers.takeFirst(); });
        QObject::connect(&mode, &FavouritesMode::modeChanged, [this](bool on) { modeChanges << on; });
    }
    QStringList listed() const
    {
        QStringList out;
        for (int i = 1; i <= browser.list().count(); ++i)
            out << browser.list().name(i);
        return out;
    }
    int node(const QString& text) const
    {
        for (int i = 0; i < mode.nodeCount(); ++i) {
            if (mode.nodeText(i) == text)
                return i;
        }
        return -1;
    }
};

} // namespace

TEST_F(ModeFixture, FolderListsExistingMediaFavouritesAsFullPathsWithColumns)
{
    const QString a = clips.makeFile("a.rm", QByteArray(3000, 'x'));
    const QString upper = clips.makeFile("B.RM");
    const QString odd = clips.makeFile("odd \xFF name.mpg");
    const QString text = clips.makeFile("c.txt");
    const QString other = clips.makeFile("d.asf");
    for (const QString& path : {a, text, clips.path() + "gone.rm", upper, odd})
        store.list().add(fa{"Music", path});
    store.list().add(fa{"music", other});
    store.list().add(fa{"Live", a});
    mode.rebuildNodes();
    EXPECT_EQ(mode.nodeCount(), 3);

    mode.mnuFaOpen_Click();
    EXPECT_TRUE(mode.FaFlg());
    EXPECT_TRUE(browser.favouritesMode());
    EXPECT_TRUE(browser.list().isEmpty()); // empty until a folder is clicked
    mode.treFa_NodeClick(node("Music"));
    EXPECT_EQ(listed(), (QStringList{a, upper, odd, other}));
    EXPECT_EQ(browser.list().item(1).sizeText, "2KB");
    EXPECT_EQ(browser.list().item(1).dateText.size(), 19); // "yyyy/MM/dd HH:mm:ss"
    EXPECT_EQ(browser.fullPathOf(3), odd);                 // played and deleted by its bytes
    EXPECT_TRUE(messages->shown().isEmpty());

    mode.treFa_NodeClick(0);
    EXPECT_TRUE(browser.list().isEmpty());
}

TEST_F(ModeFixture, SwitchingTwiceReturnsToTheFolderWithItsFiles)
{
    clips.makeFile("x.rm");
    clips.makeFile("y.mpg");
    browser.FillFileList();
    const QStringList before = listed();
    ASSERT_EQ(before, (QStringList{"x.rm", "y.mpg"}));
    mode.mnuFaOpen_Click();
    EXPECT_TRUE(mode.viewMenuState().openChecked);
    EXPECT_FALSE(mode.viewMenuState().addEnabled);
    EXPECT_TRUE(mode.viewMenuState().delEnabled);
    mode.mnuFaOpen_Click();
    EXPECT_FALSE(mode.FaFlg());
    EXPECT_EQ(listed(), before);
    EXPECT_EQ(browser.list().selectedIndex(), 1);
    EXPECT_EQ(modeChanges, (QList<bool>{true, false}));
    EXPECT_FALSE(mode.viewMenuState().openChecked);
    EXPECT_TRUE(mode.viewMenuState().addEnabled);
    EXPECT_FALSE(mode.viewMenuState().delEnabled);
}

TEST_F(ModeFixture, AddWithANewNameCreatesTheFolderAndRemoveTakesItOut)
{
    store.LoadFavorites();
    mode.refresh();
    EXPECT_EQ(mode.nodeText(1), "ﾌｫﾙﾀﾞ1");
    clips.makeFile("x.rm");
    clips.makeFile("y y.mpg");
    browser.FillFileList();
    browser.list().select(2);

    chooserAnswers << "";
    EXPECT_FALSE(mode.mnuFaAdd_Click()); // cancelled
    chooserAnswers << "Live";
    EXPECT_TRUE(mode.mnuFaAdd_Click());
    EXPECT_EQ(node("Live"), 1);
    EXPECT_EQ(test::readNative(toNativePath(store.file())),
              toNativePath(clips.path() + "y y.mpg") + "|Live\r\n");
    chooserAnswers << "Live";
    EXPECT_FALSE(mode.mnuFaAdd_Click()); // already there: nothing added, nothing said
    EXPECT_EQ(store.list().count(), 1);

    mode.mnuFaOpen_Click();
    EXPECT_FALSE(mode.mnuFaAdd_Click()); // not in favourites mode
    mode.treFa_NodeClick(1);
    ASSERT_EQ(browser.list().count(), 1);
    browser.list().select(1);
    EXPECT_TRUE(mode.mnuFaDel_Click());
    EXPECT_TRUE(browser.list().isEmpty());
    EXPECT_TRUE(store.list().isEmpty());
    EXPECT_EQ(test::readNative(toNativePath(store.file())), QByteArray());
    EXPECT_TRUE(messages->shown().isEmpty());
}

TEST_F(ModeFixture, RebuildKeepsTheShownFolderListed)
{
    const QString a = clips.makeFile("a.rm");
    const QString b = clips.makeFile("b.rm");
    store.list().add(fa{"Music", a});
    mode.rebuildNodes();
    mode.mnuFaOpen_Click();
    mode.treFa_NodeClick(1);
    store.list().add(fa{"Live", b});
    store.list().add(fa{"Music", b});
    mode.rebuildNodes(); // the manager changed the list
    EXPECT_EQ(mode.selectedNode(), 1);
    EXPECT_EQ(listed(), (QStringList{a, b}));
    browser.FileChange(); // F5 in favourites mode re-lists the folder
    EXPECT_EQ(listed(), (QStringList{a, b}));
}
