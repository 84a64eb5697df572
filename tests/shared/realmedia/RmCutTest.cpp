// Cutting a time range: start at a keyframe, time from zero, range checks.

#include "RmFile.h"
#include "RmLayoutCheck.h"
#include "RmTestSupport.h"

#include <gtest/gtest.h>

using namespace rmtest;

namespace {

struct Range
{
    int start;
    int end;
};

class RmCutTest : public ::testing::TestWithParam<Range>
{
};

// The last video keyframe at or before start, from ffprobe's view of the input.
double keyframeAtOrBefore(const std::vector<ProbedPacket>& packets, double start)
{
    double key = 0;
    for (const ProbedPacket& p : packets) {
        if (p.codecType == "video" && p.keyframe && p.pts <= start + 1e-6) {
            key = std::max(key, p.pts);
        }
    }
    return key;
}

} // namespace

TEST_P(RmCutTest, StartsOnKeyframeAndKeepsTheRange)
{
    const std::string in = clip(ClipKind::Rv20Ac3, 3000, "Cut", 10); // keyframe every 400 ms
    const Range range = GetParam();
    TempDir dir;
    auto file = rm::OpenRmFile(in, nullptr);
    ASSERT_TRUE(file);
    file->setStartPosition(range.start);
    file->setEndPosition(range.end);
    ASSERT_EQ(file->write(dir.file("cut.rm")), 0);

    const auto inPackets = probePackets(in);
    const double key = keyframeAtOrBefore(inPackets, range.start / 1000.0);
    const double end = std::min(range.end / 1000.0, probeDuration(in));
    EXPECT_NEAR(probeDuration(dir.file("cut.rm")), end - key, 0.045);

    size_t expectedVideo = 0;
    for (const ProbedPacket& p : inPackets) {
        if (p.codecType == "video" && p.pts >= key - 1e-6 && p.pts < end - 1e-6) {
            ++expectedVideo;
        }
    }
    const auto outPackets = probePackets(dir.file("cut.rm"));
    size_t video = 0;
    bool first = true;
    for (const ProbedPacket& p : outPackets) {
        if (p.codecType != "video") {
            continue;
        }
        if (first) {
            EXPECT_TRUE(p.keyframe) << "first video packet is not a keyframe";
            EXPECT_NEAR(p.pts, 0.0, 1e-6);
            first = false;
        }
        ++video;
    }
    EXPECT_EQ(video, expectedVideo);
    for (const ProbedPacket& p : outPackets) {
        EXPECT_GE(p.pts, 0.0);
    }
    EXPECT_EQ(decodeErrors(dir.file("cut.rm")), "");
    LayoutRules rules;
    rules.cut = range.start > 0;
    EXPECT_EQ(checkLayout(dir.file("cut.rm"), rules), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Ranges, RmCutTest,
                         ::testing::Values(Range{0, 1000}, Range{400, 1200}, Range{500, 2000},
                                           Range{1234, 2999}, Range{2500, 60000}),
                         [](const auto& info) {
                             return std::to_string(info.param.start) + "_" + std::to_string(info.param.end);
                         });

TEST(RmCut, AudioOnlyFileWithoutTimestamps)
{
    // ffmpeg stamps every RealAudio 1.0 packet with time 0; the cut still keeps about the asked range.
    const std::string in = clip(ClipKind::Real144Only, 3000);
    TempDir dir;
    auto file = rm::OpenRmFile(in, nullptr);
    ASSERT_TRUE(file);
    EXPECT_NEAR(file->durationMs(), 3000, 60);
    file->setStartPosition(1000);
    file->setEndPosition(2000);
    ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
    EXPECT_NEAR(probeDuration(dir.file("cut.rm")), 1.0, 0.05);
    EXPECT_EQ(decodeErrors(dir.file("cut.rm")), "");
}

TEST(RmCut, AudioOnlyAc3)
{
    const std::string in = clip(ClipKind::Ac3Only, 2000);
    TempDir dir;
    auto file = rm::OpenRmFile(in, nullptr);
    ASSERT_TRUE(file);
    file->setStartPosition(500);
    file->setEndPosition(1500);
    ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
    EXPECT_NEAR(probeDuration(dir.file("cut.rm")), 1.0, 0.05);
    EXPECT_EQ(decodeErrors(dir.file("cut.rm")), "");
}

TEST(RmCut, RangeOverJoinedInputs)
{
    TempDir dir;
    auto file = rm::OpenRmFile(clip(ClipKind::Rv20Ac3, 2000, "", 10), nullptr);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->append(clip(ClipKind::Rv20Ac3, 2000, "", 10)), 0);
    file->setStartPosition(1600);
    file->setEndPosition(3000);
    ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
    EXPECT_NEAR(probeDuration(dir.file("cut.rm")), 1.4, 0.045);
    EXPECT_EQ(decodeErrors(dir.file("cut.rm")), "");
    EXPECT_EQ(checkLayout(dir.file("cut.rm"), {true, 300}), std::vector<std::string>{});
}

struct BadRange
{
    const char* name;
    int start;
    int end;
    rm::RmError expected;
};

class RmBadRangeTest : public ::testing::TestWithParam<BadRange>
{
};

TEST_P(RmBadRangeTest, IsRefusedWithoutWriting)
{
    TempDir dir;
    auto file = rm::OpenRmFile(clip(ClipKind::Rv20Ac3, 1000), nullptr);
    ASSERT_TRUE(file);
    file->setStartPosition(GetParam().start);
    file->setEndPosition(GetParam().end);
    EXPECT_EQ(file->write(dir.file("cut.rm")), static_cast<int>(GetParam().expected));
    EXPECT_TRUE(dir.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, RmBadRangeTest,
    ::testing::Values(BadRange{"end_before_start", 800, 200, rm::RmError::EndBeforeStart},
                      BadRange{"empty", 500, 500, rm::RmError::EmptyRange},
                      BadRange{"start_after_clip", 5000, 6000, rm::RmError::RangeOutsideClip},
                      BadRange{"negative_start", -10, 500, rm::RmError::RangeOutsideClip},
                      BadRange{"negative_end", 0, -1, rm::RmError::EndBeforeStart}),
    [](const auto& info) { return std::string(info.param.name); });
