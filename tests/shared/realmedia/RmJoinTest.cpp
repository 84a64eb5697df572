// Joining RealMedia files: durations, packets, titles, recomputed headers, refused mismatches.

#include "RmFile.h"
#include "RmLayoutCheck.h"
#include "RmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace rmtest;

namespace {

struct Family
{
    const char* name;
    ClipKind kind;
};

class RmJoinTest : public ::testing::TestWithParam<Family>
{
};

std::map<int, size_t> packetsPerStream(const std::vector<ProbedPacket>& packets)
{
    std::map<int, size_t> counts;
    for (const ProbedPacket& p : packets) {
        ++counts[p.streamIndex];
    }
    return counts;
}

} // namespace

TEST_P(RmJoinTest, ThreeInputsPlayAsOne)
{
    const std::vector<std::string> inputs = {clip(GetParam().kind, 1000, "One"),
                                             clip(GetParam().kind, 2000, "Two"),
                                             clip(GetParam().kind, 3000, "Three")};
    TempDir dir;
    const std::string out = dir.file("joined.rm");
    int error = -1;
    auto file = rm::OpenRmFile(inputs[0], &error);
    ASSERT_TRUE(file) << rm::RmFile::errorText(error);
    ASSERT_EQ(file->append(inputs[1]), 0);
    ASSERT_EQ(file->append(inputs[2]), 0);
    const std::string title = "結合テスト Live";
    file->setTitle(title);
    ASSERT_EQ(file->write(out), 0);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"joined.rm"});

    double summed = 0;
    std::map<int, size_t> expected;
    for (const std::string& in : inputs) {
        summed += probeDuration(in);
        for (auto [stream, count] : packetsPerStream(probePackets(in))) {
            expected[stream] += count;
        }
    }
    // Each join may add up to one audio frame: the next part starts after the longest stream ends.
    EXPECT_NEAR(probeDuration(out), summed, 0.1);
    const auto packets = probePackets(out);
    EXPECT_EQ(packetsPerStream(packets), expected);
    EXPECT_EQ(probeTitle(out), title);
    EXPECT_EQ(decodeErrors(out), "");

    // Video time runs on across the joins: never backwards, ending near the summed length.
    double last = -1;
    for (const ProbedPacket& p : packets) {
        if (p.codecType == "video") {
            EXPECT_GE(p.pts, last);
            last = p.pts;
        }
    }
    EXPECT_NEAR(last, summed, 0.1);
    EXPECT_EQ(checkLayout(out), std::vector<std::string>{});
}

TEST_P(RmJoinTest, SingleInputCopiesWithNewTitle)
{
    const std::string in = clip(GetParam().kind, 1000, "Old");
    TempDir dir;
    int error = -1;
    auto file = rm::OpenRmFile(in, &error);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->title(), "Old");
    file->setTitle("New");
    EXPECT_EQ(file->title(), "New");
    ASSERT_EQ(file->write(dir.file("copy.rm")), 0);
    EXPECT_EQ(probeTitle(dir.file("copy.rm")), "New");
    EXPECT_EQ(probePackets(dir.file("copy.rm")).size(), probePackets(in).size());
    EXPECT_NEAR(probeDuration(dir.file("copy.rm")), probeDuration(in), 0.05);
    EXPECT_EQ(decodeErrors(dir.file("copy.rm")), "");

    // The payload of every packet is the input's, byte for byte.
    const Layout a = readLayout(in, false);
    const Layout b = readLayout(dir.file("copy.rm"), false); // ffmpeg's DATA size is kept as it was
    ASSERT_TRUE(b.ok) << b.problem;
    ASSERT_EQ(a.packets.size(), b.packets.size());
    const auto inBytes = readBytes(in);
    const auto outBytes = readBytes(dir.file("copy.rm"));
    for (size_t i = 0; i < a.packets.size(); ++i) {
        ASSERT_EQ(a.packets[i].length, b.packets[i].length);
        EXPECT_TRUE(std::equal(inBytes.begin() + static_cast<long>(a.packets[i].offset + 12),
                               inBytes.begin() + static_cast<long>(a.packets[i].offset + a.packets[i].length),
                               outBytes.begin() + static_cast<long>(b.packets[i].offset + 12)));
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, RmJoinTest,
                         ::testing::Values(Family{"rv20_ac3", ClipKind::Rv20Ac3},
                                           Family{"rv10_real144", ClipKind::Rv10Real144}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RmJoin, KeepsFirstTitleWhenNoneIsSet)
{
    TempDir dir;
    auto file = rm::OpenRmFile(clip(ClipKind::Rv20Ac3, 1000, "First"), nullptr);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->append(clip(ClipKind::Rv20Ac3, 2000, "Second")), 0);
    ASSERT_EQ(file->write(dir.file("o.rm")), 0);
    EXPECT_EQ(probeTitle(dir.file("o.rm")), "First");
}

TEST(RmJoin, ShiftJisTitleBytesAreKept)
{
    TempDir dir;
    const std::string sjis = "\x83\x65\x83\x58\x83\x67"; // "テスト" in Shift-JIS
    auto file = rm::OpenRmFile(clip(ClipKind::Rv20Ac3, 1000), nullptr);
    ASSERT_TRUE(file);
    file->setTitle(sjis);
    ASSERT_EQ(file->write(dir.file("o.rm")), 0);
    auto reopened = rm::OpenRmFile(dir.file("o.rm"), nullptr);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->title(), sjis);
}

struct Mismatch
{
    const char* name;
    ClipKind first;
    ClipKind second;
};

class RmJoinMismatchTest : public ::testing::TestWithParam<Mismatch>
{
};

TEST_P(RmJoinMismatchTest, IsRefusedAndLeavesTheObjectUsable)
{
    auto file = rm::OpenRmFile(clip(GetParam().first, 1000), nullptr);
    ASSERT_TRUE(file);
    const uint64_t before = file->packetCount();
    EXPECT_EQ(file->append(clip(GetParam().second, 1000)), static_cast<int>(rm::RmError::StreamMismatch));
    EXPECT_EQ(file->packetCount(), before);
    EXPECT_EQ(file->inputCount(), 1u);
    TempDir dir;
    EXPECT_EQ(file->write(dir.file("o.rm")), 0);
    EXPECT_FALSE(rm::RmFile::errorText(static_cast<int>(rm::RmError::StreamMismatch)).empty());
}

INSTANTIATE_TEST_SUITE_P(Streams, RmJoinMismatchTest,
                         ::testing::Values(Mismatch{"codecs", ClipKind::Rv20Ac3, ClipKind::Rv10Real144},
                                           Mismatch{"frame_size", ClipKind::Rv20Ac3, ClipKind::Rv20Ac3Large},
                                           Mismatch{"stream_count", ClipKind::Rv20Ac3, ClipKind::Ac3Only},
                                           Mismatch{"audio_codec", ClipKind::Ac3Only, ClipKind::Real144Only}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RmJoin, AudioOnlyFilesJoin)
{
    TempDir dir;
    auto file = rm::OpenRmFile(clip(ClipKind::Real144Only, 1000), nullptr);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->append(clip(ClipKind::Real144Only, 2000)), 0);
    ASSERT_EQ(file->write(dir.file("o.rm")), 0);
    EXPECT_NEAR(probeDuration(dir.file("o.rm")), 3.0, 0.1);
    EXPECT_EQ(decodeErrors(dir.file("o.rm")), "");
}

TEST(RmJoin, TitleLongerThanTheFieldIsRefused)
{
    TempDir dir;
    auto file = rm::OpenRmFile(clip(ClipKind::Rv20Ac3, 1000), nullptr);
    ASSERT_TRUE(file);
    file->setTitle(std::string(70000, 'x'));
    EXPECT_EQ(file->write(dir.file("o.rm")), static_cast<int>(rm::RmError::TitleTooLong));
    EXPECT_TRUE(dir.entries().empty());
    file->setTitle(std::string(65535, 'x'));
    EXPECT_EQ(file->write(dir.file("o.rm")), 0);
    EXPECT_EQ(rm::OpenRmFile(dir.file("o.rm"), nullptr)->title().size(), 65535u);
}
