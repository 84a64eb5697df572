// Keyframe lists: equal to ffprobe's with and without an index, for the layouts other encoders write, up to
// damage; and the start they give for a cut is where the written cut really starts.

#include "KeyframeIndex.h"
#include "RmFile.h"
#include "RmLayouts.h"
#include "RmTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace rmtest;

namespace {

std::string put(const TempDir& dir, const std::string& name, const Bytes& bytes)
{
    writeBytes(dir.file(name), bytes);
    return dir.file(name);
}

rm::KeyframeList keyframesOf(const std::string& path)
{
    rm::KeyframeList list;
    EXPECT_EQ(rm::readKeyframes(path, list), rm::RmError::Ok) << path;
    return list;
}

// The keyframes ffprobe decodes from the first video stream, milliseconds. The RealVideo decoders do not
// skip frames when asked, so the frames are also told apart by their key-frame mark.
std::vector<uint32_t> probeKeyframes(const std::string& path)
{
    const ProcessResult r =
        run({"ffprobe", "-v", "error", "-select_streams", "v:0", "-skip_frame", "nokey", "-show_frames",
             "-show_entries", "frame=key_frame,pts_time", "-of", "csv=p=0", path});
    std::vector<uint32_t> times;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("1,", 0) == 0) {
            times.push_back(static_cast<uint32_t>(std::llround(std::atof(line.c_str() + 2) * 1000)));
        }
    }
    return times;
}

bool isVideo(const RmModel& model, const ModelPacket& p)
{
    return model.streams()[static_cast<size_t>(model.streamIndexOf(p.stream))].mime.rfind("video/", 0) == 0;
}

// The frame bytes of a video packet, without the sub-packet headers (whose frame times a write may shift).
Bytes frameData(const ModelPacket& p)
{
    std::vector<VideoSubPacket> subs;
    if (!walkVideoPayload(p.payload, subs)) {
        return p.payload;
    }
    Bytes data;
    for (const VideoSubPacket& s : subs) {
        data.insert(data.end(), p.payload.begin() + static_cast<long>(s.dataAt),
                    p.payload.begin() + static_cast<long>(s.dataAt + s.dataLength));
    }
    return data;
}

// Where the written cut starts in the original, ms from the original's first packet: 0 when it opens with
// that packet, else the time of the original packet holding the frame the cut's video opens with.
std::optional<uint32_t> cutStartIn(const std::string& original, const std::string& cut)
{
    const auto in = parseModel(readBytes(original));
    const auto out = parseModel(readBytes(cut));
    if (!in || !out || in->packets.empty() || out->packets.empty()) {
        return std::nullopt;
    }
    if (out->packets.front().payload == in->packets.front().payload) {
        return 0;
    }
    for (const ModelPacket& first : out->packets) {
        if (!isVideo(*out, first)) {
            continue;
        }
        const Bytes wanted = frameData(first);
        for (const ModelPacket& p : in->packets) {
            if (isVideo(*in, p) && frameData(p) == wanted) {
                return p.timestamp - in->packets.front().timestamp; // modulo 2^32, as the clock wraps
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

Bytes withoutIndex(const Bytes& file)
{
    auto model = parseModel(file);
    EXPECT_TRUE(model);
    model->trailers.clear();
    return serializeModel(*model);
}

struct Source
{
    const char* name;
    ClipKind kind;
    int gop;
};

class RmKeyframeClipTest : public ::testing::TestWithParam<Source>
{
};

} // namespace

// ffmpeg writes no index: the packets are read. The engine's join writes one: it is used, and gives the same
// list as the packets of the same file.
TEST_P(RmKeyframeClipTest, EqualsFfprobeWithAndWithoutIndex)
{
    TempDir dir;
    const std::string in = clip(GetParam().kind, 3000, "", GetParam().gop);
    const rm::KeyframeList scanned = keyframesOf(in);
    EXPECT_FALSE(scanned.fromIndex);
    EXPECT_FALSE(scanned.audioOnly);
    EXPECT_EQ(scanned.times(), probeKeyframes(in));
    EXPECT_GE(scanned.times().size(), 3u);

    auto file = rm::OpenRmFile(in, nullptr);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->append(in), 0);
    ASSERT_EQ(file->append(in), 0); // over 32 keyframes for some: not every record is checked
    ASSERT_EQ(file->write(dir.file("joined.rm")), 0);
    const rm::KeyframeList indexed = keyframesOf(dir.file("joined.rm"));
    EXPECT_TRUE(indexed.fromIndex);
    EXPECT_EQ(indexed.times(), probeKeyframes(dir.file("joined.rm")));
    const std::string bare = put(dir, "bare.rm", withoutIndex(readBytes(dir.file("joined.rm"))));
    const rm::KeyframeList read = keyframesOf(bare);
    EXPECT_FALSE(read.fromIndex);
    EXPECT_EQ(read.times(), indexed.times());

    // An index whose (first) record does not point at a keyframe of its time is not trusted.
    Bytes wrong = readBytes(dir.file("joined.rm"));
    const auto model = parseModel(wrong);
    ASSERT_TRUE(model && !model->trailers.empty());
    const size_t record = model->trailers.front().offset + 20;
    setU32At(wrong, record + 2, getU32(wrong.data() + record + 2) + 1);
    const rm::KeyframeList distrusted = keyframesOf(put(dir, "wrong.rm", wrong));
    EXPECT_FALSE(distrusted.fromIndex);
    EXPECT_EQ(distrusted.times(), indexed.times());

    // rmtool prints the list, one time a line.
    const ProcessResult printed = run({RM_TOOL_PATH, "keyframes", dir.file("joined.rm")});
    EXPECT_EQ(printed.exitCode, 0) << printed.err;
    std::string expected;
    for (uint32_t t : indexed.times()) {
        expected += std::to_string(t) + "\n";
    }
    EXPECT_EQ(printed.out, expected);
}

INSTANTIATE_TEST_SUITE_P(Clips, RmKeyframeClipTest,
                         ::testing::Values(Source{"rv20_g10", ClipKind::Rv20Ac3, 10},
                                           Source{"rv10_g7", ClipKind::Rv10Real144, 7},
                                           Source{"rv20_video_g25", ClipKind::Rv20Video, 25}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Shape
{
    const char* name;
    Bytes (*make)();
    bool probe;                 // ffmpeg decodes it, so ffprobe's list is compared
    Bytes (*whole)() = nullptr; // the file before it was cut off, to find the frames of a cut in
};

class RmKeyframeLayoutTest : public ::testing::TestWithParam<Shape>
{
};

// For each layout the list is ffprobe's where ffmpeg can decode it, and the start it gives for a cut is the
// time of the frame the written cut opens with.
TEST_P(RmKeyframeLayoutTest, CutStartsWhereTheListSays)
{
    TempDir dir;
    const std::string in = put(dir, "in.rm", GetParam().make());
    const std::string whole = GetParam().whole ? put(dir, "whole.rm", GetParam().whole()) : in;
    const rm::KeyframeList list = keyframesOf(in);
    ASSERT_FALSE(list.times().empty());
    if (GetParam().probe) {
        EXPECT_EQ(list.times(), probeKeyframes(in));
    }
    for (uint32_t start : {0u, 500u, 1234u, 2100u, list.times().back()}) {
        SCOPED_TRACE("start " + std::to_string(start));
        const std::optional<uint32_t> shown = list.cutStart(start);
        ASSERT_TRUE(shown);
        auto file = rm::OpenRmFile(in, nullptr);
        ASSERT_TRUE(file);
        file->setStartPosition(static_cast<int32_t>(start));
        file->setEndPosition(static_cast<int32_t>(start + 600));
        ASSERT_EQ(file->write(dir.file("cut.rm")), 0);
        EXPECT_EQ(cutStartIn(whole, dir.file("cut.rm")), shown);
    }
}

Bytes sliced()
{
    return slicedVideo(readBytes(clip(ClipKind::Rv20Ac3, 3000, "", 10)));
}

// Sliced video cut off right after the first slice of its last keyframe: that frame is not whole.
Bytes slicedCutOffInAKeyframe()
{
    const Bytes whole = sliced();
    const auto model = parseModel(whole);
    size_t end = whole.size();
    for (const ModelPacket& p : model->packets) {
        if (isVideo(*model, p) && p.keyframe()) {
            end = p.offset + p.length();
        }
    }
    return Bytes(whole.begin(), whole.begin() + static_cast<long>(end));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RmKeyframeLayoutTest,
    ::testing::Values(
        Shape{"sliced", sliced, false}, Shape{"sliced_cut_off", slicedCutOffInAKeyframe, false, sliced},
        Shape{"multi_frame",
              [] { return multiFrameVideo(readBytes(clip(ClipKind::Rv20Ac3, 3000, "", 10)), 3); }, true},
        Shape{"multi_rate",
              [] {
                  return multiRateVideo(readBytes(clip(ClipKind::Rv20Video, 3000, "", 10)),
                                        readBytes(clip(ClipKind::Rv20Video, 3000, "", 7)), true);
              },
              false},
        Shape{"b_frames", [] { return realVideo4(3000, 9); }, false},
        Shape{"late_video",
              [] { return dropVideoBefore(readBytes(clip(ClipKind::Rv20Ac3, 3000, "", 10)), 700); }, true},
        Shape{"clock_wraps",
              [] {
                  return shiftTimestamps(readBytes(clip(ClipKind::Rv20Ac3, 3000, "", 10)), 0xffffffffu - 999);
              },
              false},
        Shape{"cut_off",
              [] {
                  const Bytes whole = readBytes(clip(ClipKind::Rv20Ac3, 3000, "", 10));
                  return Bytes(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 4 / 5));
              },
              true, [] { return readBytes(clip(ClipKind::Rv20Ac3, 3000, "", 10)); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Multi-rate: the keyframes a cut can open every encoding on are the times both encodings share.
TEST(RmKeyframes, MultiRateListsTheTimesEveryEncodingShares)
{
    TempDir dir;
    const std::string in = put(dir, "in.rm",
                               multiRateVideo(readBytes(clip(ClipKind::Rv20Video, 3000, "", 10)),
                                              readBytes(clip(ClipKind::Rv20Video, 3000, "", 7)), false));
    const rm::KeyframeList list = keyframesOf(in);
    ASSERT_EQ(list.streams.size(), 1u);
    ASSERT_EQ(list.streams[0].encodings.size(), 2u);
    EXPECT_EQ(list.streams[0].encodings[0].at(2), 800u); // every 400 ms
    EXPECT_EQ(list.streams[0].encodings[1].at(2), 560u); // every 280 ms
    EXPECT_EQ(list.times(), (std::vector<uint32_t>{0, 2800}));
    EXPECT_EQ(list.cutStart(1000), 800u); // encoding 0's keyframe; encoding 1 opens on its next one
}

// Damaged packets and no index: the keyframes before the damage, and the damage said; a scan that is
// cancelled stops; sound only has no keyframes to list.
TEST(RmKeyframes, DamageCancelAndSoundOnly)
{
    TempDir dir;
    const std::string plain = clip(ClipKind::Rv20Ac3, 3000, "", 10);
    Bytes damaged = readBytes(plain);
    const auto model = parseModel(damaged);
    ASSERT_TRUE(model);
    const ModelPacket& bad = model->packets[model->packets.size() / 2];
    setU16At(damaged, bad.offset, 7); // no packet has object version 7
    std::vector<uint32_t> before;
    for (const ModelPacket& p : model->packets) {
        if (p.offset < bad.offset && isVideo(*model, p) && p.keyframe()) {
            before.push_back(p.timestamp);
        }
    }
    const std::string broken = put(dir, "broken.rm", damaged);
    const rm::KeyframeList partial = keyframesOf(broken);
    EXPECT_EQ(partial.damage, rm::RmError::BadPacket);
    EXPECT_EQ(partial.times(), before);
    const ProcessResult printed = run({RM_TOOL_PATH, "keyframes", broken});
    EXPECT_EQ(printed.exitCode, 1);
    EXPECT_EQ(std::count(printed.out.begin(), printed.out.end(), '\n'), static_cast<long>(before.size()));

    std::vector<uint64_t> done;
    rm::KeyframeList list;
    EXPECT_EQ(rm::readKeyframes(plain, list,
                                [&](uint64_t d, uint64_t total) {
                                    done.push_back(d);
                                    return d < total / 2;
                                }),
              rm::RmError::Cancelled);
    ASSERT_GE(done.size(), 2u);
    EXPECT_LT(done.back(), readBytes(plain).size());

    const rm::KeyframeList sound = keyframesOf(clip(ClipKind::Ac3Only, 1000));
    EXPECT_TRUE(sound.audioOnly);
    EXPECT_TRUE(sound.times().empty());
    EXPECT_FALSE(sound.cutStart(500));
}
