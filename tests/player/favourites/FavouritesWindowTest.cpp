// Favourites in the main window with its real parts and libmpv (null outputs) on clips made with ffmpeg:
// the mode switch, adding through the folder chooser, playing a favourites folder through, removing, the
// start in favourites mode and the favourites manager from the menu.
#include "EventLoopWait.h"
#include "FavouritesManager.h"
#include "FavouritesTree.h"
#include "LogCapture.h"
#include "MessageService.h"
#include "NativePath.h"
#include "PlayerParts.h"
#include "TestClips.h"
#include "TestHome.h"
#include "TransportBar.h"
#include "frmFa.h"
#include "frmFaFolder.h"
#include "frmMain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

using namespace vello;
using ClipKind = TestClips::ClipKind;

namespace {

constexpr int kTimeoutMs = 20000;

/// Clips made once per process (one second each) in one folder: a.rm, b.mpg and an ASF clip whose name holds
/// a blank, quotes and bytes that are not UTF-8 (CP932 text).
struct Clips
{
    QTemporaryDir root;
    QString folder;
    QString asf;
    bool ok = false;

    Clips()
    {
        folder = QDir(root.path()).canonicalPath() + QStringLiteral("/clips");
        QDir().mkpath(folder);
        ok = !TestClips::makeClip(folder, QStringLiteral("a.rm"), ClipKind::RealMedia, 1.0).isEmpty() &&
             !TestClips::makeClip(folder, QStringLiteral("b.mpg"), ClipKind::Mpeg1, 1.0).isEmpty() &&
             !TestClips::makeClip(folder, QStringLiteral("c.asf"), ClipKind::Asf, 1.0).isEmpty();
        asf = fromNativePath(QByteArray("c\x82\xa0 'x'.asf"));
        ok = ok && ::rename(toNativePath(folder + QStringLiteral("/c.asf")).constData(),
                            toNativePath(folder + u'/' + asf).constData()) == 0;
        folder += u'/';
    }
    // QTemporaryDir cannot remove a name that is not UTF-8.
    ~Clips() { ::unlink(toNativePath(folder + asf).constData()); }
};

Clips& clips()
{
    static Clips made;
    return made;
}

/// Runs action on the modal window that opens next.
void onNextModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

/// Types text into the folder chooser and presses OK.
void answerChooser(const QString& text)
{
    onNextModal([text](QWidget* modal) {
        auto* chooser = qobject_cast<frmFaFolder*>(modal);
        ASSERT_NE(chooser, nullptr);
        QTest::keyClicks(chooser->cboFolder()->lineEdit(), text);
        QTest::keyClick(chooser->cboFolder()->lineEdit(), Qt::Key_Return);
    });
}

class FavouritesWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TestClips::toolsAvailable());
        ASSERT_TRUE(clips().ok);
        ASSERT_TRUE(dir.isValid());
        writeConfig(2);
    }
    void TearDown() override
    {
        parts.reset();
        window.reset();
    }

    void writeConfig(int defaultDir, int playMode = 0, const QString& folder = clips().folder)
    {
        ASSERT_TRUE(
            dir.write(QStringLiteral("Config.ini"), TestHome::playerConfig(folder, playMode, defaultDir)));
    }

    void start()
    {
        window = std::make_unique<frmMain>();
        MpvSession::Options engine;
        engine.videoOutput = QStringLiteral("null");
        engine.audioOutput = QStringLiteral("null");
        parts = std::make_unique<PlayerParts>(*window, engine);
        parts->controller().setVolumeFile(QString());
        ASSERT_EQ(window->Form_Load(), frmMain::StartResult::Running);
        // Shortcuts reach the active window only.
        window->activateWindow();
        ASSERT_TRUE(
            TestWait::waitFor([&] { return QApplication::activeWindow() == window.get(); }, kTimeoutMs));
    }

    FileList& list() { return parts->browser().list(); }
    QStringList listed()
    {
        QStringList out;
        for (int i = 1; i <= list().count(); ++i)
            out << list().name(i);
        return out;
    }
    int indexOf(const QString& name)
    {
        for (int i = 1; i <= list().count(); ++i) {
            if (list().name(i).endsWith(name))
                return i;
        }
        return 0;
    }
    QStringList treeNodes()
    {
        QStringList out;
        QTreeWidgetItem* root = window->treFa()->topLevelItem(0);
        if (!root)
            return out;
        out << root->text(0);
        for (int i = 0; i < root->childCount(); ++i)
            out << root->child(i)->text(0);
        return out;
    }
    void clickNode(const QString& text)
    {
        QTreeWidget* tree = window->treFa();
        const QList<QTreeWidgetItem*> found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        tree->scrollToItem(found.first());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(found.first()).center());
    }
    QByteArray faDat() const
    {
        QFile f(dir.filePath(QStringLiteral("Fa.dat")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool waitForClip(const QString& path)
    {
        return TestWait::waitFor(
            [&] { return parts->controller().CurrentFile() == path && parts->controller().lengthMs() > 0; },
            kTimeoutMs);
    }

    TestHome::ProgramFolder dir;
    RecordingMessageService messages;
    ScopedMessageService installed{&messages};
    std::unique_ptr<frmMain> window;
    std::unique_ptr<PlayerParts> parts;
};

} // namespace

// Ctrl+O twice returns to the folder tree with the same folder's files; a Media Player clip pauses and a
// RealMedia clip stops at each switch, and nothing advances.
TEST_F(FavouritesWindowTest, SwitchingTwiceKeepsTheFolderAndHoldsTheClip)
{
    start();
    EXPECT_FALSE(window->treFa()->isVisibleTo(window.get()));
    EXPECT_EQ(treeNodes(), (QStringList{"Favorites", "ﾌｫﾙﾀﾞ1"})); // built at start from the empty list
    const QStringList folderList = listed();
    ASSERT_EQ(folderList, (QStringList{"a.rm", "b.mpg", clips().asf}));

    list().select(indexOf("b.mpg"));
    parts->controller().PlayCommand();
    ASSERT_TRUE(waitForClip(clips().folder + "b.mpg"));
    QTest::keyClick(window->FILE1(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(parts->browser().favouritesMode());
    EXPECT_TRUE(window->mnuFaOpen()->isChecked());
    EXPECT_TRUE(window->treFa()->isVisibleTo(window.get()));
    EXPECT_FALSE(window->tvwDir()->isVisibleTo(window.get()));
    EXPECT_TRUE(window->lblFa()->isVisibleTo(window.get()));
    EXPECT_TRUE(list().isEmpty());
    EXPECT_FALSE(parts->file1().labelEditAutomatic());
    EXPECT_EQ(window->FILE1()->textElideMode(), Qt::ElideMiddle); // long paths keep their file names in view
    EXPECT_EQ(parts->controller().mediaPlayer().playState(), media::WP::PlayState::Paused);

    QTest::keyClick(window->FILE1(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_FALSE(parts->browser().favouritesMode());
    EXPECT_EQ(listed(), folderList);
    EXPECT_TRUE(window->tvwDir()->isVisibleTo(window.get()));
    EXPECT_TRUE(parts->file1().labelEditAutomatic());
    EXPECT_EQ(parts->controller().mediaPlayer().playState(), media::WP::PlayState::Paused);

    list().select(indexOf("a.rm"));
    parts->controller().PlayCommand(); // resumes the paused clip first
    parts->controller().StopPlayback();
    parts->controller().PlayCommand();
    ASSERT_TRUE(waitForClip(clips().folder + "a.rm"));
    QTest::keyClick(window->FILE1(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(parts->controller().realAudio().playState(), media::RA::PlayState::Stopped);
    TestWait::settle(300);
    EXPECT_EQ(parts->controller().CurrentFile(), clips().folder + "a.rm"); // no advance to b.mpg
    EXPECT_FALSE(parts->controller().mediaPlayer().isOpen());
    EXPECT_TRUE(messages.shown().isEmpty());
}

// The flow: two clips added from the folder tree to a new favourites folder through the chooser,
// favourites mode, the folder clicked, and the two play one after the other unattended.
TEST_F(FavouritesWindowTest, AddedClipsPlayThroughFromTheirNewFolder)
{
    const LogCapture log({"vello.playback", "vello.favourites", "vello.settings"});
    start();
    parts->controller().setVolumeFile(dir.filePath(QStringLiteral("VolumeSize.ini")));
    list().select(indexOf("a.rm"));
    answerChooser("Live");
    window->mnuFaAdd()->trigger();
    EXPECT_EQ(treeNodes(), (QStringList{"Favorites", "Live"}));
    list().select(indexOf(clips().asf));
    answerChooser("Live");
    parts->file1().popFaAdd()->trigger(); // the pop-up menu's entry does the same
    EXPECT_EQ(faDat(), toNativePath(clips().folder) + "a.rm|Live\r\n" + toNativePath(clips().folder) +
                           toNativePath(clips().asf) + "|Live\r\n");

    window->mnuFaOpen()->trigger();
    clickNode("Live");
    EXPECT_EQ(listed(), (QStringList{clips().folder + "a.rm", clips().folder + clips().asf}));
    EXPECT_FALSE(list().item(1).title.isEmpty());
    EXPECT_FALSE(list().item(1).sizeText.isEmpty());
    EXPECT_EQ(list().item(1).dateText.size(), 19);

    QStringList started;
    QObject::connect(&parts->controller(), &PlaybackController::clipStarted,
                     [&](const QString& file) { started << file; });
    bool finished = false;
    QObject::connect(&parts->controller(), &PlaybackController::playbackFinished, [&] { finished = true; });
    list().select(1);
    parts->controller().PlayCommand();
    ASSERT_TRUE(TestWait::waitFor([&] { return finished; }, kTimeoutMs));
    EXPECT_EQ(started, (QStringList{clips().folder + "a.rm", clips().folder + clips().asf}));
    // What a user's log tells of it.
    EXPECT_EQ(log.lines("vello.settings", "settings loaded from").size(), 1);
    EXPECT_FALSE(log.lines("vello.favourites", "favourites loaded from").isEmpty());
    EXPECT_EQ(log.lines("vello.favourites", "added").size(), 2);
    EXPECT_FALSE(log.lines("vello.favourites", "favourites saved to").isEmpty());
    EXPECT_EQ(log.lines("vello.playback", "loads entry").size(), 2);
    EXPECT_EQ(log.lines("vello.playback", "ends").size(), 2);
    EXPECT_EQ(log.lines("vello.playback", "advanced").size(), 1);
    EXPECT_EQ(log.lines("vello.playback", "nothing more to play").size(), 1);
    EXPECT_EQ(log.lines("vello.playback", "no volume stored").size(), 2);
    EXPECT_EQ(log.lines("vello.playback", "kept for").size(), 1);
    // No history entry: favourites are not a folder.
    EXPECT_NE(window->folderHistory()[0], clips().folder);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(FavouritesWindowTest, ViewMenuStatesRemoveAndStartInFavouritesMode)
{
    ASSERT_TRUE(dir.write(QStringLiteral("Fa.dat"), toNativePath(clips().folder) + "a.rm|Live\r\n" +
                                                        toNativePath(clips().folder) + "b.mpg|Live\r\n" +
                                                        toNativePath(clips().folder) +
                                                        toNativePath(clips().asf) + "|Other\r\n"));
    writeConfig(0);
    start();
    // Started in favourites mode: the favourites tree, an empty list until a folder is clicked.
    EXPECT_TRUE(parts->browser().favouritesMode());
    EXPECT_EQ(treeNodes(), (QStringList{"Favorites", "Live", "Other"}));
    EXPECT_TRUE(list().isEmpty());

    emit window->mnuView()->aboutToShow();
    EXPECT_TRUE(window->mnuFaOpen()->isChecked());
    EXPECT_FALSE(window->mnuFaAdd()->isEnabled());
    EXPECT_TRUE(window->mnuFaDel()->isEnabled());

    clickNode("Live");
    ASSERT_EQ(list().count(), 2);
    list().select(1);
    window->mnuFaDel()->trigger(); // no question
    EXPECT_EQ(listed(), QStringList{clips().folder + "b.mpg"});
    EXPECT_EQ(faDat(), toNativePath(clips().folder) + "b.mpg|Live\r\n" + toNativePath(clips().folder) +
                           toNativePath(clips().asf) + "|Other\r\n");
    clickNode("Favorites");
    EXPECT_TRUE(list().isEmpty());

    // F2 and Delete do nothing to favourites; the pop-up offers only the mark and the removal.
    clickNode("Other");
    list().select(1);
    QTest::keyClick(window->FILE1(), Qt::Key_Delete);
    EXPECT_TRUE(pathExists(clips().folder + clips().asf));
    EXPECT_TRUE(messages.shown().isEmpty());

    // A history entry chosen in favourites mode leaves it and opens that folder.
    window->setFolderHistory({clips().folder});
    window->log_Click(1);
    EXPECT_FALSE(parts->browser().favouritesMode());
    EXPECT_TRUE(window->tvwDir()->isVisibleTo(window.get()));
    emit window->mnuView()->aboutToShow();
    EXPECT_FALSE(window->mnuFaOpen()->isChecked());
    EXPECT_TRUE(window->mnuFaAdd()->isEnabled());
    EXPECT_FALSE(window->mnuFaDel()->isEnabled());
    EXPECT_EQ(listed(), (QStringList{"a.rm", "b.mpg", clips().asf}));
}

// Ctrl+S opens the manager; a folder renamed there shows under its new name in the main window's tree.
TEST_F(FavouritesWindowTest, ManagerFromTheMenuRenamesAFolder)
{
    ASSERT_TRUE(dir.write(QStringLiteral("Fa.dat"), toNativePath(clips().folder) + "a.rm|Live\r\n"));
    start();
    bool opened = false;
    onNextModal([&](QWidget* modal) {
        auto* manager = qobject_cast<frmFa*>(modal);
        ASSERT_NE(manager, nullptr);
        opened = true;
        EXPECT_EQ(manager->windowTitle(), "お気に入りの整理");
        manager->manager().nodeClick(1);
        manager->manager().afterLabelEdit(1, "Concerts");
        manager->close();
    });
    QTest::keyClick(window->FILE1(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(opened);
    EXPECT_EQ(treeNodes(), (QStringList{"Favorites", "Concerts"}));
    EXPECT_EQ(faDat(), toNativePath(clips().folder) + "a.rm|Concerts\r\n");
}

// A favourite renamed with F2 in folder mode keeps its favourites entry and its stored volume: it plays from
// favourites mode at that volume after a restart, and nothing asks about a missing favourite.
TEST_F(FavouritesWindowTest, ARenamedFavouriteStaysPlayableWithItsVolumeAcrossARestart)
{
    QTemporaryDir own;
    const QString folder = QDir(own.path()).canonicalPath() + u'/';
    ASSERT_TRUE(QFile::copy(clips().folder + "a.rm", folder + "song.rm"));
    ASSERT_TRUE(dir.write(QStringLiteral("Fa.dat"), toNativePath(folder) + "song.rm|Live\r\n"));
    ASSERT_TRUE(dir.write(QStringLiteral("VolumeSize.ini"),
                          "[VOLUME]\r\n" + toNativePath(folder) + "song.rm=30\r\n"));
    writeConfig(2, 0, folder);
    start();
    parts->controller().setVolumeFile(dir.filePath(QStringLiteral("VolumeSize.ini")));
    ASSERT_EQ(listed(), QStringList{"song.rm"});
    list().select(1);
    QTest::keyClick(window->FILE1(), Qt::Key_F2);
    auto* editor = window->FILE1()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->selectedText(), "song"); // the extension stays out of the typing
    QTest::keyClicks(editor, "live");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits from the event loop
    EXPECT_TRUE(isRegularFile(folder + "live.rm"));
    EXPECT_EQ(faDat(), toNativePath(folder) + "live.rm|Live\r\n");
    EXPECT_EQ(dir.read(QStringLiteral("VolumeSize.ini")),
              "[VOLUME]\r\n" + toNativePath(folder) + "live.rm=30\r\n");
    window->close();

    parts.reset();
    window.reset();
    start();
    parts->controller().setVolumeFile(dir.filePath(QStringLiteral("VolumeSize.ini")));
    window->SetSplitter(9000); // a wide list
    const int folderWidth = window->FILE1()->columnWidth(0);
    window->mnuFaOpen()->trigger();
    clickNode("Live");
    ASSERT_EQ(listed(), QStringList{folder + "live.rm"});
    // The whole path is in view and in the entry's tooltip.
    QTreeWidgetItem* row = window->FILE1()->topLevelItem(0);
    EXPECT_GT(window->FILE1()->columnWidth(0),
              QFontMetrics(window->FILE1()->font()).horizontalAdvance(row->text(0)));
    EXPECT_EQ(row->toolTip(0), folder + "live.rm");
    list().select(1);
    parts->controller().PlayCommand();
    ASSERT_TRUE(waitForClip(folder + "live.rm"));
    EXPECT_EQ(window->transportBar().volume(), 30);
    window->mnuFaOpen()->trigger(); // folder mode gets its own width back
    EXPECT_EQ(window->FILE1()->columnWidth(0), folderWidth);
    EXPECT_TRUE(messages.shown().isEmpty());
}
