// Seek steps, time texts, volume mappings and the original-size fit.
#include "PlaybackMath.h"

#include <gtest/gtest.h>

using namespace vello::PlaybackMath;

namespace {

struct SeekCase
{
    const char* total; ///< total time text
    int slideTimer;
    int maximum; ///< ms
    int value;   ///< ms
    int direction;
    std::optional<int> expected;
};

class SeekStepTest : public ::testing::TestWithParam<SeekCase>
{
};

TEST_P(SeekStepTest, OneTickOfHeldSeek)
{
    const SeekCase& c = GetParam();
    const int divisor = seekDivisor(lengthFromTotalText(QString::fromLatin1(c.total)), c.slideTimer);
    EXPECT_EQ(seekTick(c.value, c.maximum, divisor, c.direction), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, SeekStepTest,
    ::testing::Values(
        // "普通" on a 3:30 clip: 210000 / 70 = 3000 ms per tick.
        SeekCase{"03:30", 2, 210000, 60000, +1, 63000}, SeekCase{"03:30", 2, 210000, 60000, -1, 57000},
        // The five speeds move about 5, 4, 3, 2 and 1 seconds of a 100-second clip.
        SeekCase{"01:40", 0, 100000, 50000, +1, 55000}, SeekCase{"01:40", 1, 100000, 50000, +1, 54000},
        SeekCase{"01:40", 3, 100000, 50000, +1, 52000}, SeekCase{"01:40", 4, 100000, 50000, +1, 51000},
        // A one-second clip at "普通": d = round(1/3) = 0, no move.
        SeekCase{"00:01", 2, 1000, 500, +1, std::nullopt},
        // Rewind at 1.2 s of a 3:30 clip: the step to -1800 is refused.
        SeekCase{"03:30", 2, 210000, 1200, -1, std::nullopt},
        // A step past the end is refused; one landing exactly on it is taken.
        SeekCase{"03:30", 2, 210000, 208000, +1, std::nullopt},
        SeekCase{"03:30", 2, 210000, 207000, +1, 210000},
        // Halves round to even: 2.5 s at "ちょ～早い" (5 s): d = round(0.5) = 0.
        SeekCase{"00:02", 0, 2500, 0, +1, std::nullopt},
        // The new value is rounded, not the step: 5001 - 10003 / 2 = -0.5 gives 0 and is taken (a rounded
        // step of 5002 would leave the slider), 5001 + 5001.5 = 10002.5 gives 10002.
        SeekCase{"00:10", 0, 10003, 5001, -1, 0}, SeekCase{"00:10", 0, 10003, 5001, +1, 10002},
        // An unreadable total text means no move.
        SeekCase{"", 2, 1000, 0, +1, std::nullopt}, SeekCase{"ab:cd", 2, 1000, 0, +1, std::nullopt}));

TEST(SeekDivisor, RoundsHalvesToEvenAndClampsTheSpeed)
{
    EXPECT_EQ(seekDivisor(210, 2), 70);
    EXPECT_EQ(seekDivisor(5, 3), 2);   // 2.5 -> 2
    EXPECT_EQ(seekDivisor(7, 3), 4);   // 3.5 -> 4
    EXPECT_EQ(seekDivisor(10, 9), 10); // clamped to the slowest speed
    EXPECT_EQ(seekDivisor(10, -3), 2); // clamped to the fastest speed
    EXPECT_EQ(seekDivisor(0, 2), 0);
    EXPECT_EQ(lengthFromTotalText("100:00"), 6000);
    EXPECT_EQ(lengthFromTotalText("04:10"), 250);
}

TEST(TimeDisplay, ElapsedAndTotal)
{
    EXPECT_EQ(timeDisplayText(65400, "04:10"), "01:05/04:10");
    EXPECT_EQ(timeDisplayText(500, "00:01"), "00:00/00:01");  // 0.5 -> 0
    EXPECT_EQ(timeDisplayText(1500, "00:02"), "00:02/00:02"); // 1.5 -> 2
    EXPECT_EQ(totalTimeText(125000), "02:05");
    EXPECT_EQ(totalTimeText(6000000), "100:00");
    EXPECT_EQ(totalTimeText(2500), "00:02");
}

TEST(VolumeMapping, MediaPlayerScale)
{
    EXPECT_EQ(wpVolumeFromSlider(0), -10000);
    EXPECT_EQ(wpVolumeFromSlider(1), -2970);
    EXPECT_EQ(wpVolumeFromSlider(100), 0);
    EXPECT_EQ(wpVolumeFromSlider(130), 0);
    for (int v = 1; v <= 100; ++v)
        EXPECT_EQ(sliderFromWpVolume(wpVolumeFromSlider(v)), v);
    EXPECT_EQ(sliderFromWpVolume(-10000), 0);
    EXPECT_EQ(sliderFromWpVolume(-15), 100); // 99.5 -> 100
    EXPECT_EQ(sliderFromWpVolume(-45), 98);  // 98.5 -> 98
}

TEST(ChangeOriFit, OriginalSizeAndMagnification)
{
    const auto fit = ChangeOri(320, 240, 0, 15, 3000);
    ASSERT_TRUE(fit);
    EXPECT_EQ(*fit, (OriginalSizeFit{4800, 3600, 4800 + 3000 + 270, 3600 + 1600}));
    EXPECT_EQ(scaledPicture(321, 100, 1.5)->first, 482); // 481.5 -> 482
    EXPECT_EQ(scaledPicture(321, 100, 0.5)->first, 160); // 160.5 -> 160
    EXPECT_EQ(scaledPicture(321, 241, 1.0), (std::pair{321, 241}));
    EXPECT_FALSE(ChangeOri(0, 240, 1.0, 15, 3000));
    EXPECT_FALSE(ChangeOri(320, 0, 0, 15, 3000));
}

TEST(PlaybackSpeed, StepsStopAtBothEndsAndTheLabelShowsAllButNormal)
{
    double speed = 1.0;
    for (const double expected : {1.25, 1.5, 2.0, 2.0})
        EXPECT_EQ(speed = steppedSpeed(speed, +1), expected);
    for (const double expected : {1.5, 1.25, 1.0, 0.75, 0.5, 0.5})
        EXPECT_EQ(speed = steppedSpeed(speed, -1), expected);
    EXPECT_EQ(steppedSpeed(1.1, +1), 1.25);
    EXPECT_EQ(steppedSpeed(1.1, -1), 1.0);
    EXPECT_EQ(speedText(1.0), "");
    EXPECT_EQ(speedText(1.5), QStringLiteral("×1.5"));
    EXPECT_EQ(speedText(0.75), QStringLiteral("×0.75"));
    EXPECT_EQ(speedText(2.0), QStringLiteral("×2.0"));
}

} // namespace
