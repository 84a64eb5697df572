// Unattended advance, commands and the end-report guard of the playback controller over real libmpv.
#include "BasicRandom.h"
#include "IniFile.h"
#include "LegacyNames.h"
#include "NativePath.h"
#include "PlaybackMath.h"
#include "PlaybackTestSupport.h"
#include "PlaybackView.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace PlaybackTest;
using vello::PlaybackController;

namespace {

class ControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!TestClips::toolsAvailable())
            GTEST_SKIP() << "ffmpeg/ffprobe not found";
        rig = std::make_unique<Rig>();
    }
    void TearDown() override { rig.reset(); }

    void startAt(int index, int mode)
    {
        rig->controller->setPlayMode(mode);
        rig->list().select(index);
        rig->controller->PlayCommand();
    }

    std::unique_ptr<Rig> rig;
};

TEST_F(ControllerTest, UseRealAudioByTheLastThreeCharacters)
{
    for (const char* name : {"a.RAM", "b.ra", "c.Rm", "/x/y.rm", "program"})
        EXPECT_TRUE(PlaybackController::UseRealAudio(QString::fromUtf8(name))) << name;
    for (const char* name : {"d.rmvb", "e.mpg", "f.asf", "", "g.r", "rm"})
        EXPECT_FALSE(PlaybackController::UseRealAudio(QString::fromUtf8(name))) << name;
}

TEST_F(ControllerTest, NormalModePlaysAMixedFolderOnceAcrossBothControls)
{
    ASSERT_TRUE(rig->addFiles(
        {{"a.rm", Source::Rm}, {"b.mpg", Source::Mpg}, {"c.asf", Source::Asf}, {"d.rm", Source::Rm}}));
    startAt(1, 0);
    ASSERT_TRUE(rig->waitFinished());
    EXPECT_EQ(rig->log.started, (QStringList{"a.rm", "b.mpg", "c.asf", "d.rm"}));
    EXPECT_EQ(rig->log.ended, rig->log.started);
    settle(400);
    EXPECT_EQ(rig->log.started.size(), 4);
    EXPECT_EQ(rig->list().selectedIndex(), 4);
    EXPECT_TRUE(rig->log.failed.isEmpty());
    EXPECT_TRUE(rig->messages.shown().isEmpty());
}

TEST_F(ControllerTest, RepeatAllWrapsToTheFirstEntry)
{
    ASSERT_TRUE(rig->addFiles({{"a.mpg", Source::Mpg}, {"b.rm", Source::Rm}}));
    startAt(1, 1);
    ASSERT_TRUE(rig->waitStarted(5));
    rig->controller->StopPlayback();
    EXPECT_EQ(rig->log.started.mid(0, 5), (QStringList{"a.mpg", "b.rm", "a.mpg", "b.rm", "a.mpg"}));
    const auto count = rig->log.started.size();
    settle(900);
    EXPECT_EQ(rig->log.started.size(), count) << "stop must end unattended playback";
    EXPECT_EQ(rig->log.finished, 0);
}

TEST_F(ControllerTest, RepeatOneReplaysTheSameFileOnBothControls)
{
    ASSERT_TRUE(rig->addFiles({{"a.mpg", Source::Mpg}, {"x.asf", Source::Asf}, {"x.rm", Source::Rm}}));
    for (int index : {3, 2}) {
        const QString name = rig->list().name(index);
        rig->log = {};
        startAt(index, 2);
        ASSERT_TRUE(rig->waitStarted(4)) << name.toStdString();
        rig->controller->StopPlayback();
        for (const QString& started : rig->log.started.mid(0, 4))
            EXPECT_EQ(started, name);
        EXPECT_EQ(rig->log.finished, 0);
        EXPECT_EQ(rig->list().selectedIndex(), index);
    }
}

TEST_F(ControllerTest, RandomModeFollowsTheUnseededSequence)
{
    ASSERT_TRUE(rig->addFiles({{"a.rm", Source::Rm}, {"b.mpg", Source::Mpg}, {"c.asf", Source::Asf}}));
    vello::BasicRandom::instance().reset();
    vello::BasicRandom expected;
    QStringList names;
    names << "a.rm";
    for (int k = 0; k < 4; ++k)
        names << rig->list().name(int(std::floor(expected.next() * 3)) + 1);
    startAt(1, 3);
    ASSERT_TRUE(rig->waitStarted(5));
    rig->controller->StopPlayback();
    EXPECT_EQ(rig->log.started.mid(0, 5), names);
}

TEST_F(ControllerTest, MarkedEntriesArePassedOverInBothDirections)
{
    ASSERT_TRUE(rig->addFiles(
        {{"a.rm", Source::Rm}, {"b.mpg", Source::Mpg}, {"c.asf", Source::Asf}, {"d.mpg", Source::Mpg}}));
    rig->list().setPlayable(2, false);
    rig->list().setPlayable(3, false);
    startAt(1, 0);
    ASSERT_TRUE(rig->waitFinished());
    EXPECT_EQ(rig->log.started, (QStringList{"a.rm", "d.mpg"}));

    // Backwards from d: b and c are marked, a plays.
    rig->controller->PlayPrevious();
    EXPECT_EQ(rig->list().selectedIndex(), 1);
    EXPECT_EQ(rig->controller->CurrentFile(), rig->folder() + "a.rm");
    // Backwards from a wraps to the last entry.
    rig->controller->PlayPrevious();
    EXPECT_EQ(rig->list().selectedIndex(), 4);
    rig->controller->StopPlayback();

    // Play on a marked selection starts the next playable entry.
    rig->controller->setPlayMode(1);
    rig->list().select(2);
    rig->controller->PlayCommand();
    EXPECT_EQ(rig->list().selectedIndex(), 4);
    rig->controller->StopPlayback();
}

TEST_F(ControllerTest, RandomPreviousOnAMarkedEntryDoesNotLoop)
{
    ASSERT_TRUE(rig->addFiles({{"a.rm", Source::Rm}, {"b.mpg", Source::Mpg}, {"c.asf", Source::Asf}}));
    rig->controller->setPlayMode(3);
    // No random step yet: nothing happens.
    rig->list().select(2);
    rig->controller->PlayPrevious();
    EXPECT_TRUE(rig->controller->CurrentFile().isEmpty());

    rig->controller->PlayCommand(); // plays b
    rig->controller->PlayNext();    // random step from b: PreviousIndex = 2
    EXPECT_EQ(rig->controller->PreviousIndex(), 2);
    rig->list().setPlayable(2, false);
    rig->controller->PlayPrevious();
    EXPECT_EQ(rig->list().selectedIndex(), 1) << "falls back to the entry before the marked one";
    EXPECT_EQ(rig->controller->CurrentFile(), rig->folder() + "a.rm");
    rig->controller->StopPlayback();
}

TEST_F(ControllerTest, EveryEntryMarkedShowsTheMessageAndPlaysNothing)
{
    ASSERT_TRUE(rig->addFiles({{"a.rm", Source::Rm}, {"b.mpg", Source::Mpg}}));
    rig->list().setPlayable(1, false);
    rig->list().setPlayable(2, false);
    for (auto command : {&PlaybackController::PlayCommand, &PlaybackController::PlayNext,
                         &PlaybackController::PlayPrevious}) {
        rig->messages.clear();
        (rig->controller.get()->*command)();
        ASSERT_EQ(rig->messages.shown().size(), 1);
        const vello::Message& message = rig->messages.shown().first();
        EXPECT_EQ(message.icon, vello::MessageIcon::Warning);
        EXPECT_EQ(
            message.text,
            QStringLiteral("現在ファイルリストに表示しているファイル全てが、使用不可に設定されているか、\r"
                           "再生できるファイルがありません"));
        EXPECT_TRUE(rig->controller->CurrentFile().isEmpty());
    }
}

TEST_F(ControllerTest, PauseAndPlayResumeWithoutReloading)
{
    for (const QString& name : {QString("long.rm"), QString("long.mpg")}) {
        rig->log = {};
        if (rig->list().count() == 0) {
            ASSERT_TRUE(rig->addFiles({{"long.mpg", Source::MpgLong}, {"long.rm", Source::RmLong}}));
        }
        int index = name == "long.mpg" ? 1 : 2;
        startAt(index, 0);
        ASSERT_TRUE(rig->waitStarted(1));
        ASSERT_TRUE(waitFor([&] {
            return rig->controller->controlStatus().raPositionMs > 300 ||
                   rig->controller->controlStatus().wpPositionSec > 0.3;
        }));
        rig->controller->itijiProc();
        const auto paused = rig->controller->controlStatus();
        EXPECT_TRUE(paused.raState == RA::PlayState::Paused || paused.wpState == WP::PlayState::Paused);
        settle(300);
        rig->controller->PlayCommand();
        const auto resumed = rig->controller->controlStatus();
        EXPECT_TRUE((resumed.realAudio && resumed.raState == RA::PlayState::Playing) ||
                    (!resumed.realAudio && resumed.wpState == WP::PlayState::Playing));
        settle(300);
        EXPECT_EQ(rig->log.started.size(), 1) << "resume must not reload";
        const auto later = rig->controller->controlStatus();
        if (later.realAudio)
            EXPECT_GT(later.raPositionMs, paused.raPositionMs);
        else
            EXPECT_GT(later.wpPositionSec, paused.wpPositionSec);
        rig->controller->StopPlayback();
    }
}

TEST_F(ControllerTest, StopEmptiesTheControlAndNothingAdvances)
{
    ASSERT_TRUE(rig->addFiles({{"a.rm", Source::RmLong}, {"b.mpg", Source::Mpg}}));
    startAt(1, 1);
    ASSERT_TRUE(rig->waitStarted(1));
    rig->controller->StopPlayback();
    EXPECT_TRUE(rig->controller->CurrentFile().isEmpty());
    EXPECT_TRUE(rig->controller->realAudio().source().isEmpty());
    EXPECT_EQ(rig->controller->realAudio().playState(), RA::PlayState::Stopped);
    settle(3500);
    EXPECT_EQ(rig->log.started, QStringList{"a.rm"});
    EXPECT_EQ(rig->log.finished, 0);
    EXPECT_TRUE(rig->log.ended.isEmpty());
}

TEST_F(ControllerTest, ReplacingAPlayingClipNeverAdvances)
{
    // a is long; replacing it again and again (double-click, next/previous) must leave the last load
    // playing: no late end of an old load empties it or moves the selection on.
    ASSERT_TRUE(
        rig->addFiles({{"a.rm", Source::RmLong}, {"b.mpg", Source::MpgLong}, {"c.asf", Source::Mpg}}));
    rig->controller->setPlayMode(0);
    rig->list().select(1);
    for (int k = 0; k < 4; ++k) {
        rig->controller->PlayCommand();
        settle(k * 60);
    }
    ASSERT_TRUE(rig->waitStarted(1));
    rig->controller->PlayNext(); // b (WP) replaces a (RA)
    settle(50);
    rig->list().select(1);
    rig->controller->PlayCommand(); // double-click on a while b plays
    settle(30);
    rig->controller->PlayCommand();
    settle(700);
    EXPECT_EQ(rig->list().selectedIndex(), 1);
    EXPECT_EQ(rig->controller->CurrentFile(), rig->folder() + "a.rm");
    EXPECT_EQ(rig->controller->realAudio().playState(), RA::PlayState::Playing);
    EXPECT_EQ(rig->controller->mediaPlayer().playState(), WP::PlayState::Stopped);
    EXPECT_TRUE(rig->log.ended.isEmpty());
    EXPECT_FALSE(rig->controller->ChangePending());
    // The last load goes on by itself afterwards: a, then b, then c.
    ASSERT_TRUE(rig->waitFinished());
    EXPECT_EQ(rig->log.ended, (QStringList{"a.rm", "b.mpg", "c.asf"}));
    EXPECT_EQ(rig->log.started.mid(rig->log.started.size() - 2), (QStringList{"b.mpg", "c.asf"}));
}

TEST_F(ControllerTest, AFileThatFailsToOpenIsSkipped)
{
    ASSERT_TRUE(rig->addFiles({{"a.rm", Source::Rm},
                               {"b.rm", Source::NotMedia},
                               {"c.mpg", Source::Truncated},
                               {"d.asf", Source::Asf}}));
    startAt(1, 0);
    ASSERT_TRUE(rig->waitFinished());
    EXPECT_EQ(rig->log.started, (QStringList{"a.rm", "d.asf"}));
    EXPECT_EQ(rig->log.failed, (QStringList{"b.rm", "c.mpg"}));
}

TEST_F(ControllerTest, EveryFileFailingStopsAfterOnePass)
{
    ASSERT_TRUE(rig->addFiles(
        {{"a.rm", Source::NotMedia}, {"b.mpg", Source::Truncated}, {"c.asf", Source::NotMedia}}));
    for (int mode : {1, 2, 3}) {
        rig->log = {};
        startAt(1, mode);
        ASSERT_TRUE(rig->waitFinished()) << "mode " << mode;
        settle(300);
        EXPECT_TRUE(rig->log.started.isEmpty());
        EXPECT_LE(rig->log.failed.size(), mode == 2 ? 1 : 3) << "mode " << mode;
        EXPECT_EQ(rig->log.finished, 1);
        EXPECT_TRUE(rig->messages.shown().isEmpty());
    }
}

TEST_F(ControllerTest, ClipOpenedSetsTitlesLengthAndWindowTitle)
{
    struct View : vello::PlaybackView
    {
        void setTitleText(const QString& text) override { title = text; }
        void setWindowTitle(const QString& text) override { window = text; }
        void showRealAudio(bool realAudio) override { ra = realAudio; }
        bool originalSizeChecked() const override { return true; }
        void requestChangeOri(double ratio) override { ori << ratio; }
        QString title, window;
        bool ra = false;
        QList<double> ori;
    } view;
    rig->controller->setView(&view);
    ASSERT_TRUE(rig->addFiles({{"a.rm", Source::Rm}, {"b.asf", Source::Asf}}));
    startAt(1, 0);
    ASSERT_TRUE(rig->waitStarted(1));
    EXPECT_TRUE(view.ra);
    EXPECT_EQ(view.title, "Clip Title");
    EXPECT_EQ(view.window, "Velloplayer 1.0.0 - [" + rig->folder() + "a.rm] - Clip Title");
    EXPECT_NEAR(rig->controller->lengthMs(), 600, 150);
    EXPECT_EQ(rig->controller->TotalTimeText(), "00:01");
    EXPECT_EQ(rig->controller->pictureSize(), QSize(160, 120));
    EXPECT_EQ(view.ori, QList<double>{0.0});
    ASSERT_TRUE(rig->waitStarted(2));
    EXPECT_FALSE(view.ra);
    EXPECT_EQ(view.title, "Asf Title");
    EXPECT_EQ(view.window, "Velloplayer 1.0.0 - [" + rig->folder() + "b.asf] - Asf Title");
    rig->controller->StopPlayback();
    rig->controller->setView(nullptr);
}

TEST_F(ControllerTest, AFileFromTheCommandLinePlaysWithoutTouchingTheList)
{
    ASSERT_TRUE(rig->addFiles({{"a.rm", Source::Rm}, {"b.mpg", Source::Mpg}}));
    ByteTempDir elsewhere;
    const QString file = elsewhere.filePath("given.asf");
    ASSERT_TRUE(QFile::copy(sourceClip(Source::Asf), file));
    rig->list().select(0);
    rig->controller->playFile(file);
    ASSERT_TRUE(rig->waitStarted(1));
    EXPECT_EQ(rig->log.started.first(), "given.asf");
    EXPECT_EQ(rig->controller->CurrentFile(), file);
    EXPECT_EQ(rig->list().selectedIndex(), 0);
    // Its end goes on with the list by the play mode.
    ASSERT_TRUE(rig->waitFinished());
    EXPECT_EQ(rig->log.started, (QStringList{"given.asf", "a.rm", "b.mpg"}));
}

// Per-file volume memory.

TEST_F(ControllerTest, VolumeIsRememberedPerFile)
{
    ASSERT_TRUE(
        rig->addFiles({{"a.rm", Source::RmLong}, {"b.mpg", Source::MpgLong}, {"c.mpg", Source::MpgLong}}));
    auto play = [&](int index) {
        rig->list().select(index);
        rig->controller->PlayCommand();
    };
    rig->controller->setPlayMode(0);
    play(1);
    rig->controller->setVolume(30);
    EXPECT_EQ(rig->controller->realAudio().volume(), 30);
    play(2);
    rig->controller->setVolume(55);
    play(1);
    EXPECT_EQ(rig->controller->volume(), 30);
    EXPECT_EQ(rig->controller->realAudio().volume(), 30);
    const vello::IniFile ini(rig->volumeFile());
    EXPECT_EQ(ini.ReadValue("VOLUME", rig->folder() + "a.rm", 500), "30");
    EXPECT_EQ(ini.ReadValue("VOLUME", rig->folder() + "b.mpg", 500), "55");

    rig->controller->setVolume(70);
    rig->controller->StopPlayback();
    EXPECT_EQ(ini.ReadValue("VOLUME", rig->folder() + "a.rm", 500), "70");
    EXPECT_EQ(ini.ReadValue("VOLUME", rig->folder() + "b.mpg", 500), "55");

    // Never played: the slider shows the control's own volume; nothing is written for it yet.
    play(3);
    EXPECT_EQ(rig->controller->volume(),
              vello::PlaybackMath::sliderFromWpVolume(rig->controller->mediaPlayer().volume()));
    EXPECT_EQ(rig->controller->mediaPlayer().volume(), vello::PlaybackMath::wpVolumeFromSlider(55));
    EXPECT_TRUE(ini.ReadValue("VOLUME", rig->folder() + "c.mpg", 500).isEmpty());
    rig->controller->StopPlayback();
}

TEST_F(ControllerTest, StoredVolumesThatAreNoVolumeLeaveSliderAndControlAsTheyAre)
{
    ASSERT_TRUE(
        rig->addFiles({{"a.rm", Source::RmLong}, {"b.mpg", Source::MpgLong}, {"c.mpg", Source::MpgLong}}));
    vello::IniFile ini(rig->volumeFile());
    ini.WriteValue("VOLUME", rig->folder() + "b.mpg", "abc");
    ini.WriteValue("VOLUME", rig->folder() + "c.mpg", "150");
    startAt(1, 0);
    rig->controller->setVolume(40);
    const int wpBefore = rig->controller->mediaPlayer().volume();
    for (int index : {2, 3}) {
        SCOPED_TRACE(index);
        rig->list().select(index);
        rig->controller->PlayCommand();
        EXPECT_EQ(rig->controller->volume(), 40); // not read back from the control, not clamped to 100
        EXPECT_EQ(rig->controller->mediaPlayer().volume(), wpBefore);
    }
    rig->controller->StopPlayback();
}

TEST_F(ControllerTest, AFileThatFailsToOpenClearsTheTitleAndTheLength)
{
    struct View : vello::PlaybackView
    {
        QString title = QStringLiteral("unset");
        QString caption;
        void setTitleText(const QString& text) override { title = text; }
        void setWindowTitle(const QString& text) override { caption = text; }
    } view;
    rig->controller->setView(&view);
    ASSERT_TRUE(rig->addFiles({{"a.mpg", Source::Mpg}, {"b.mpg", Source::NotMedia}}));
    startAt(1, 0);
    ASSERT_TRUE(rig->waitStarted(1));
    EXPECT_TRUE(view.caption.contains(QStringLiteral("a.mpg")));
    ASSERT_TRUE(rig->waitFinished());
    EXPECT_EQ(rig->log.failed, QStringList{"b.mpg"});
    EXPECT_EQ(view.caption, QStringLiteral("Velloplayer 1.0.0"));
    EXPECT_EQ(view.title, QString());
    EXPECT_EQ(rig->controller->TotalTimeText(), QStringLiteral("00:00"));
    EXPECT_EQ(rig->controller->lengthMs(), 0);
    rig->controller->setView(nullptr);
}

TEST_F(ControllerTest, ThePlayingFileIsTheOneStartedLastEvenAfterStop)
{
    ASSERT_TRUE(rig->addFiles({{"a.mpg", Source::MpgLong}, {"b.mpg", Source::MpgLong}}));
    EXPECT_TRUE(rig->controller->lastStartedFile().isEmpty());
    startAt(2, 0);
    rig->controller->StopPlayback();
    EXPECT_TRUE(rig->controller->CurrentFile().isEmpty());
    EXPECT_EQ(rig->controller->lastStartedFile(), rig->folder() + "b.mpg");
    rig->controller->playFile(rig->folder() + "a.mpg");
    EXPECT_EQ(rig->controller->lastStartedFile(), rig->folder() + "a.mpg");
    rig->controller->StopPlayback();
}

TEST_F(ControllerTest, WpVolumeMapping)
{
    ASSERT_TRUE(rig->addFiles({{"b.mpg", Source::MpgLong}}));
    startAt(1, 0);
    for (const auto& [slider, wp] :
         {std::pair{0, -10000}, std::pair{1, -2970}, std::pair{50, -1500}, std::pair{100, 0}}) {
        rig->controller->setVolume(slider);
        EXPECT_EQ(rig->controller->mediaPlayer().volume(), wp) << slider;
    }
    rig->controller->StopPlayback();
}

} // namespace

// File names that are not UTF-8.

namespace {

/// Copies a source clip to a byte name in folder; false on failure.
bool copyClip(Source source, const QByteArray& folder, const QByteArray& name)
{
    return LegacyNames::copyBytes(QFile::encodeName(sourceClip(source)), folder + '/' + name);
}

} // namespace

TEST_F(ControllerTest, LegacyNamesInALegacyFolderPlayUnattendedOnBothControls)
{
    const QByteArray folder = QFile::encodeName(rig->folder()) + LegacyNames::folderBytes();
    ASSERT_TRUE(LegacyNames::makeFolderBytes(folder));
    ASSERT_TRUE(copyClip(Source::Rm, folder, LegacyNames::japaneseWords().bytes));
    ASSERT_TRUE(copyClip(Source::Mpg, folder, LegacyNames::halfWidthKana().bytes));
    ASSERT_TRUE(copyClip(Source::Asf, folder, LegacyNames::backslashTrail().bytes));
    ASSERT_TRUE(copyClip(Source::Rm, folder, LegacyNames::undecodable().bytes));
    const QString shown = vello::fromNativePath(folder) + u'/';
    rig->browser.setFolderSource([shown] { return shown; });
    rig->browser.FillFileList();
    ASSERT_EQ(rig->list().count(), 4);
    startAt(1, 0);
    ASSERT_TRUE(rig->waitFinished());
    QStringList expected;
    for (int i = 1; i <= 4; ++i)
        expected << rig->list().name(i);
    EXPECT_EQ(rig->log.started, expected);
    EXPECT_TRUE(rig->log.failed.isEmpty()) << rig->log.failed.join(", ").toStdString();
    // Bytes that are neither UTF-8 nor CP932 play too.
    EXPECT_TRUE(rig->log.started.contains(vello::fromNativePath(LegacyNames::undecodable().bytes)));
}

TEST_F(ControllerTest, TheVolumeOfALegacyNameIsRememberedAcrossARestart)
{
    const QByteArray folder = QFile::encodeName(rig->folder());
    const LegacyNames::Name legacy = LegacyNames::japaneseWords();
    ASSERT_TRUE(copyClip(Source::RmLong, folder, legacy.bytes));
    // A UTF-8 name whose entry an older version wrote in CP932 ("ライブ.rm").
    ASSERT_TRUE(copyClip(Source::MpgLong, folder, QStringLiteral("ライブ.rm").toUtf8()));
    ASSERT_TRUE(LegacyNames::writeBytes(QFile::encodeName(rig->volumeFile()),
                                        "[VOLUME]\r\n" + folder + "\x83\x89\x83\x43\x83\x75.rm=55\r\n"));
    rig->browser.FillFileList();
    ASSERT_EQ(rig->list().count(), 2);
    const int legacyAt = rig->list().shownName(1) == legacy.shown ? 1 : 2;
    rig->list().select(legacyAt);
    rig->controller->PlayCommand();
    ASSERT_TRUE(rig->waitStarted(1));
    rig->controller->setVolume(30);
    rig->controller->StopPlayback();
    EXPECT_TRUE(
        LegacyNames::readBytes(QFile::encodeName(rig->volumeFile())).contains(folder + legacy.bytes + "=30"));

    // A new controller (the next start of the program) finds both entries.
    const MpvSession::Options null{QStringLiteral("null"), QStringLiteral("null"), 0};
    const QString volumeFile = rig->volumeFile();
    rig->controller = std::make_unique<PlaybackController>(rig->browser, null, null);
    rig->controller->setVolumeFile(volumeFile);
    rig->controller->setVolume(100);
    rig->list().select(legacyAt);
    rig->controller->PlaySelected();
    EXPECT_EQ(rig->controller->volume(), 30);
    rig->list().select(3 - legacyAt);
    rig->controller->PlaySelected();
    EXPECT_EQ(rig->controller->volume(), 55);
    rig->controller->StopPlayback();
}
