// The display tick, slider drag and held seeks against a real clip.
#include "PositionTracker.h"

#include "PlaybackTestSupport.h"

#include <gtest/gtest.h>

using namespace PlaybackTest;
using vello::PositionTracker;

namespace {

class TrackerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!TestClips::toolsAvailable())
            GTEST_SKIP() << "ffmpeg/ffprobe not found";
        rig = std::make_unique<Rig>();
        tracker = std::make_unique<PositionTracker>(*rig->controller);
        tracker->setSeekIntervalMs(60 * 60 * 1000); // ticks are driven by the test
        ASSERT_TRUE(rig->addFiles({{"a.rm", Source::RmLong}, {"b.mpg", Source::MpgLong}}));
        rig->controller->setPlayMode(0);
    }
    void TearDown() override
    {
        if (rig)
            rig->controller->StopPlayback();
        tracker.reset();
        rig.reset();
    }

    void play(int index)
    {
        rig->log = {};
        rig->list().select(index);
        rig->controller->PlayCommand();
        ASSERT_TRUE(rig->waitStarted(1));
    }

    std::unique_ptr<Rig> rig;
    std::unique_ptr<PositionTracker> tracker;
};

TEST_F(TrackerTest, DisplayTickFollowsThePositionAndShowsPlayStates)
{
    for (int index : {1, 2}) {
        play(index);
        EXPECT_NEAR(tracker->sliderMaximum(), 3000, 150);
        ASSERT_TRUE(waitFor([&] {
            const auto status = rig->controller->controlStatus();
            return status.raPositionMs > 200 || status.wpPositionSec > 0.2;
        }));
        tracker->displayTick();
        EXPECT_GT(tracker->sliderValue(), 200);
        EXPECT_TRUE(tracker->buttonPressed(PositionTracker::Play));
        EXPECT_FALSE(tracker->buttonPressed(PositionTracker::Pause));
        EXPECT_TRUE(tracker->timeText().endsWith("/00:03"));

        rig->controller->itijiProc();
        tracker->displayTick();
        EXPECT_TRUE(tracker->buttonPressed(PositionTracker::Pause));
        EXPECT_FALSE(tracker->buttonPressed(PositionTracker::Play));
        rig->controller->PlayCommand();
    }
    rig->controller->StopPlayback();
    tracker->displayTick();
    EXPECT_TRUE(tracker->buttonPressed(PositionTracker::Stop));
    EXPECT_FALSE(tracker->buttonPressed(PositionTracker::Play));
}

TEST_F(TrackerTest, DraggingTheSliderPausesSeeksAndPlaysOn)
{
    for (int index : {1, 2}) {
        play(index);
        tracker->sliderPressed();
        EXPECT_TRUE(tracker->SliderDragging());
        EXPECT_FALSE(tracker->displayTimerActive());
        const auto held = rig->controller->controlStatus();
        EXPECT_TRUE(held.raState == RA::PlayState::Paused || held.wpState == WP::PlayState::Paused);
        tracker->sliderScrolled(2000);
        EXPECT_EQ(tracker->sliderValue(), 2000);
        tracker->sliderScrolled(99999); // outside the range: refused
        EXPECT_EQ(tracker->sliderValue(), 2000);
        tracker->sliderReleased();
        EXPECT_FALSE(tracker->SliderDragging());
        EXPECT_TRUE(tracker->displayTimerActive());
        const auto status = rig->controller->controlStatus();
        if (status.realAudio)
            EXPECT_GE(status.raPositionMs, 1900);
        else
            EXPECT_GE(status.wpPositionSec, 1.9);
        EXPECT_TRUE(status.raState == RA::PlayState::Playing || status.wpState == WP::PlayState::Playing);
        ASSERT_TRUE(rig->waitFinished()) << "plays on from the new place to the end";
        EXPECT_EQ(rig->log.started.size(), index == 1 ? 2 : 1);
    }
}

TEST_F(TrackerTest, HeldFastForwardAndRewindStepBySpeed)
{
    play(2);
    // A 3-second clip: "めっちゃ遅い" gives d = round(3 / 1) = 3, a step of maximum / 3.
    tracker->setSlideTimer(4);
    tracker->sliderPressed();
    tracker->sliderScrolled(0);
    tracker->sliderReleased();
    const int maximum = tracker->sliderMaximum();
    tracker->seekButtonPressed(PositionTracker::FastForward);
    EXPECT_TRUE(tracker->buttonPressed(PositionTracker::FastForward));
    EXPECT_FALSE(tracker->buttonPressed(PositionTracker::Play));
    EXPECT_FALSE(tracker->displayTimerActive());
    EXPECT_EQ(rig->controller->controlStatus().wpState, WP::PlayState::Paused);
    const int start = tracker->sliderValue();
    tracker->seekTick();
    EXPECT_EQ(tracker->sliderValue(), start + int(std::lround(maximum / 3.0)));
    tracker->seekButtonReleased(PositionTracker::FastForward);
    EXPECT_TRUE(tracker->buttonPressed(PositionTracker::Play));
    EXPECT_FALSE(tracker->seekTimerActive());
    EXPECT_NEAR(rig->controller->controlStatus().wpPositionSec * 1000, tracker->sliderValue(), 100);

    // Rewind from 1.2 s at "普通" on a clip whose d is 1: the step to below 0 is refused.
    tracker->setSlideTimer(2);
    tracker->sliderPressed();
    tracker->sliderScrolled(1200);
    tracker->sliderReleased();
    tracker->seekButtonPressed(PositionTracker::Rewind);
    tracker->seekTick();
    EXPECT_EQ(tracker->sliderValue(), 1200);
    tracker->seekButtonReleased(PositionTracker::Rewind);
    EXPECT_NEAR(rig->controller->controlStatus().wpPositionSec, 1.2, 0.1);
}

} // namespace
