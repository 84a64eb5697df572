// The main window with its real parts (folder tree, file list, history, libmpv players with null outputs):
// keys, buttons, folder changes, history, display sizes and the view commands.
#include "ByteTempDir.h"
#include "EventLoopWait.h"
#include "FolderPathLabel.h"
#include "LegacyNames.h"
#include "MessageService.h"
#include "NativePath.h"
#include "PlayerParts.h"
#include "ProgramPaths.h"
#include "ShortcutList.h"
#include "StoredPath.h"
#include "TestClips.h"
#include "TestHome.h"
#include "TransportBar.h"
#include "frmAbout.h"
#include "frmCfg.h"
#include "frmMain.h"
#include "frmPickup.h"
#include "frmSizeChange.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vello;

namespace {

constexpr int kTimeoutMs = 20000;

/// Clips made once per process: folder A holds a.rm, b.mpg, c.asf and a song.mp3 that is never listed;
/// folder B holds one 320 x 240 clip and one 4-second clip.
struct Clips
{
    ByteTempDir root;
    QString folderA;
    QString folderB;
    QString big;
    QString longClip;
    bool ok = false;

    Clips()
    {
        using TestClips::ClipKind;
        folderA = root.filePath(QStringLiteral("A"));
        folderB = root.filePath(QStringLiteral("B"));
        QDir().mkpath(folderA);
        QDir().mkpath(folderB);
        ok = !TestClips::makeClip(folderA, QStringLiteral("a.rm"), ClipKind::RealMedia, 1.0).isEmpty() &&
             !TestClips::makeClip(folderA, QStringLiteral("b.mpg"), ClipKind::Mpeg1, 1.0).isEmpty() &&
             !TestClips::makeClip(folderA, QStringLiteral("c.asf"), ClipKind::Asf, 1.0).isEmpty() &&
             !TestClips::makeNonMediaFile(folderA, QStringLiteral("song.mp3")).isEmpty();
        longClip = TestClips::makeClip(folderB, QStringLiteral("long.mpg"), ClipKind::Mpeg1, 30.0);
        big = TestClips::makeClip(folderB, QStringLiteral("big.mpg"), ClipKind::Mpeg1, 1.0, {},
                                  QSize(320, 240));
        ok = ok && !longClip.isEmpty() && !big.isEmpty();
    }
};

Clips& clips()
{
    static Clips made;
    return made;
}

QString canonical(const QString& folder)
{
    return QDir(folder).canonicalPath() + u'/';
}

class PlayerPartsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!TestClips::toolsAvailable())
            GTEST_SKIP() << "ffmpeg is not available";
        ASSERT_TRUE(clips().ok);
        ASSERT_TRUE(dir.isValid());
        writeConfig(clips().folderA);
    }
    void TearDown() override
    {
        parts.reset();
        window.reset();
    }

    void writeConfig(const QString& startFolder, int playMode = 0)
    {
        ASSERT_TRUE(dir.write(QStringLiteral("Config.ini"), TestHome::playerConfig(startFolder, playMode)));
    }

    /// The window and its parts with null outputs, started.
    void start()
    {
        window = std::make_unique<frmMain>();
        MpvSession::Options engine;
        engine.videoOutput = QStringLiteral("null");
        engine.audioOutput = QStringLiteral("null");
        parts = std::make_unique<PlayerParts>(*window, engine);
        parts->controller().setVolumeFile(QString());
        ASSERT_EQ(window->Form_Load(), frmMain::StartResult::Running);
        window->FILE1()->setFocus();
    }

    FileList& list() { return parts->browser().list(); }
    TransportBar& bar() { return window->transportBar(); }
    QString playing() const { return parts->controller().CurrentFile(); }
    QString nameAt(int index) { return list().item(index).name; }

    /// Waits until the named file of the current folder has opened in the player.
    bool waitForClip(const QString& name)
    {
        return TestWait::waitFor(
            [&] { return playing().endsWith(u'/' + name) && parts->controller().lengthMs() > 0; },
            kTimeoutMs);
    }

    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(window->FILE1(), Qt::Key(k), m);
    }

    TestHome::ProgramFolder dir;
    RecordingMessageService messages;
    ScopedMessageService installed{&messages};
    std::unique_ptr<frmMain> window;
    std::unique_ptr<PlayerParts> parts;
};

} // namespace

TEST_F(PlayerPartsTest, StartUpOpensTheStartFolderInTreeLabelAndList)
{
    start();
    EXPECT_EQ(parts->clsDTree().Path(), canonical(clips().folderA));
    ASSERT_EQ(list().count(), 3); // song.mp3 is not listed
    EXPECT_EQ(list().selectedIndex(), 1);
    EXPECT_EQ(window->FILE1()->topLevelItemCount(), 3);
    EXPECT_EQ(window->folderLabel()->fullText(), canonical(clips().folderA).chopped(1));
    EXPECT_TRUE(messages.shown().isEmpty());
    // Nothing stored: every shown column is wide enough for its texts.
    const QFontMetrics metrics(window->FILE1()->font());
    for (int column : {0, 1, 2, 3}) {
        for (int row = 0; row < window->FILE1()->topLevelItemCount(); ++row) {
            const QString text = window->FILE1()->topLevelItem(row)->text(column);
            EXPECT_GT(window->FILE1()->columnWidth(column), metrics.horizontalAdvance(text))
                << column << " " << qPrintable(text);
        }
    }
}

TEST_F(PlayerPartsTest, WithNothingStoredTheStartShowsTheHomeFolder)
{
    QByteArray config = dir.read(QStringLiteral("Config.ini"));
    ASSERT_TRUE(dir.write(QStringLiteral("Config.ini"), config.replace("DEFAULT DIR=2", "DEFAULT DIR=1")));
    start();
    const QString home = canonical(QDir::homePath());
    EXPECT_EQ(parts->clsDTree().Path(), home);
    EXPECT_EQ(window->folderLabel()->fullText(), home.chopped(1));
    EXPECT_EQ(window->log(5)->text(), home);
}

TEST_F(PlayerPartsTest, PlayNextPreviousAndStopKeysReachThePlayerFromTheFileList)
{
    start();
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(nameAt(1)));
    EXPECT_TRUE(window->windowTitle().contains(playing()));
    EXPECT_TRUE(window->FILE1()->hasFocus() || !window->isActiveWindow());

    key(Qt::Key_2, Qt::KeypadModifier); // keypad 2: next
    ASSERT_TRUE(waitForClip(nameAt(2)));
    key(Qt::Key_B); // previous
    ASSERT_TRUE(waitForClip(nameAt(1)));
    key(Qt::Key_N, Qt::ControlModifier); // Ctrl+N as N
    ASSERT_TRUE(waitForClip(nameAt(2)));
    key(Qt::Key_8, Qt::KeypadModifier); // keypad 8: previous
    ASSERT_TRUE(waitForClip(nameAt(1)));
    key(Qt::Key_5); // the main keyboard's 5 is no command
    key(Qt::Key_F12);
    EXPECT_TRUE(playing().isEmpty());
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(PlayerPartsTest, HeldSeekKeysMoveTheSliderAndPlayOnWhenReleased)
{
    writeConfig(clips().folderB);
    start();
    const int row = nameAt(1) == QStringLiteral("long.mpg") ? 1 : 2;
    list().select(row);
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(QStringLiteral("long.mpg")));
    PositionTracker& tracker = parts->tracker();
    ASSERT_TRUE(TestWait::waitFor([&] { return tracker.sliderMaximum() > 3000; }, kTimeoutMs));

    QTest::keyPress(window->FILE1(), Qt::Key_F);
    EXPECT_TRUE(tracker.seekTimerActive());
    EXPECT_TRUE(tracker.buttonPressed(PositionTracker::FastForward));
    EXPECT_FALSE(bar().imgButton(PositionTracker::FastForward)->isVisibleTo(window.get()));
    EXPECT_TRUE(bar().imgButton_S(PositionTracker::FastForward)->isVisibleTo(window.get()));
    // The window system's auto-repeat (a release and a press, both marked) does not end the seek.
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_F, Qt::NoModifier, QStringLiteral("f"), true);
    QApplication::sendEvent(window->FILE1(), &repeatUp);
    EXPECT_TRUE(tracker.seekTimerActive());
    QKeyEvent repeatDown(QEvent::KeyPress, Qt::Key_F, Qt::NoModifier, QStringLiteral("f"), true);
    QApplication::sendEvent(window->FILE1(), &repeatDown);
    EXPECT_TRUE(tracker.seekTimerActive());
    ASSERT_TRUE(TestWait::waitFor([&] { return tracker.sliderValue() >= 2000; }, kTimeoutMs));
    QTest::keyRelease(window->FILE1(), Qt::Key_F);
    EXPECT_FALSE(tracker.seekTimerActive());
    EXPECT_TRUE(tracker.displayTimerActive());
    EXPECT_FALSE(tracker.buttonPressed(PositionTracker::FastForward));
    EXPECT_EQ(bar().sldTimer()->value(), tracker.sliderValue());
    EXPECT_EQ(bar().lblTimer()->text(), tracker.timeText());

    const int before = tracker.sliderValue();
    QTest::keyPress(window->FILE1(), Qt::Key_4, Qt::KeypadModifier); // keypad 4: rewind
    EXPECT_TRUE(tracker.buttonPressed(PositionTracker::Rewind));
    ASSERT_TRUE(TestWait::waitFor([&] { return tracker.sliderValue() < before - 500; }, kTimeoutMs));
    QTest::keyRelease(window->FILE1(), Qt::Key_4, Qt::KeypadModifier);
    EXPECT_FALSE(tracker.seekTimerActive());
    EXPECT_FALSE(tracker.buttonPressed(PositionTracker::Rewind));

    // A release without a press does not start anything.
    QTest::keyRelease(window->FILE1(), Qt::Key_Z);
    EXPECT_FALSE(tracker.seekTimerActive());
}

TEST_F(PlayerPartsTest, CSetsTheMarkCaptionCtrlCTogglesAndF5ClearsTheMarks)
{
    start();
    const QString notPlayable = FileBrowser::markNotPlayableCaption();
    parts->file1().popChange()->setText(QStringLiteral("x"));
    key(Qt::Key_C);
    EXPECT_EQ(parts->file1().popChange()->text(), notPlayable);
    EXPECT_TRUE(list().isPlayable(1));

    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(list().isPlayable(1));
    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier); // not Ctrl alone: caption only
    EXPECT_FALSE(list().isPlayable(1));
    EXPECT_EQ(parts->file1().popChange()->text(), FileBrowser::markPlayableCaption());

    // P passes over the marked first entry.
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(nameAt(2)));

    key(Qt::Key_F5);
    EXPECT_EQ(list().count(), 3);
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(list().isPlayable(i)) << i;
}

TEST_F(PlayerPartsTest, F2RenamesInFolderModeOnlyAndTheEditorKeepsItsKeys)
{
    start();
    parts->browser().setFavouritesMode(true);
    const auto editorOpen = [this] {
        auto* editor = window->FILE1()->findChild<QLineEdit*>();
        return editor && editor->isVisibleTo(window.get());
    };
    key(Qt::Key_F2);
    EXPECT_FALSE(editorOpen());

    parts->browser().setFavouritesMode(false);
    window->show();
    window->activateWindow();
    window->FILE1()->setFocus();
    key(Qt::Key_F2);
    ASSERT_TRUE(editorOpen());
    auto* editor = window->FILE1()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_P); // typed into the name, not a play command
    EXPECT_TRUE(playing().isEmpty());
    QTest::keyClick(editor, Qt::Key_Escape);
}

TEST_F(PlayerPartsTest, FolderClickFillsTheListAndPlayingRecordsTheHistory)
{
    start();
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(nameAt(1)));
    const QString a = canonical(clips().folderA);
    const QString b = canonical(clips().folderB);
    EXPECT_EQ(parts->history().entry(1), a);
    EXPECT_EQ(window->log(1)->text(), a);
    EXPECT_EQ(window->folderHistory()[0], a);

    ASSERT_TRUE(parts->clsDTree().setPath(b));
    QTreeWidgetItem* node = parts->clsDTree().nodeForKey(b);
    ASSERT_NE(node, nullptr);
    parts->clsDTree().clickNode(node);
    EXPECT_EQ(list().count(), 2);
    EXPECT_EQ(window->folderLabel()->fullText(), b.chopped(1));
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(nameAt(1)));
    EXPECT_EQ(window->log(1)->text(), b);
    EXPECT_EQ(window->log(2)->text(), a);

    window->log(2)->trigger();
    EXPECT_EQ(parts->clsDTree().Path(), a);
    EXPECT_EQ(list().count(), 3);
    EXPECT_EQ(window->folderLabel()->fullText(), a.chopped(1));

    window->mnuClear()->trigger();
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(parts->history().entry(i), ProgramPaths::systemDriveRoot());
        EXPECT_EQ(window->log(i)->text(), ProgramPaths::systemDriveRoot());
    }
}

TEST_F(PlayerPartsTest, OriginalSizeAndMagnificationFitTheWindowAroundThePicture)
{
    writeConfig(clips().folderB);
    start();
    const int tpp = qRound(window->twipsPerPixel());
    const int column = window->layoutTwips().fraFileList.width();
    window->mnuViewOri()->trigger(); // no clip yet: nothing changes
    EXPECT_TRUE(window->mnuViewOri()->isChecked());
    list().select(nameAt(1) == QStringLiteral("big.mpg") ? 1 : 2);
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(QStringLiteral("big.mpg")));
    ASSERT_TRUE(
        TestWait::waitFor([&] { return window->layoutTwips().RA.width() == 320 * tpp + 90; }, kTimeoutMs));
    EXPECT_EQ(window->outerTwips(), QSize(320 * tpp + column + 270, 240 * tpp + 1600));
    EXPECT_EQ(window->layoutTwips().RA.size(), QSize(320 * tpp + 90, 240 * tpp + 50));
    if (tpp == 15) {
        EXPECT_EQ(window->layoutTwips().RA.size(), QSize(4890, 3650));
    }

    // Full screen unchecks the original size.
    window->mnuViewFull()->trigger();
    EXPECT_FALSE(window->mnuViewOri()->isChecked());
    EXPECT_TRUE(window->videoFullScreen());
    QTest::keyClick(window->FILE1(), Qt::Key_Escape);
    EXPECT_FALSE(window->mnuViewFull()->isChecked());
    EXPECT_FALSE(window->videoFullScreen());

    window->mnuViewSize()->trigger();
    frmSizeChange* size = window->sizeWindow();
    ASSERT_NE(size, nullptr);
    EXPECT_TRUE(size->isVisible());
    EXPECT_FALSE(size->isModal());
    EXPECT_EQ(size->parentWidget(), window.get());
    EXPECT_EQ(size->windowTitle(), QStringLiteral("倍率変更"));
    EXPECT_EQ(size->sld()->minimum(), 0);
    EXPECT_EQ(size->sld()->maximum(), 300);
    EXPECT_EQ(size->sld()->value(), 100);
    EXPECT_EQ(size->txtPer()->text(), QStringLiteral("100"));

    size->sld()->setValue(150);
    EXPECT_EQ(size->txtPer()->text(), QStringLiteral("150"));
    ASSERT_TRUE(
        TestWait::waitFor([&] { return window->layoutTwips().RA.width() == 480 * tpp + 90; }, kTimeoutMs));
    EXPECT_EQ(window->layoutTwips().RA.height(), 360 * tpp + 50);

    size->txtPer()->selectAll();
    QTest::keyClicks(size->txtPer(), QStringLiteral("50"));
    EXPECT_EQ(size->sld()->value(), 50);
    ASSERT_TRUE(
        TestWait::waitFor([&] { return window->layoutTwips().RA.width() == 160 * tpp + 90; }, kTimeoutMs));
    size->txtPer()->selectAll();
    QTest::keyClicks(size->txtPer(), QStringLiteral("400"));
    EXPECT_EQ(size->sld()->value(), 40); // "4" and "40" applied while typing, "400" refused
    size->txtPer()->selectAll();
    QTest::keyClicks(size->txtPer(), QStringLiteral("x"));
    EXPECT_EQ(size->sld()->value(), 40);
}

TEST_F(PlayerPartsTest, ButtonsPlayAndTheVolumeButtonOpensAndClosesItsPanel)
{
    start();
    QTest::mouseClick(bar().imgButton(PositionTracker::Play), Qt::LeftButton);
    ASSERT_TRUE(waitForClip(nameAt(1)));
    QTest::mouseClick(bar().imgButton(PositionTracker::Next), Qt::LeftButton);
    ASSERT_TRUE(waitForClip(nameAt(2)));

    QTest::mousePress(bar().imgButton(PositionTracker::Volume), Qt::LeftButton);
    EXPECT_TRUE(bar().imgButton_S(PositionTracker::Volume)->isVisibleTo(window.get()));
    EXPECT_FALSE(bar().picVol()->isVisibleTo(window.get()));
    QTest::mouseRelease(bar().imgButton_S(PositionTracker::Volume), Qt::LeftButton);
    EXPECT_TRUE(bar().picVol()->isVisibleTo(window.get()));
    EXPECT_TRUE(parts->tracker().buttonPressed(PositionTracker::Volume));

    bar().sldVol()->setValue(30);
    EXPECT_EQ(parts->controller().volume(), 30);

    QTest::mouseClick(bar().imgButton_S(PositionTracker::Volume), Qt::LeftButton);
    EXPECT_FALSE(bar().picVol()->isVisibleTo(window.get()));
    EXPECT_FALSE(parts->tracker().buttonPressed(PositionTracker::Volume));
    EXPECT_TRUE(bar().imgButton(PositionTracker::Volume)->isVisibleTo(window.get()));

    // Clicked again at once, the press arrives as the second press of a double click: it still opens.
    QLabel* volume = bar().imgButton(PositionTracker::Volume);
    QMouseEvent again(QEvent::MouseButtonDblClick, QPointF(3, 3), volume->mapToGlobal(QPointF(3, 3)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(volume, &again);
    QTest::mouseRelease(bar().imgButton_S(PositionTracker::Volume), Qt::LeftButton);
    EXPECT_TRUE(bar().picVol()->isVisibleTo(window.get()));
    EXPECT_TRUE(bar().imgButton_S(PositionTracker::Volume)->isVisibleTo(window.get()));
    QTest::mouseClick(bar().imgButton_S(PositionTracker::Volume), Qt::LeftButton);
    EXPECT_FALSE(bar().picVol()->isVisibleTo(window.get()));

    QTest::mouseClick(bar().imgButton(PositionTracker::Stop), Qt::LeftButton);
    EXPECT_TRUE(playing().isEmpty());
}

TEST_F(PlayerPartsTest, ShortcutListIsShownAsAnInformationMessage)
{
    start();
    window->mnuShortcut()->trigger();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().first().text, shortcutListText());
    EXPECT_EQ(messages.shown().first().icon, MessageIcon::Information);
    // F1 with no help document beside the program reports nothing.
    key(Qt::Key_F1);
    EXPECT_EQ(messages.shown().size(), 1);
}

TEST_F(PlayerPartsTest, UpdateCommandRunsTheCheckInItsWindowAndEndsWithItsMessage)
{
    // An update server where nothing listens: the check ends at once with the connection message (after
    // the dial-up question, answered "permanent connection", on machines without a dial-up link).
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ::close(fd);
    qputenv("VELLOPLAYER_UPDATE_HOST", "127.0.0.1");
    qputenv("VELLOPLAYER_UPDATE_PORT", QByteArray::number(ntohs(address.sin_port)));
    start();
    ASSERT_TRUE(window->mnuUpdate()->isEnabled());
    messages.queueAnswer(MessageAnswer::No);
    QString shownWindow;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget())
            shownWindow = modal->windowTitle();
    });
    watcher.start(0);
    window->mnuUpdate()->trigger(); // returns when the update window has closed itself
    watcher.stop();
    qunsetenv("VELLOPLAYER_UPDATE_HOST");
    qunsetenv("VELLOPLAYER_UPDATE_PORT");
    EXPECT_EQ(shownWindow, QStringLiteral("最新バージョンの取得"));
    ASSERT_FALSE(messages.shown().isEmpty());
    EXPECT_EQ(messages.shown().last().text, QStringLiteral("FTPサーバへの接続に失敗しました"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(PlayerPartsTest, CommandLineFileUrlIsPlayedAtStart)
{
    const QString file = clips().folderA + QStringLiteral("/c.asf");
    window = std::make_unique<frmMain>();
    MpvSession::Options engine;
    engine.videoOutput = QStringLiteral("null");
    engine.audioOutput = QStringLiteral("null");
    parts = std::make_unique<PlayerParts>(*window, engine);
    parts->controller().setVolumeFile(QString());
    window->setCommandLine(QUrl::fromLocalFile(file).toString());
    ASSERT_EQ(window->Form_Load(), frmMain::StartResult::Running);
    EXPECT_EQ(playing(), file);
    ASSERT_TRUE(TestWait::waitFor([&] { return parts->controller().lengthMs() > 0; }, kTimeoutMs));
}

TEST_F(PlayerPartsTest, DeleteKeyProtectsThePlayingFileAndAsksBeforeDeleting)
{
    start();
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(nameAt(1)));
    const QString playingFile = playing();
    key(Qt::Key_Delete);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().last().text, QStringLiteral("再生中のファイルは削除できません"));
    EXPECT_TRUE(QFileInfo::exists(playingFile));

    list().select(2);
    messages.queueAnswer(MessageAnswer::No);
    key(Qt::Key_Delete);
    ASSERT_EQ(messages.shown().size(), 2);
    EXPECT_EQ(messages.shown().last().icon, MessageIcon::Question);
    EXPECT_EQ(list().count(), 3);
}

// ---------------------------------------------------------------------------------------------------
// A folder and files whose names are Shift-JIS bytes (archives from Japanese Windows systems)

namespace {

/// A folder named in CP932 holding a RealMedia and an ASF clip named in CP932; its escaped path ends in "/".
QString makeLegacyFolder(const ByteTempDir& root)
{
    const QByteArray folder =
        QFile::encodeName(QDir(root.path()).canonicalPath()) + '/' + LegacyNames::folderBytes();
    if (!LegacyNames::makeFolderBytes(folder) ||
        !LegacyNames::copyBytes(QFile::encodeName(clips().folderA + "/a.rm"),
                                folder + '/' + LegacyNames::japaneseWords().bytes) ||
        !LegacyNames::copyBytes(QFile::encodeName(clips().folderA + "/c.asf"),
                                folder + '/' + LegacyNames::backslashTrail().bytes))
        return {};
    return fromNativePath(folder) + u'/';
}

} // namespace

TEST_F(PlayerPartsTest, ALegacyFolderFromTheHistoryIsListedPlayedAndItsFileRenamed)
{
    ByteTempDir root;
    const QString folder = makeLegacyFolder(root);
    ASSERT_FALSE(folder.isEmpty());
    {
        // Start in the newest history entry, stored by the last run.
        QFile config(dir.filePath(QStringLiteral("Config.ini")));
        ASSERT_TRUE(config.open(QIODevice::ReadWrite));
        const QByteArray text = config.readAll().replace("DEFAULT DIR=2", "DEFAULT DIR=1");
        config.resize(0);
        config.write(text);
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velloplayer"),
                    QStringLiteral("Velloplayer"));
        s.setValue(QStringLiteral("CONFIG/PATH1"), pathSettingValue(folder));
    }
    start();
    EXPECT_EQ(parts->clsDTree().Path(), folder);
    EXPECT_EQ(window->folderLabel()->fullText(), displayPath(folder).chopped(1));
    EXPECT_EQ(window->log(1)->text(), displayPath(folder));
    ASSERT_EQ(list().count(), 2);
    // By their shown names: ソ表.asf before ライブ映像.rm.
    EXPECT_EQ(window->FILE1()->topLevelItem(0)->text(0), LegacyNames::backslashTrail().shown);
    EXPECT_EQ(window->FILE1()->topLevelItem(1)->text(0), LegacyNames::japaneseWords().shown);

    list().select(2);
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(nameAt(2)));
    EXPECT_EQ(toNativePath(playing()), toNativePath(folder) + LegacyNames::japaneseWords().bytes);
    EXPECT_TRUE(window->windowTitle().contains(displayPath(playing())))
        << window->windowTitle().toStdString();

    list().select(1);
    window->show();
    window->activateWindow();
    window->FILE1()->setFocus();
    key(Qt::Key_F2);
    auto* editor = window->FILE1()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), LegacyNames::backslashTrail().shown);
    editor->setText(QStringLiteral("直した.asf"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(TestWait::waitFor([&] { return nameAt(1) == QStringLiteral("直した.asf"); }, kTimeoutMs));
    EXPECT_TRUE(LegacyNames::existsBytes(toNativePath(folder) + QStringLiteral("直した.asf").toUtf8()));
    EXPECT_FALSE(LegacyNames::existsBytes(toNativePath(folder) + LegacyNames::backslashTrail().bytes));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(PlayerPartsTest, ACommandLineUrlWithLegacyBytesPlaysThatFile)
{
    ByteTempDir root;
    const QString folder = makeLegacyFolder(root);
    ASSERT_FALSE(folder.isEmpty());
    const QByteArray file = toNativePath(folder) + LegacyNames::japaneseWords().bytes;
    window = std::make_unique<frmMain>();
    MpvSession::Options engine;
    engine.videoOutput = QStringLiteral("null");
    engine.audioOutput = QStringLiteral("null");
    parts = std::make_unique<PlayerParts>(*window, engine);
    parts->controller().setVolumeFile(QString());
    window->setCommandLine("file://" + QString::fromLatin1(file.toPercentEncoding("/")));
    ASSERT_EQ(window->Form_Load(), frmMain::StartResult::Running);
    EXPECT_EQ(toNativePath(playing()), file);
    ASSERT_TRUE(TestWait::waitFor([&] { return parts->controller().lengthMs() > 0; }, kTimeoutMs));
}

TEST_F(PlayerPartsTest, StopKeepsTheFilePlayedLastProtected)
{
    start();
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(nameAt(1)));
    const QString file = playing();
    key(Qt::Key_F12);
    EXPECT_TRUE(playing().isEmpty());
    key(Qt::Key_Delete);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().last().text, QStringLiteral("再生中のファイルは削除できません"));
    key(Qt::Key_F2);
    ASSERT_EQ(messages.shown().size(), 2);
    EXPECT_EQ(messages.shown().last().text, QStringLiteral("再生中のファイルの名前の変更はできません"));
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST_F(PlayerPartsTest, MissingFileOnTheCommandLineIsReportedAndNothingPlays)
{
    window = std::make_unique<frmMain>();
    MpvSession::Options engine;
    engine.videoOutput = QStringLiteral("null");
    engine.audioOutput = QStringLiteral("null");
    parts = std::make_unique<PlayerParts>(*window, engine);
    const QString missing = clips().folderA + QStringLiteral("/gone.mpg");
    window->setCommandLine(missing);
    ASSERT_EQ(window->Form_Load(), frmMain::StartResult::Running);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().first().icon, MessageIcon::Critical);
    EXPECT_TRUE(messages.shown().first().text.contains(missing));
    EXPECT_TRUE(playing().isEmpty());
    EXPECT_TRUE(parts->controller().lastStartedFile().isEmpty());
}

TEST_F(PlayerPartsTest, RefreshAfterTheShownFolderWentShowsItsParentInTheLabel)
{
    ByteTempDir root;
    const QString gone = root.filePath(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkpath(gone));
    writeConfig(gone);
    start();
    EXPECT_EQ(window->folderLabel()->fullText(), canonical(gone).chopped(1));
    ASSERT_TRUE(QDir(gone).removeRecursively());
    key(Qt::Key_F5);
    EXPECT_EQ(parts->clsDTree().Path(), canonical(root.path()));
    EXPECT_EQ(window->folderLabel()->fullText(), canonical(root.path()).chopped(1));
}

TEST_F(PlayerPartsTest, ExitStoresTheRealAudioControlsVolume)
{
    start();
    bar().sldVol()->setValue(30); // no file yet: the Media Player control takes it
    const int realAudio = parts->controller().realAudio().volume();
    ASSERT_NE(realAudio, 30);
    window->close();
    EXPECT_EQ(TestHome::WindowState::stored(QStringLiteral("VOLUME")), QString::number(realAudio));
}

TEST_F(PlayerPartsTest, TheEngineAndThePicturesWindowAreMadeOnlyWhenTheFirstClipPlays)
{
    const auto engineLoaded = [] {
        void* library = ::dlopen("libmpv.so.2", RTLD_NOW | RTLD_NOLOAD);
        if (library)
            ::dlclose(library);
        return library != nullptr;
    };
    // An earlier test of this process may have loaded libmpv; the window is this test's own.
    const bool loadedBefore = engineLoaded();
    start();
    // The window is up without libmpv and its codecs, and without a window system window for the picture.
    if (!loadedBefore) {
        EXPECT_FALSE(engineLoaded());
    }
    EXPECT_EQ(window->videoArea()->internalWinId(), 0u);
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(nameAt(1)));
    EXPECT_TRUE(engineLoaded());
    EXPECT_NE(window->videoArea()->internalWinId(), 0u);
}

// ---------------------------------------------------------------------------------------------------
// The settings, about and tips windows

TEST_F(PlayerPartsTest, F3OpensTheSettingsWindowAndOkAppliesAtOnce)
{
    start();
    ASSERT_TRUE(window->mnuCfg()->isEnabled());
    // F3 is the menu item's shortcut, which takes the active window.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    bool opened = false;
    QTimer::singleShot(0, window.get(), [&] {
        auto* cfg = window->findChild<frmCfg*>();
        if (!cfg)
            return;
        opened = cfg->isModal() && cfg->isVisible();
        cfg->txtExt()->setText(QStringLiteral("mp3;rm"));
        cfg->chkTitle()->setChecked(false);
        cfg->cmdOK()->click();
    });
    key(Qt::Key_F3);
    EXPECT_TRUE(opened);
    EXPECT_EQ(window->findChild<frmCfg*>(), nullptr);
    // The list shows the new extensions, without titles; dates and sizes keep room for their texts.
    ASSERT_EQ(list().count(), 2);
    EXPECT_EQ(window->columnTwips(1), 0);
    EXPECT_GE(window->columnTwips(2), window->fittedColumnTwips(2) - 15);
    EXPECT_GE(window->columnTwips(3), 1000);
    QFile config(dir.filePath(QStringLiteral("Config.ini")));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QByteArray text = config.readAll();
    EXPECT_TRUE(text.contains("\nFILE EXT=mp3;rm\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nFILE TITLE=0\n")) << text.constData();
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(PlayerPartsTest, TipsAtStartStoreTheirCheckBoxAndTheAboutWindowOpensFromTheMenu)
{
    QFile config(dir.filePath(QStringLiteral("Config.ini")));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QByteArray stored = config.readAll();
    config.close();
    ASSERT_TRUE(dir.write(QStringLiteral("Config.ini"), QByteArray(stored).replace("PICKUP=1", "PICKUP=0")));
    QString shownTip;
    QTimer::singleShot(0, [&] {
        auto* tips = window ? window->findChild<frmPickup*>() : nullptr;
        if (!tips)
            return;
        shownTip = tips->txtPickup()->toPlainText();
        tips->chkPick()->setChecked(true);
        tips->cmdOk()->click();
    });
    start();
    EXPECT_FALSE(shownTip.isEmpty());
    EXPECT_EQ(window->config().settings().Pickup, 1);
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_EQ(config.readAll(), stored); // PICKUP=1 again, every other byte as it was

    ASSERT_TRUE(window->mnuAbout()->isEnabled());
    window->mnuAbout()->trigger();
    auto* about = window->findChild<frmAbout*>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    // The main window's keys go on working while it is open.
    key(Qt::Key_P);
    ASSERT_TRUE(waitForClip(nameAt(1)));
    key(Qt::Key_F12);
    EXPECT_TRUE(playing().isEmpty());
}
