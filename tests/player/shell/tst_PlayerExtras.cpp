// The player's conveniences with their real parts and libmpv (null outputs): drops onto the window,
// continuing the clip left last after a restart, the playback speed, saving the picture on screen; and the
// logic under them (what a drop asks for, when a clip counts as left partway through).
#include "ByteTempDir.h"
#include "DropRequest.h"
#include "EventLoopWait.h"
#include "MessageService.h"
#include "NativePath.h"
#include "PlayerExtras.h"
#include "PlayerParts.h"
#include "TestClips.h"
#include "TestHome.h"
#include "TransportBar.h"
#include "frmMain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace vello;

namespace {

constexpr int kTimeoutMs = 20000;

/// Folder A holds a.rm and b.mpg (1 s each); folder B a 30-second clip and a 320 x 240 one of 3 s.
struct Clips
{
    ByteTempDir root;
    QString folderA;
    QString folderB;
    QString longClip;
    QString big;
    bool ok = false;

    Clips()
    {
        using TestClips::ClipKind;
        folderA = root.filePath(QStringLiteral("A"));
        folderB = root.filePath(QStringLiteral("B"));
        QDir().mkpath(folderA);
        QDir().mkpath(folderB);
        ok = !TestClips::makeClip(folderA, QStringLiteral("a.rm"), ClipKind::RealMedia, 1.0).isEmpty() &&
             !TestClips::makeClip(folderA, QStringLiteral("b.mpg"), ClipKind::Mpeg1, 1.0).isEmpty();
        longClip = TestClips::makeClip(folderB, QStringLiteral("long.mpg"), ClipKind::Mpeg1, 30.0);
        big = TestClips::makeClip(folderB, QStringLiteral("big.mpg"), ClipKind::Mpeg1, 3.0, {},
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

QByteArray uri(const QString& path)
{
    return "file://" + toNativePath(path).toPercentEncoding("/") + "\r\n";
}

class PlayerExtrasTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!TestClips::toolsAvailable())
            GTEST_SKIP() << "ffmpeg is not available";
        ASSERT_TRUE(clips().ok);
        writeConfig(clips().folderA);
    }
    void TearDown() override
    {
        parts.reset();
        window.reset();
    }

    void writeConfig(const QString& startFolder)
    {
        ASSERT_TRUE(dir.write(QStringLiteral("Config.ini"), TestHome::playerConfig(startFolder)));
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
        window->FILE1()->setFocus();
    }
    /// Ends the program as closing the window does, and forgets the window and its parts.
    void quit()
    {
        window->close();
        parts.reset();
        window.reset();
    }

    FileList& list() { return parts->browser().list(); }
    PlaybackController& controller() { return parts->controller(); }
    QString playing() { return controller().CurrentFile(); }
    QString timeLabel() { return window->transportBar().lblTimer()->text(); }
    bool waitForClip(const QString& name)
    {
        return TestWait::waitFor(
            [&] { return playing().endsWith(u'/' + name) && controller().lengthMs() > 0; }, kTimeoutMs);
    }
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(window->FILE1(), Qt::Key(k), m);
    }
    void playEntry(const QString& name)
    {
        for (int i = 1; i <= list().count(); ++i)
            if (list().name(i) == name)
                list().select(i);
        key(Qt::Key_P);
        ASSERT_TRUE(waitForClip(name));
    }
    int positionMs() { return parts->tracker().sliderValue(); }

    /// Drags mime data over the file list and drops it there, as the window system delivers a drop.
    bool dropOnList(const QMimeData& mime)
    {
        QWidget* target = window->FILE1()->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }
    bool dropOnList(const QByteArray& uriList)
    {
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"), uriList);
        return dropOnList(mime);
    }

    TestHome::ProgramFolder dir;
    RecordingMessageService messages;
    ScopedMessageService installed{&messages};
    std::unique_ptr<frmMain> window;
    std::unique_ptr<PlayerParts> parts;
};

} // namespace

TEST(DropRequest, TakesTheFirstFolderOrListedFileAndKeepsTheBytesOfItsName)
{
    ByteTempDir dir;
    const QString legacy = fromNativePath(toNativePath(dir.path()) + "/\x82\xa0.RM");
    ASSERT_TRUE(QFile(dir.filePath("song.mp3")).open(QIODevice::WriteOnly));
    FILE* f = std::fopen(toNativePath(legacy).constData(), "w");
    ASSERT_TRUE(f);
    std::fclose(f);
    const QStringList extensions{QStringLiteral("rm"), QStringLiteral("mpg")};

    // Comments, other addresses and unlisted files are passed over; the first usable item wins.
    const QByteArray list = "# a comment\r\nhttps://example.org/a.rm\r\n" + uri(dir.filePath("song.mp3")) +
                            uri(legacy) + uri(dir.path()) + "file://elsewhere/a.rm\r\n";
    const DropRequest file = DropRequest::fromUriList(list, extensions);
    EXPECT_EQ(file.action, DropRequest::Action::PlayFile);
    EXPECT_EQ(toNativePath(file.path), toNativePath(legacy));
    EXPECT_EQ(file.ignored.size(), 4); // the address, song.mp3, the folder after the file, the other host

    const DropRequest folder =
        DropRequest::fromUriList(uri(dir.path() + u'/').replace("file://", "FILE://localhost"), extensions);
    EXPECT_EQ(folder.action, DropRequest::Action::OpenFolder);
    EXPECT_EQ(folder.path, dir.path() + u'/');
    EXPECT_EQ(DropRequest::fromUriList("plain text", extensions).action, DropRequest::Action::None);
    EXPECT_EQ(localPathOfUri("file:///a%00b"), QString());
    EXPECT_EQ(localPathOfUri("file:///a.rm?x"), QString());
}

TEST(ResumePoint, OnlyAClipLeftPartwayThroughIsRemembered)
{
    TestHome::ProgramFolder store;
    ResumePoint point;
    EXPECT_FALSE(ResumePoint::partway(10000, 60000));
    EXPECT_TRUE(ResumePoint::partway(10001, 60000));
    EXPECT_FALSE(ResumePoint::partway(50000, 60000));
    EXPECT_FALSE(ResumePoint::partway(15000, 20000));
    EXPECT_TRUE(point.leave(QStringLiteral("/v/clip.mpg"), 30000, 60000));
    EXPECT_EQ(point.stored()->path(), "/v/clip.mpg");
    EXPECT_EQ(point.stored()->positionMs, 30000);
    EXPECT_FALSE(point.available());                                       // no such clip
    EXPECT_TRUE(point.leave(QStringLiteral("/v/other.mpg"), 5000, 60000)); // tried for a moment
    EXPECT_EQ(point.stored()->path(), "/v/clip.mpg");
    EXPECT_FALSE(point.leave(QStringLiteral("/v/clip.mpg"), 55000, 60000)); // near its end
    EXPECT_FALSE(point.stored());
}

TEST_F(PlayerExtrasTest, DroppedFilePlaysDroppedFolderIsListedAndNothingElseIsTaken)
{
    start();
    const QString folderA = parts->clsDTree().Path();
    EXPECT_TRUE(dropOnList(uri(clips().big) + uri(clips().longClip)));
    ASSERT_TRUE(waitForClip(QStringLiteral("big.mpg")));
    EXPECT_EQ(parts->clsDTree().Path(), folderA); // as a command-line file: the list stays

    EXPECT_TRUE(dropOnList(uri(clips().folderB)));
    EXPECT_EQ(parts->clsDTree().Path(), canonical(clips().folderB));
    EXPECT_EQ(list().count(), 2);
    EXPECT_EQ(parts->history().entry(1), canonical(clips().folderB));

    QMimeData text;
    text.setText(clips().folderA);
    EXPECT_FALSE(dropOnList(text));
    EXPECT_FALSE(dropOnList("https://example.org/a.rm\r\n"));
    {
        QDialog modal(window.get());
        modal.setModal(true);
        modal.show();
        EXPECT_FALSE(dropOnList(uri(clips().folderA)));
    }
    EXPECT_EQ(parts->clsDTree().Path(), canonical(clips().folderB));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(PlayerExtrasTest, ClipLeftPartwayContinuesAfterARestartWithinASecond)
{
    writeConfig(clips().folderB);
    start();
    EXPECT_FALSE(window->mnuResume()->isEnabled());
    playEntry(QStringLiteral("long.mpg"));
    QTest::keyPress(window->FILE1(), Qt::Key_F); // fast forward to the middle
    ASSERT_TRUE(TestWait::waitFor([&] { return positionMs() >= 15000; }, kTimeoutMs));
    QTest::keyRelease(window->FILE1(), Qt::Key_F);
    const int left = positionMs();
    quit();

    const auto point = ResumePoint().stored();
    ASSERT_TRUE(point);
    EXPECT_EQ(point->path(), canonical(clips().folderB) + QStringLiteral("long.mpg"));
    EXPECT_NEAR(point->positionMs, left, 1000);

    writeConfig(clips().folderA); // started elsewhere, in favourites mode of no consequence
    start();
    EXPECT_TRUE(playing().isEmpty()); // nothing resumes by itself
    ASSERT_TRUE(window->mnuResume()->isEnabled());
    window->mnuResume()->trigger();
    ASSERT_TRUE(waitForClip(QStringLiteral("long.mpg")));
    ASSERT_TRUE(TestWait::waitFor([&] { return positionMs() > 0; }, kTimeoutMs));
    EXPECT_NEAR(positionMs(), point->positionMs, 1000);
    EXPECT_EQ(parts->clsDTree().Path(), canonical(clips().folderB));
    EXPECT_EQ(list().selectedName(), QStringLiteral("long.mpg"));

    // Stopped near its start, the clip is no longer one to continue.
    playEntry(QStringLiteral("long.mpg"));
    key(Qt::Key_F12);
    EXPECT_FALSE(ResumePoint().stored());
    EXPECT_FALSE(window->mnuResume()->isEnabled());

    // A clip now shorter than the position starts from its beginning; a vanished one is not offered.
    TestHome::WindowState::put(QStringLiteral("RESUME_FOLDER"), canonical(clips().folderB));
    TestHome::WindowState::put(QStringLiteral("RESUME_FILE"), QStringLiteral("big.mpg"));
    TestHome::WindowState::put(QStringLiteral("RESUME_POSITION"), QStringLiteral("99999"));
    parts->extras().updateCommands();
    ASSERT_TRUE(window->mnuResume()->isEnabled());
    window->mnuResume()->trigger();
    ASSERT_TRUE(waitForClip(QStringLiteral("big.mpg")));
    // The engine's own position: the slider may still hold the last clip's until the display timer runs.
    ASSERT_TRUE(
        TestWait::waitFor([&] { return controller().controlStatus().wpPositionSec > 0; }, kTimeoutMs));
    EXPECT_LT(controller().controlStatus().wpPositionSec, 1.0);
    EXPECT_TRUE(playing().endsWith(QStringLiteral("/big.mpg")));
    TestHome::WindowState::put(QStringLiteral("RESUME_FILE"), QStringLiteral("gone.mpg"));
    parts->extras().updateCommands();
    EXPECT_FALSE(window->mnuResume()->isEnabled());
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(PlayerExtrasTest, SpeedStepsReachTheEnginesHoldAcrossAnAdvanceAndShowInTheTimeLabel)
{
    start();
    playEntry(QStringLiteral("a.rm"));
    key(Qt::Key_BracketRight);
    key(Qt::Key_BracketRight);
    EXPECT_EQ(controller().speed(), 1.5);
    EXPECT_TRUE(timeLabel().endsWith(QStringLiteral(" ×1.5"))) << qPrintable(timeLabel());
    EXPECT_TRUE(TestWait::waitFor([&] { return controller().realAudio().speed() == 1.5; }, kTimeoutMs));

    // a.rm ends by itself and b.mpg follows on the other engine, at the same speed.
    ASSERT_TRUE(waitForClip(QStringLiteral("b.mpg")));
    EXPECT_TRUE(TestWait::waitFor([&] { return controller().mediaPlayer().speed() == 1.5; }, kTimeoutMs));
    EXPECT_TRUE(timeLabel().endsWith(QStringLiteral(" ×1.5")));

    for (int i = 0; i < 6; ++i)
        key(Qt::Key_BracketLeft);
    EXPECT_EQ(controller().speed(), 0.5);
    EXPECT_TRUE(timeLabel().endsWith(QStringLiteral(" ×0.5")));
    key(Qt::Key_Backspace);
    EXPECT_EQ(controller().speed(), 1.0);
    EXPECT_EQ(timeLabel(), parts->tracker().timeText());
    EXPECT_TRUE(TestWait::waitFor([&] { return controller().mediaPlayer().speed() == 1.0; }, kTimeoutMs));

    window->mnuShortcut()->trigger();
    ASSERT_EQ(messages.shown().size(), 1);
    for (const char* added : {"\t]\t", "\t[\t", "BackSpace", "Shift+S"})
        EXPECT_TRUE(messages.shown().first().details.contains(QString::fromUtf8(added))) << added;
}

TEST_F(PlayerExtrasTest, SavedPictureIsAPngOfTheClipsSizeInThePicturesFolder)
{
    writeConfig(clips().folderB);
    start();
    EXPECT_FALSE(window->mnuSavePicture()->isEnabled());
    playEntry(QStringLiteral("big.mpg"));
    ASSERT_TRUE(window->mnuSavePicture()->isEnabled());
    // While the message is open the clip plays on and the position display follows it.
    struct WaitingMessages : RecordingMessageService
    {
        std::function<bool()> moving;
        bool movedWhileShown = false;
        MessageAnswer show(const Message& message) override
        {
            movedWhileShown = moving();
            return RecordingMessageService::show(message);
        }
    } waiting;
    ScopedMessageService installed(&waiting);
    waiting.moving = [&] {
        const int before = positionMs();
        return TestWait::waitFor([&] { return positionMs() > before; }, 5000);
    };
    key(Qt::Key_S, Qt::ShiftModifier);
    ASSERT_TRUE(TestWait::waitFor([&] { return !waiting.shown().isEmpty(); }, kTimeoutMs));
    EXPECT_TRUE(waiting.movedWhileShown);
    const RecordingMessageService& messages = waiting;
    const Message& shown = messages.shown().first();
    EXPECT_EQ(shown.icon, MessageIcon::Information) << qPrintable(shown.text);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QStringList saved = QDir(pictures).entryList({QStringLiteral("big_00-00-0*.png")}, QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(shown.text, QStringLiteral("画像を保存しました。\n") + pictures + u'/' + saved.first());
    EXPECT_EQ(QImage(pictures + u'/' + saved.first(), "PNG").size(), QSize(320, 240));
    EXPECT_EQ(QDir(pictures).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary file left
}
