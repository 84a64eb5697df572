#include "cDTree.h"

#include "ByteTempDir.h"
#include "FileLister.h"
#include "LegacyNames.h"
#include "MessageService.h"
#include "NativePath.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>

using namespace vello;

namespace {

QStringList childTexts(const QTreeWidgetItem* node)
{
    QStringList out;
    for (int i = 0; i < node->childCount(); ++i)
        out << node->child(i)->text(0);
    return out;
}

bool hasOnlyPlaceholder(const QTreeWidgetItem* node)
{
    return node->childCount() == 1 && cDTree::isPlaceholder(node->child(0));
}

class cDTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_root = m_dir.path();
        QDir d(m_root);
        d.mkpath("Music/Live/deep/deeper");
        d.mkpath("Music/Studio");
        d.mkpath("Music/alpha");
        d.mkpath("files");
        QFile f(m_root + "/files/a.rm");
        f.open(QIODevice::WriteOnly);
        m_tree.setDriveSource([this] {
            return QList<DriveEntry>{{"/", "System"}, {m_root + "/", "Test volume"}};
        });
    }
    void attach()
    {
        m_tree.setTreeView(&m_view);
        m_tree.setImageList(&m_icons);
    }
    QString key(const QString& relative) const { return m_root + "/" + relative; }

    ByteTempDir m_dir;
    QString m_root;
    QTreeWidget m_view;
    IconStore m_icons;
    cDTree m_tree;
    RecordingMessageService m_messages;
    ScopedMessageService m_scope{&m_messages};
};

} // namespace

TEST_F(cDTreeTest, DrivesAppearWhenBothControlsAreAttached)
{
    m_tree.setTreeView(&m_view);
    EXPECT_EQ(m_view.topLevelItemCount(), 0);
    EXPECT_FALSE(m_tree.setPath(m_root));
    m_tree.setImageList(&m_icons);
    ASSERT_EQ(m_view.topLevelItemCount(), 2);
    EXPECT_EQ(m_view.topLevelItem(0)->text(0), "System");
    EXPECT_EQ(cDTree::keyOf(m_view.topLevelItem(1)), m_root + "/");
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(hasOnlyPlaceholder(m_view.topLevelItem(i))); // no disk access below a drive
    EXPECT_EQ(m_tree.ImageList(), &m_icons);
    EXPECT_EQ(m_icons.count(), 1); // both drives share one icon, stored once
    EXPECT_EQ(m_view.topLevelItem(0)->data(0, cDTree::ClosedIconRole).toString(), m_icons.keys().value(0));
}

TEST_F(cDTreeTest, ManyDrivesAreAllShown)
{
    m_tree.setDriveSource([] {
        QList<DriveEntry> drives;
        for (int i = 0; i < 100; ++i)
            drives.append({QString("/mnt/volume%1/").arg(i, 3, 10, QChar('0')), QString("Volume %1").arg(i)});
        return drives;
    });
    attach();
    EXPECT_EQ(m_view.topLevelItemCount(), 100);
}

TEST_F(cDTreeTest, SettingPathOpensEveryFolderOnTheWayInStoredSpelling)
{
    attach();
    ASSERT_TRUE(m_tree.setPath(m_root + "/music/LIVE"));
    EXPECT_EQ(m_tree.Path(), key("Music/Live/"));
    QTreeWidgetItem* live = m_tree.nodeForKey(key("Music/Live/"));
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(m_view.currentItem(), live);
    EXPECT_TRUE(live->isExpanded());
    EXPECT_EQ(childTexts(live), QStringList{"deep"});
    EXPECT_TRUE(hasOnlyPlaceholder(live->child(0))); // deep holds a folder: expand mark, not read yet

    QTreeWidgetItem* music = m_tree.nodeForKey(key("music/")); // letter case ignored
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(childTexts(music), (QStringList{"alpha", "Live", "Studio"}));
    EXPECT_EQ(music->child(2)->childCount(), 0); // Studio: no subfolders, no expand mark
    QTreeWidgetItem* files = m_tree.nodeForKey(key("files/"));
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->childCount(), 0); // only files inside
    EXPECT_EQ(m_icons.count(), 3);     // one drive icon, closed and open folder icons
    for (const QString& k : m_icons.keys())
        EXPECT_TRUE(k.startsWith("ICON:"));
}

TEST_F(cDTreeTest, VanishedTailIsCutBack)
{
    attach();
    ASSERT_TRUE(m_tree.setPath(key("Music/Live/gone/more")));
    EXPECT_EQ(m_tree.Path(), key("Music/Live/"));
}

TEST_F(cDTreeTest, CollapseDiscardsChildrenAndReopeningReadsAgain)
{
    attach();
    ASSERT_TRUE(m_tree.setPath(key("Music/Live/")));
    QTreeWidgetItem* music = m_tree.nodeForKey(key("Music/"));
    ASSERT_NE(music, nullptr);
    ASSERT_TRUE(QDir(m_root).mkdir("Music/New"));
    m_view.collapseItem(music);
    EXPECT_TRUE(hasOnlyPlaceholder(music));
    EXPECT_EQ(m_tree.nodeForKey(key("Music/Live/")), nullptr);
    EXPECT_EQ(m_view.currentItem(), music);
    m_view.expandItem(music);
    EXPECT_EQ(childTexts(music), (QStringList{"alpha", "Live", "New", "Studio"}));
}

TEST_F(cDTreeTest, ClickRaisesChangeWithTheCanonicalPath)
{
    attach();
    ASSERT_TRUE(m_tree.setPath(key("Music/")));
    QSignalSpy spy(&m_tree, &cDTree::Change);
    m_tree.clickNode(m_tree.nodeForKey(key("Music/Studio/")));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), key("Music/Studio/"));
    EXPECT_EQ(m_tree.Path(), key("Music/Studio/"));
    m_tree.clickNode(m_view.topLevelItem(1)); // a drive
    EXPECT_EQ(m_tree.Path(), m_root + "/");
}

TEST_F(cDTreeTest, ClickOnAVanishedFolderShowsTheErrorAndKeepsPath)
{
    attach();
    ASSERT_TRUE(m_tree.setPath(key("Music/")));
    QTreeWidgetItem* studio = m_tree.nodeForKey(key("Music/Studio/"));
    ASSERT_TRUE(QDir(key("Music/Studio")).removeRecursively());
    QSignalSpy spy(&m_tree, &cDTree::Change);
    m_tree.clickNode(studio);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(m_tree.Path(), key("Music/"));
    ASSERT_EQ(m_messages.shown().size(), 1);
    EXPECT_EQ(m_messages.shown().first().text, "パスが見つかりません。: &H4C");
    EXPECT_EQ(m_messages.shown().first().icon, MessageIcon::Critical);
    EXPECT_TRUE(m_view.isEnabled());
}

TEST_F(cDTreeTest, ExpandingAVanishedFolderShowsTheErrorAndCollapsesIt)
{
    attach();
    ASSERT_TRUE(m_tree.setPath(key("Music/")));
    QTreeWidgetItem* live = m_tree.nodeForKey(key("Music/Live/"));
    ASSERT_TRUE(QDir(key("Music/Live")).removeRecursively());
    m_view.expandItem(live);
    ASSERT_EQ(m_messages.shown().size(), 1);
    EXPECT_FALSE(live->isExpanded());
    EXPECT_TRUE(hasOnlyPlaceholder(live));
    EXPECT_EQ(m_view.currentItem(), m_tree.nodeForKey(key("Music/")));
}

TEST_F(cDTreeTest, RefreshAndF5RebuildAndReopenPath)
{
    attach();
    ASSERT_TRUE(m_tree.setPath(key("Music/Live/deep/")));
    ASSERT_TRUE(QDir(key("Music/Live/deep")).removeRecursively());
    ASSERT_TRUE(QDir(m_root).mkdir("Music/Live/fresh"));
    QTest::keyClick(&m_view, Qt::Key_F5);
    EXPECT_EQ(m_tree.Path(), key("Music/Live/"));
    QTreeWidgetItem* live = m_tree.nodeForKey(key("Music/Live/"));
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(m_view.currentItem(), live);
    EXPECT_EQ(childTexts(live), QStringList{"fresh"});
    // F5 with a modifier does not rebuild.
    QTreeWidgetItem* before = m_tree.nodeForKey(key("Music/"));
    QTest::keyClick(&m_view, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(m_tree.nodeForKey(key("Music/")), before);
}

TEST_F(cDTreeTest, FocusSelectsPathOrReportsThatItCannot)
{
    attach();
    ASSERT_TRUE(m_tree.setPath(key("Music/Live/")));
    m_view.setCurrentItem(m_view.topLevelItem(0));
    QFocusEvent focus(QEvent::FocusIn);
    QCoreApplication::sendEvent(&m_view, &focus);
    EXPECT_EQ(m_view.currentItem(), m_tree.nodeForKey(key("Music/Live/")));

    QSignalSpy failed(&m_tree, &cDTree::focusSelectFailed);
    m_view.collapseItem(m_tree.nodeForKey(key("Music/")));
    QCoreApplication::sendEvent(&m_view, &focus);
    EXPECT_EQ(failed.count(), 1);
}

TEST_F(cDTreeTest, FoldersDifferingOnlyInCaseAreBothShownOnce)
{
    ASSERT_TRUE(QDir(m_root).mkdir("Music/live"));
    attach();
    ASSERT_TRUE(m_tree.setPath(key("Music/")));
    QStringList texts = childTexts(m_tree.nodeForKey(key("Music/")));
    EXPECT_EQ(texts.filter("live", Qt::CaseInsensitive).size(), 2);
    // Reopening adds no duplicates.
    m_view.collapseItem(m_tree.nodeForKey(key("Music/")));
    ASSERT_TRUE(m_tree.setPath(key("Music/live/")));
    texts = childTexts(m_tree.nodeForKey(key("Music/")));
    EXPECT_EQ(texts.filter("live", Qt::CaseInsensitive).size(), 2);
    EXPECT_EQ(m_tree.Path(), key("Music/live/"));
}

TEST_F(cDTreeTest, SymlinkLoopOpensLevelByLevelWithoutHanging)
{
    ASSERT_TRUE(QFile::link(m_root + "/Music", m_root + "/Music/Studio/back"));
    attach();
    QString path = key("Music/Studio/");
    for (int i = 0; i < 12; ++i)
        path += "back/Studio/";
    ASSERT_TRUE(m_tree.setPath(path));
    EXPECT_EQ(m_tree.Path(), path);
    QTreeWidgetItem* node = m_tree.nodeForKey(path);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(childTexts(node), QStringList{"back"});
    EXPECT_TRUE(hasOnlyPlaceholder(node->child(0)));
}

TEST_F(cDTreeTest, AFolderWithThousandsOfSubfoldersOpensCompletely)
{
    QDir big(m_root);
    big.mkdir("big");
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(big.mkdir(QString("big/sub %1").arg(i)));
    attach();
    ASSERT_TRUE(m_tree.setPath(key("big/")));
    QTreeWidgetItem* node = m_tree.nodeForKey(key("big/"));
    ASSERT_EQ(node->childCount(), 1000);
    EXPECT_EQ(m_tree.nodeForKey(key("BIG/SUB 999/")), m_tree.nodeForKey(key("big/sub 999/")));
}

TEST_F(cDTreeTest, UnreadableFolderShowsNoExpandMarkAndAnErrorWhenClicked)
{
    if (Unprivileged::rerunAsNobody())
        return;
    ASSERT_TRUE(QDir(m_root).mkpath("closed/inner"));
    QFile::setPermissions(key("closed"), QFileDevice::Permissions());
    attach();
    ASSERT_TRUE(m_tree.setPath(m_root));
    QTreeWidgetItem* closed = m_tree.nodeForKey(key("closed/"));
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(closed->childCount(), 0);
    m_tree.clickNode(closed);
    EXPECT_EQ(m_messages.shown().size(), 1);
    QFile::setPermissions(key("closed"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(cDTreeTest, AFolderWhoseNameIsNotUtf8OpensAndLists)
{
    const QByteArray root = QFile::encodeName(m_root) + "/";
    const QByteArray folder = root + LegacyNames::folderBytes();
    ASSERT_TRUE(LegacyNames::makeFolderBytes(folder));
    ASSERT_TRUE(LegacyNames::makeFolderBytes(folder + "/" + LegacyNames::folderBytes())); // a subfolder too
    ASSERT_TRUE(LegacyNames::writeBytes(folder + "/" + LegacyNames::japaneseWords().bytes, "x"));
    attach();
    const QString key = fromNativePath(folder) + u'/';

    ASSERT_TRUE(m_tree.setPath(key));
    EXPECT_EQ(m_tree.Path(), key);
    QTreeWidgetItem* node = m_tree.nodeForKey(key);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->text(0), LegacyNames::folderShown());
    EXPECT_EQ(childTexts(node->parent()), QStringList({"files", "Music", LegacyNames::folderShown()}));
    EXPECT_EQ(childTexts(node), QStringList({LegacyNames::folderShown()})); // opened: its own subfolder

    m_tree.setPath(m_root);
    QSignalSpy changes(&m_tree, &cDTree::Change);
    m_tree.clickNode(node);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.first().first().toString(), key);
    EXPECT_TRUE(m_messages.shown().isEmpty());
    FileLister lister;
    lister.setExtensions({"rm"});
    lister.setFolder(m_tree.Path());
    ASSERT_EQ(lister.count(), 1);
    EXPECT_EQ(lister.shownName(1), LegacyNames::japaneseWords().shown);
    EXPECT_EQ(FolderTreeLogic::TrimPathForDisplay(key),
              displayPath(fromNativePath(root)) + LegacyNames::folderShown());
}

TEST_F(cDTreeTest, AQuickBuildShowsTheWayToThePathUntilARefresh)
{
    int volumeLists = 0;
    m_tree.setDriveSource([this, &volumeLists] {
        ++volumeLists;
        return QList<DriveEntry>{{"/", "System"}, {m_root + "/", "Test volume"}};
    });
    m_tree.setQuickBuild(true);
    attach();
    // The root only, without asking for the volumes, and no icons.
    EXPECT_EQ(volumeLists, 0);
    ASSERT_EQ(m_view.topLevelItemCount(), 1);
    EXPECT_EQ(cDTree::keyOf(m_view.topLevelItem(0)), "/");
    EXPECT_EQ(m_icons.count(), 0);
    // The folders on the way to the path and nothing beside them, none read.
    ASSERT_TRUE(m_tree.setPath(key("music/live")));
    EXPECT_EQ(m_tree.Path(), key("Music/Live/"));
    QTreeWidgetItem* music = m_tree.nodeForKey(key("Music/"));
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(childTexts(music), QStringList{"Live"});
    EXPECT_EQ(m_view.currentItem(), m_tree.nodeForKey(key("Music/Live/")));
    EXPECT_TRUE(hasOnlyPlaceholder(m_tree.nodeForKey(key("Music/Live/"))));
    EXPECT_EQ(m_tree.nodeForKey(key("files/")), nullptr);
    EXPECT_EQ(m_icons.count(), 0);
    // A folder the user opens meanwhile is read without looking into its subfolders.
    m_view.collapseItem(music);
    m_view.expandItem(music);
    ASSERT_EQ(childTexts(music), (QStringList{"alpha", "Live", "Studio"}));
    for (int i = 0; i < music->childCount(); ++i)
        EXPECT_TRUE(hasOnlyPlaceholder(music->child(i))) << qPrintable(music->child(i)->text(0));
    QTreeWidgetItem* studio = music->child(2);
    m_view.expandItem(studio);
    EXPECT_EQ(studio->childCount(), 0); // opened: no subfolders, no mark

    // A refresh builds the whole tree: the volumes, icons, and marks only where there are subfolders.
    m_tree.Refresh();
    EXPECT_FALSE(m_tree.quickBuild());
    EXPECT_EQ(volumeLists, 1);
    EXPECT_EQ(m_view.topLevelItemCount(), 2);
    EXPECT_EQ(m_tree.Path(), key("Music/Live/"));
    music = m_tree.nodeForKey(key("Music/"));
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(childTexts(music), (QStringList{"alpha", "Live", "Studio"}));
    EXPECT_EQ(music->child(2)->childCount(), 0);
    EXPECT_EQ(childTexts(music->child(1)), QStringList{"deep"});
    EXPECT_TRUE(hasOnlyPlaceholder(music->child(1)->child(0))); // deep holds a folder
    EXPECT_EQ(m_tree.nodeForKey(key("files/"))->childCount(), 0);
    EXPECT_GT(m_icons.count(), 0);
}
