// Files laid out as other encoders write them (built by rewriting ffmpeg's output): several frames per
// video packet, file-info streams, multi-rate streams, clocks past 2^32 ms, sound before the first
// keyframe, interleaved audio, RealVideo 4 B-frames and downloads cut off. Joins and cuts of each are
// checked with ffprobe/ffmpeg and with the layout checker.

#include "RmFile.h"
#include "RmLayoutCheck.h"
#include "RmLayouts.h"
#include "RmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace rmtest;

namespace {

const std::vector<std::string> NoProblems;

std::string put(const TempDir& dir, const std::string& name, const Bytes& bytes)
{
    writeBytes(dir.file(name), bytes);
    return dir.file(name);
}

std::unique_ptr<rm::RmFile> openAll(const std::vector<std::string>& paths)
{
    int error = 0;
    auto file = rm::OpenRmFile(paths.front(), &error);
    EXPECT_TRUE(file) << rm::RmFile::errorText(error);
    for (size_t i = 1; file && i < paths.size(); ++i) {
        const int e = file->append(paths[i]);
        EXPECT_EQ(e, 0) << rm::RmFile::errorText(e);
        if (e != 0) {
            return nullptr;
        }
    }
    return file;
}

std::vector<double> ptsOf(const std::vector<ProbedPacket>& packets, const std::string& type, int stream = -1)
{
    std::vector<double> pts;
    for (const ProbedPacket& p : packets) {
        if (p.codecType == type && (stream < 0 || p.streamIndex == stream)) {
            pts.push_back(p.pts);
        }
    }
    return pts;
}

// Largest step between consecutive values, and whether they never go back.
double largestStep(const std::vector<double>& values, bool& rising)
{
    double step = 0;
    rising = true;
    for (size_t i = 1; i < values.size(); ++i) {
        rising = rising && values[i] >= values[i - 1];
        step = std::max(step, values[i] - values[i - 1]);
    }
    return step;
}

} // namespace

struct Material
{
    const char* name;
    ClipKind kind;
};

class RmMaterialTest : public ::testing::TestWithParam<Material>
{
};

// Several frames per video packet, each with its own timestamp: after a join every frame's time runs on.
TEST_P(RmMaterialTest, MultiFramePacketsJoinOnOneTimeline)
{
    TempDir dir;
    const std::string a = put(dir, "a.rm", multiFrameVideo(readBytes(clip(GetParam().kind, 1000)), 3));
    const std::string b = put(dir, "b.rm", multiFrameVideo(readBytes(clip(GetParam().kind, 2000)), 3));
    auto file = openAll({a, b});
    ASSERT_TRUE(file);
    ASSERT_EQ(file->write(dir.file("out.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("out.rm")), NoProblems);
    EXPECT_EQ(decodeErrors(dir.file("out.rm")), "");
    EXPECT_NEAR(probeDuration(dir.file("out.rm")), file->durationMs() / 1000.0, 0.05);
    bool rising = false;
    const auto video = ptsOf(probePackets(dir.file("out.rm")), "video");
    EXPECT_LE(largestStep(video, rising), 0.15); // a part starts after the longest stream before it ends
    EXPECT_TRUE(rising);
    EXPECT_NEAR(video.back(), file->durationMs() / 1000.0 - 0.04, 0.15);
}

// A download cut off part way: it opens, says so, and its whole part joins and cuts correctly.
TEST_P(RmMaterialTest, CutOffFileJoinsAndCuts)
{
    TempDir dir;
    const std::string plain = clip(GetParam().kind, 2000, "", 10);
    const Bytes whole = readBytes(plain);
    const auto model = parseModel(whole);
    ASSERT_TRUE(model);
    const ModelPacket& middle = model->packets[model->packets.size() * 3 / 5];
    const std::string cutOff =
        put(dir, "cutoff.rm", Bytes(whole.begin(), whole.begin() + static_cast<long>(middle.offset + 7)));
    auto file = openAll({cutOff});
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->truncated());
    const ProcessResult info = run({RM_TOOL_PATH, "info", cutOff});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_NE(info.out.find("truncated: yes"), std::string::npos) << info.out;

    file->setStartPosition(0);
    file->setEndPosition(static_cast<int32_t>(file->durationMs()));
    ASSERT_EQ(file->write(dir.file("intact.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("intact.rm")), NoProblems);
    EXPECT_EQ(decodeErrors(dir.file("intact.rm")), "");
    const double intact = probeDuration(dir.file("intact.rm"));
    EXPECT_NEAR(intact, file->durationMs() / 1000.0, 0.05);
    EXPECT_GT(intact, 1.0);
    EXPECT_LT(intact, probeDuration(plain) - 0.5);

    auto joined = openAll({cutOff, plain});
    ASSERT_TRUE(joined);
    ASSERT_EQ(joined->write(dir.file("joined.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("joined.rm")), NoProblems);
    EXPECT_EQ(decodeErrors(dir.file("joined.rm")), "");
    EXPECT_NEAR(probeDuration(dir.file("joined.rm")), intact + probeDuration(plain), 0.15);
    EXPECT_FALSE(rm::OpenRmFile(dir.file("joined.rm"), nullptr)->truncated());
}

INSTANTIATE_TEST_SUITE_P(Codecs, RmMaterialTest,
                         ::testing::Values(Material{"rv20_ac3", ClipKind::Rv20Ac3},
                                           Material{"rv10_real144", ClipKind::Rv10Real144}),
                         [](const auto& info) { return std::string(info.param.name); });

// After a cut, the frames inside a packet keep step with the sound.
TEST(RmLayouts, MultiFramePacketsCutInStepWithTheSound)
{
    TempDir dir;
    const std::string in =
        put(dir, "in.rm", multiFrameVideo(readBytes(clip(ClipKind::Rv20Ac3, 3000, "", 10)), 3));
    auto file = openAll({in});
    ASSERT_TRUE(file);
    file->setStartPosition(1000);
    file->setEndPosition(2000);
    ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("cut.rm"), {true, 300}), NoProblems);
    EXPECT_EQ(decodeErrors(dir.file("cut.rm")), "");
    const auto packets = probePackets(dir.file("cut.rm"));
    const auto video = ptsOf(packets, "video");
    const auto audio = ptsOf(packets, "audio");
    ASSERT_FALSE(video.empty());
    ASSERT_FALSE(audio.empty());
    EXPECT_NEAR(video.front(), 0.0, 1e-6);
    EXPECT_NEAR(video.back(), audio.back(), 0.1); // both end where the range ends
    EXPECT_NEAR(video.back(), 1.16, 0.1);         // from the keyframe at 0.8 s to 2.0 s
}

// Frame timestamps stored in 16 bits grow to 32 bits once the joined timeline passes 16.383 s.
TEST(RmLayouts, FrameTimestampsWidenPastSixteenSeconds)
{
    TempDir dir;
    const std::string a =
        put(dir, "a.rm", multiFrameVideo(readBytes(clip(ClipKind::Rv20Video, 8500, "", 25)), 4));
    auto file = openAll({a, a});
    ASSERT_TRUE(file);
    ASSERT_EQ(file->write(dir.file("out.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("out.rm")), NoProblems);
    EXPECT_EQ(decodeErrors(dir.file("out.rm")), "");
    bool rising = false;
    const auto video = ptsOf(probePackets(dir.file("out.rm")), "video");
    EXPECT_LE(largestStep(video, rising), 0.2);
    EXPECT_TRUE(rising);
    ASSERT_GT(file->durationMs(), 16500u);
    EXPECT_NEAR(video.back(), file->durationMs() / 1000.0 - 0.04, 0.2);
}

// Files encoded separately differ in their file-info stream only: they join, and the output's file-info
// stream points at the output's data and carries the output's title.
TEST(RmLayouts, FileInfoDoesNotStopAJoin)
{
    TempDir dir;
    const Bytes base = readBytes(clip(ClipKind::Rv20Ac3, 1000, "Take"));
    const std::string a =
        put(dir, "a.rm", withFileInfo(base, {{"Title", "Take"}, {"Creation Date", "1/2/2003"}}));
    const std::string b = put(
        dir, "b.rm", withFileInfo(base, {{"Title", "Take two"}, {"Creation Date", "4/5/2006 7:08"}}, false));
    const std::string plain = clip(ClipKind::Rv20Ac3, 1000, "Take");
    auto file = openAll({a, b, plain});
    ASSERT_TRUE(file);
    file->setTitle("Both takes");
    ASSERT_EQ(file->write(dir.file("out.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("out.rm")), NoProblems);
    EXPECT_EQ(decodeErrors(dir.file("out.rm")), "");
    EXPECT_EQ(probeTitle(dir.file("out.rm")), "Both takes");
    EXPECT_NEAR(probeDuration(dir.file("out.rm")), 3 * probeDuration(plain), 0.15);
    const auto model = parseModel(readBytes(dir.file("out.rm")));
    ASSERT_TRUE(model);
    const auto info = parseFileInfo(model->streams().back().typeSpecific);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->text("Creation Date"), "1/2/2003"); // the rest describes the first input
    EXPECT_EQ(info->dataOffsets, std::vector<uint32_t>{static_cast<uint32_t>(model->dataChunkOffsets[0])});

    // A file without a file-info stream opens first just as well.
    auto reversed = openAll({plain, b});
    ASSERT_TRUE(reversed);
    ASSERT_EQ(reversed->write(dir.file("reversed.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("reversed.rm")), NoProblems);
}

struct MultiRate
{
    const char* name;
    bool version1;
};

class RmMultiRateTest : public ::testing::TestWithParam<MultiRate>
{
};

// One stream number, two encodings with keyframes at different times: a cut opens each on its own.
TEST_P(RmMultiRateTest, CutStartsEachEncodingOnItsOwnKeyframe)
{
    TempDir dir;
    const Bytes a = readBytes(clip(ClipKind::Rv20Video, 3000, "", 10)); // keyframes every 400 ms
    const Bytes b = readBytes(clip(ClipKind::Rv20Video, 3000, "", 7));  // every 280 ms
    const std::string in = put(dir, "in.rm", multiRateVideo(a, b, GetParam().version1));
    auto file = openAll({in});
    ASSERT_TRUE(file);
    file->setStartPosition(1000);
    file->setEndPosition(2500);
    ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("cut.rm"), {true, 300}), NoProblems);
    // Encoding 0 opens on its keyframe at 0.8 s; encoding 1 on its next one, at 0.84 s.
    const auto model = parseModel(readBytes(dir.file("cut.rm")));
    ASSERT_TRUE(model);
    std::map<int, const ModelPacket*> first;
    const ModelStream stream = model->streams()[0];
    for (const ModelPacket& p : model->packets) {
        first.emplace(encodingOf(stream, p), &p);
    }
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0]->timestamp, 0u);
    EXPECT_EQ(first[1]->timestamp, 40u);
    EXPECT_TRUE(first[0]->keyframe() && first[1]->keyframe());
    if (!GetParam().version1) { // ffmpeg reads only version 0 packets
        const auto packets = probePackets(dir.file("cut.rm"));
        for (int s : {0, 1}) {
            auto it = std::find_if(packets.begin(), packets.end(),
                                   [&](const ProbedPacket& p) { return p.streamIndex == s; });
            ASSERT_NE(it, packets.end());
            EXPECT_TRUE(it->keyframe) << "encoding " << s;
        }
        EXPECT_EQ(decodeErrors(dir.file("cut.rm")), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Packets, RmMultiRateTest,
                         ::testing::Values(MultiRate{"version0", false}, MultiRate{"version1", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A clock that passes 2^32 ms inside the file: the length is the real one, cuts and joins work.
TEST(RmLayouts, TimestampsCrossingTwoToTheThirtySecond)
{
    TempDir dir;
    const std::string plain = clip(ClipKind::Rv20Ac3, 2000, "", 10);
    const std::string wrapped = put(dir, "wrapped.rm", shiftTimestamps(readBytes(plain), 0xffffffffu - 499));
    auto file = openAll({wrapped});
    ASSERT_TRUE(file);
    EXPECT_NEAR(file->durationMs(), probeDuration(plain) * 1000, 60);
    file->setStartPosition(800);
    file->setEndPosition(1600);
    ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
    EXPECT_NEAR(probeDuration(dir.file("cut.rm")), 0.8, 0.05);
    EXPECT_EQ(checkLayout(dir.file("cut.rm"), {true, 300}), NoProblems);
    EXPECT_EQ(decodeErrors(dir.file("cut.rm")), "");

    auto joined = openAll({plain, wrapped, plain});
    ASSERT_TRUE(joined);
    ASSERT_EQ(joined->write(dir.file("joined.rm")), 0);
    EXPECT_NEAR(probeDuration(dir.file("joined.rm")), 3 * probeDuration(plain), 0.15);
    EXPECT_EQ(checkLayout(dir.file("joined.rm")), NoProblems);
    EXPECT_EQ(decodeErrors(dir.file("joined.rm")), "");
}

// Sound starts before the first video keyframe: a cut from 0 keeps it.
TEST(RmLayouts, CutFromTheStartKeepsSoundBeforeTheFirstKeyframe)
{
    TempDir dir;
    const std::string in =
        put(dir, "late.rm", dropVideoBefore(readBytes(clip(ClipKind::Rv20Ac3, 2000, "", 10)), 400));
    auto file = openAll({in});
    ASSERT_TRUE(file);
    file->setStartPosition(0);
    file->setEndPosition(1000);
    ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
    const auto inAudio = ptsOf(probePackets(in), "audio");
    const auto outPackets = probePackets(dir.file("cut.rm"));
    const auto outAudio = ptsOf(outPackets, "audio");
    const auto expected = std::count_if(inAudio.begin(), inAudio.end(), [](double t) { return t < 1.0; });
    EXPECT_EQ(static_cast<long>(outAudio.size()), expected);
    ASSERT_FALSE(outAudio.empty());
    EXPECT_NEAR(outAudio.front(), 0.0, 1e-6);
    EXPECT_NEAR(ptsOf(outPackets, "video").front(), 0.4, 1e-6);
    EXPECT_EQ(checkLayout(dir.file("cut.rm")), NoProblems);
    EXPECT_EQ(decodeErrors(dir.file("cut.rm")), "");
}

struct Blocks
{
    const char* name;
    bool rising;
};

class RmInterleaveTest : public ::testing::TestWithParam<Blocks>
{
};

// Interleaved audio: a cut starts on a block and ends after a whole one.
TEST_P(RmInterleaveTest, CutKeepsWholeBlocks)
{
    TempDir dir;
    const std::string in =
        put(dir, "in.rm",
            interleavedAudio(readBytes(clip(ClipKind::Rv20Ac3, 2000, "", 10)), 4, 160, GetParam().rising));
    for (auto [start, end] : {std::pair{400, 1300}, std::pair{0, 1250}, std::pair{850, 1999}}) {
        SCOPED_TRACE(std::to_string(start) + "-" + std::to_string(end));
        auto file = openAll({in});
        ASSERT_TRUE(file);
        file->setStartPosition(start);
        file->setEndPosition(end);
        ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
        EXPECT_EQ(checkLayout(dir.file("cut.rm"), {start > 0, 300}), NoProblems);
        const auto packets = probePackets(dir.file("cut.rm"));
        EXPECT_FALSE(ptsOf(packets, "audio").empty());
        EXPECT_FALSE(ptsOf(packets, "video").empty());
    }
    auto joined = openAll({in, in});
    ASSERT_TRUE(joined);
    ASSERT_EQ(joined->write(dir.file("joined.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("joined.rm")), NoProblems);
}

INSTANTIATE_TEST_SUITE_P(Timestamps, RmInterleaveTest,
                         ::testing::Values(Blocks{"rising", true}, Blocks{"shared", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// RealVideo 4 B-frames: players take their time from the 13-bit frame timestamp relative to the last
// reference frame, so a join keeps every frame time in order without touching the frame headers.
TEST(RmLayouts, RealVideo4FrameTimesFollowTheJoin)
{
    TempDir dir;
    const std::string a = put(dir, "a.rm", realVideo4(2000, 12));
    const std::string b = put(dir, "b.rm", realVideo4(1000, 12, false, 7000));
    auto file = openAll({a, b, a});
    ASSERT_TRUE(file);
    ASSERT_EQ(file->write(dir.file("out.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("out.rm")), NoProblems);
    auto pts = ptsOf(probePackets(dir.file("out.rm")), "video");
    std::sort(pts.begin(), pts.end());
    bool rising = false;
    EXPECT_LE(largestStep(pts, rising), 0.085); // each part lasts as long as its PROP says
    ASSERT_FALSE(pts.empty());
    EXPECT_NEAR(pts.front(), 0.0, 1e-6);
    EXPECT_EQ(std::adjacent_find(pts.begin(), pts.end()), pts.end()) << "two frames at one time";
}

// B-frames right after the opening keyframe refer to frames before it: a cut leaves them out, whatever
// time their packets carry, and also leaves out B-frames whose later reference frame falls past the end.
TEST(RmLayouts, RealVideo4CutLeavesOutBFramesWithoutTheirReferences)
{
    TempDir dir;
    for (bool decodeOrder : {false, true}) {
        SCOPED_TRACE(decodeOrder ? "decode order" : "display order");
        const std::string in = put(dir, "in.rm", realVideo4(3000, 9, decodeOrder));
        auto file = openAll({in});
        ASSERT_TRUE(file);
        file->setStartPosition(decodeOrder ? 300 : 370); // the keyframe of the second group
        file->setEndPosition(decodeOrder ? 1250 : 1300);
        ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
        EXPECT_EQ(checkLayout(dir.file("cut.rm"), {true, 300}), NoProblems);
        const auto model = parseModel(readBytes(dir.file("cut.rm")));
        ASSERT_TRUE(model);
        ASSERT_FALSE(model->packets.empty());
        EXPECT_TRUE(model->packets.front().keyframe());
        // Every B-frame kept comes after the two reference frames it lies between: the one shown before
        // it and the one shown after it (frame times from the 13-bit field of the frame header).
        int references = 0;
        int64_t lastReference = -1;
        for (const ModelPacket& p : model->packets) {
            std::vector<VideoSubPacket> subs;
            ASSERT_TRUE(walkVideoPayload(p.payload, subs));
            const uint8_t* frame = p.payload.data() + subs[0].dataAt;
            const int type = pictureType(4, frame, subs[0].dataLength);
            const int64_t shown = getU32(frame) >> 6 & 0x1fff;
            if (type == 3) {
                EXPECT_GE(references, 2) << "B-frame shown at " << shown;
                EXPECT_LT(shown, lastReference) << "B-frame shown after the last reference frame";
            } else {
                ++references;
                lastReference = shown;
            }
        }
    }
}

// Cut off inside a frame sent in slices or inside an interleave block: that frame or block is left out.
TEST(RmLayouts, CutOffInsideAFrameOrBlockLeavesItOut)
{
    TempDir dir;
    const Bytes sliced =
        slicedVideo(interleavedAudio(readBytes(clip(ClipKind::Rv20Ac3, 2000, "", 10)), 4, 160, true));
    const auto model = parseModel(sliced);
    ASSERT_TRUE(model);
    // Stop right after the first slice of a frame, and again right after the second packet of a block.
    const auto streams = model->streams();
    size_t afterSlice = 0;
    size_t afterBlockPart = 0;
    int inBlock = 0;
    for (size_t i = model->packets.size() / 2; i < model->packets.size(); ++i) {
        const ModelPacket& p = model->packets[i];
        const bool video =
            streams[static_cast<size_t>(model->streamIndexOf(p.stream))].mime.rfind("video/", 0) == 0;
        if (video && afterSlice == 0 && (p.payload[0] >> 6) == 0) {
            afterSlice = p.offset + p.length();
        }
        if (!video) {
            inBlock = p.keyframe() ? 1 : inBlock + 1;
            if (inBlock == 2 && afterBlockPart == 0) {
                afterBlockPart = p.offset + p.length();
            }
        }
    }
    ASSERT_NE(afterSlice, 0u);
    ASSERT_NE(afterBlockPart, 0u);
    for (size_t end : {afterSlice, afterBlockPart}) {
        const std::string in =
            put(dir, "in.rm", Bytes(sliced.begin(), sliced.begin() + static_cast<long>(end)));
        auto file = openAll({in, in});
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->truncated());
        ASSERT_EQ(file->write(dir.file("joined.rm")), 0);
        EXPECT_EQ(checkLayout(dir.file("joined.rm")), NoProblems);
    }
}
