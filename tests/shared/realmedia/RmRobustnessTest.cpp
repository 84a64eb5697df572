// Damaged and foreign inputs: every one is refused with its own error (or opened when harmless), never a
// crash.

#include "FuzzOneInput.h"
#include "OutputSink.h"
#include "RmFile.h"
#include "RmLayoutCheck.h"
#include "RmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

using namespace rmtest;
using rm::RmError;

namespace {

class NullSink : public rm::OutputSink
{
public:
    bool write(const uint8_t*, size_t size) override
    {
        written += size;
        return true;
    }
    RmError error() const override { return RmError::Ok; }
    size_t written = 0;
};

size_t find(const Bytes& b, const char* id, size_t from = 0)
{
    for (size_t i = from; i + 4 <= b.size(); ++i) {
        if (std::memcmp(b.data() + i, id, 4) == 0) {
            return i;
        }
    }
    return std::string::npos;
}

void setU16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}

void setU32(Bytes& b, size_t at, uint32_t v)
{
    setU16(b, at, static_cast<uint16_t>(v >> 16));
    setU16(b, at + 2, static_cast<uint16_t>(v));
}

Bytes base()
{
    return readBytes(clip(ClipKind::Rv10Real144, 1000, "Base"));
}

// Opens bytes from a file; when it opens, writing and cutting it must not fail on memory or crash.
int openBytes(const Bytes& bytes, const TempDir& dir)
{
    const std::string path = dir.file("in.rm");
    writeBytes(path, bytes);
    int error = -1;
    auto file = rm::OpenRmFile(path, &error);
    if (file) {
        NullSink sink;
        EXPECT_EQ(file->writeTo(sink), 0);
        file->setStartPosition(static_cast<int32_t>(file->durationMs() / 2));
        NullSink cut;
        file->writeTo(cut);
    }
    return error;
}

struct Damage
{
    const char* name;
    std::function<Bytes()> make;
    std::set<RmError> expected;
};

class RmDamageTest : public ::testing::TestWithParam<Damage>
{
};

Bytes mutated(const std::function<void(Bytes&)>& change)
{
    Bytes b = base();
    change(b);
    return b;
}

Bytes text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// Rewrites every packet of the file as an object version 1 packet (13-byte header, ASM rule 0).
Bytes toVersion1(const Bytes& in)
{
    const size_t data = find(in, "DATA");
    Bytes out(in.begin(), in.begin() + static_cast<long>(data) + 18);
    const uint32_t count =
        static_cast<uint32_t>(in[data + 10]) << 24 | in[data + 11] << 16 | in[data + 12] << 8 | in[data + 13];
    size_t p = data + 18;
    for (uint32_t i = 0; i < count; ++i) {
        const uint16_t length = static_cast<uint16_t>(in[p + 2] << 8 | in[p + 3]);
        Bytes packet(in.begin() + static_cast<long>(p), in.begin() + static_cast<long>(p + length));
        setU16(packet, 0, 1);
        setU16(packet, 2, static_cast<uint16_t>(length + 1));
        const uint8_t flags = packet[11];
        packet[10] = 0;
        packet[11] = 0;
        packet.insert(packet.begin() + 12, flags);
        out.insert(out.end(), packet.begin(), packet.end());
        p += length;
    }
    setU32(out, data + 4, static_cast<uint32_t>(out.size() - data));
    return out;
}

} // namespace

TEST_P(RmDamageTest, GivesItsError)
{
    TempDir dir;
    const int error = openBytes(GetParam().make(), dir);
    EXPECT_TRUE(GetParam().expected.count(static_cast<RmError>(error)))
        << "got " << error << ": " << rm::RmFile::errorText(error);
    EXPECT_FALSE(rm::RmFile::errorText(error).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RmDamageTest,
    ::testing::Values(
        Damage{"empty", [] { return Bytes(); }, {RmError::NotRealMedia}},
        Damage{"old_realaudio",
               [] { return text(std::string(".ra\xfd\x00\x04\x00\x00", 8) + "ra4 data"); },
               {RmError::OldRealAudio}},
        Damage{"ram_text", [] { return text("rtsp://example.com/clip.rm\r\n"); }, {RmError::MetaFile}},
        Damage{"mpeg",
               [] { return text(std::string("\x00\x00\x01\xba\x44\x00\x04\x00\x04\x01", 10)); },
               {RmError::NotRealMedia}},
        Damage{"rmf_only", [] { return mutated([](Bytes& b) { b.resize(18); }); }, {RmError::NoData}},
        Damage{"no_data_chunk",
               [] { return mutated([](Bytes& b) { b.resize(find(b, "DATA")); }); },
               {RmError::NoData}},
        Damage{
            "rmf_size_tiny", [] { return mutated([](Bytes& b) { setU32(b, 4, 3); }); }, {RmError::BadChunk}},
        Damage{"prop_size_past_end",
               [] { return mutated([](Bytes& b) { setU32(b, find(b, "PROP") + 4, 0x7fffffff); }); },
               {RmError::Truncated}},
        Damage{"prop_size_tiny",
               [] { return mutated([](Bytes& b) { setU32(b, find(b, "PROP") + 4, 4); }); },
               {RmError::BadChunk}},
        Damage{"prop_overlaps_next",
               [] { return mutated([](Bytes& b) { setU32(b, find(b, "PROP") + 4, 20); }); },
               {RmError::BadChunk}},
        Damage{"no_prop",
               [] { return mutated([](Bytes& b) { b[find(b, "PROP")] = 'X'; }); },
               {RmError::BadChunk}},
        Damage{"no_mdpr",
               [] {
                   return mutated([](Bytes& b) {
                       for (size_t at = find(b, "MDPR"); at != std::string::npos; at = find(b, "MDPR", at)) {
                           b[at] = 'X';
                       }
                   });
               },
               {RmError::NoStreams}},
        Damage{"mdpr_type_data_length_lies",
               [] {
                   return mutated([](Bytes& b) {
                       const size_t m = find(b, "MDPR");
                       size_t q = m + 40;
                       q += 1 + b[q];
                       q += 1 + b[q];
                       setU32(b, q, 0xfffffff0);
                   });
               },
               {RmError::BadChunk}},
        Damage{"mdpr_duplicate_stream",
               [] {
                   return mutated([](Bytes& b) {
                       const size_t second = find(b, "MDPR", find(b, "MDPR") + 4);
                       setU16(b, second + 10, 0);
                   });
               },
               {RmError::BadChunk}},
        Damage{"mdpr_unknown_version",
               [] { return mutated([](Bytes& b) { setU16(b, find(b, "MDPR") + 8, 5); }); },
               {RmError::UnsupportedVersion}},
        Damage{"data_count_huge",
               [] { return mutated([](Bytes& b) { setU32(b, find(b, "DATA") + 10, 0x7fffffff); }); },
               {RmError::Ok, RmError::BadPacket}},
        Damage{"data_count_zero",
               [] { return mutated([](Bytes& b) { setU32(b, find(b, "DATA") + 10, 0); }); },
               {RmError::Ok}},
        Damage{"data_size_past_end",
               [] { return mutated([](Bytes& b) { setU32(b, find(b, "DATA") + 4, 0x7fffffff); }); },
               {RmError::Ok}},
        Damage{"data_next_loops",
               [] {
                   return mutated([](Bytes& b) {
                       const size_t d = find(b, "DATA");
                       setU32(b, d + 14, static_cast<uint32_t>(d));
                   });
               },
               {RmError::BadChunk}},
        // The next DATA chunk lies past the end: cut off there; every packet up to it is whole.
        Damage{"data_next_past_end",
               [] { return mutated([](Bytes& b) { setU32(b, find(b, "DATA") + 14, 0x7ffffff0); }); },
               {RmError::Ok}},
        Damage{"packet_length_short",
               [] { return mutated([](Bytes& b) { setU16(b, find(b, "DATA") + 20, 5); }); },
               {RmError::BadPacket}},
        Damage{"packet_length_past_end",
               [] {
                   return mutated([](Bytes& b) {
                       b.resize(find(b, "DATA") + 40);
                       setU16(b, find(b, "DATA") + 20, 0xffff);
                   });
               },
               {RmError::Truncated}},
        Damage{"packet_length_misaligns",
               [] { return mutated([](Bytes& b) { setU16(b, find(b, "DATA") + 20, 13); }); },
               {RmError::BadPacket, RmError::UnknownStream, RmError::Truncated}},
        Damage{"packet_version_unknown",
               [] { return mutated([](Bytes& b) { setU16(b, find(b, "DATA") + 18, 7); }); },
               {RmError::BadPacket}},
        Damage{"packet_unknown_stream",
               [] { return mutated([](Bytes& b) { setU16(b, find(b, "DATA") + 22, 9); }); },
               {RmError::UnknownStream}},
        Damage{"index_offset_nowhere",
               [] { return mutated([](Bytes& b) { setU32(b, find(b, "PROP") + 38, 0xffffff00); }); },
               {RmError::Ok}},
        Damage{"data_offset_wrong",
               [] { return mutated([](Bytes& b) { setU32(b, find(b, "PROP") + 42, 7); }); },
               {RmError::Ok}},
        Damage{"packet_version_1", [] { return toVersion1(base()); }, {RmError::Ok}},
        Damage{"endless_header_chunks",
               [] {
                   return mutated([](Bytes& b) {
                       const Bytes tiny = {'J', 'U', 'N', 'K', 0, 0, 0, 10, 0, 0};
                       Bytes many;
                       for (int i = 0; i < 5000; ++i) {
                           many.insert(many.end(), tiny.begin(), tiny.end());
                       }
                       b.insert(b.begin() + static_cast<long>(find(b, "DATA")), many.begin(), many.end());
                   });
               },
               {RmError::BadChunk}}),
    [](const auto& info) { return std::string(info.param.name); });

// Cut anywhere: inside the headers the file is refused; once a packet is whole it opens (a download that
// stopped plays as far as it got), says it is cut off, and writes.
TEST(RmDamage, TruncationOpensOnceAPacketIsWhole)
{
    const Bytes whole = base();
    const Layout layout = readLayout(clip(ClipKind::Rv10Real144, 1000, "Base"), false);
    ASSERT_FALSE(layout.packets.empty());
    const size_t firstEnd = layout.packets.front().offset + layout.packets.front().length;
    const size_t lastEnd = layout.packets.back().offset + layout.packets.back().length;
    TempDir dir;
    for (size_t cut = 0; cut <= whole.size(); cut += cut < firstEnd + 8 ? 1 : 53) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<long>(cut));
        const int error = openBytes(part, dir);
        if (cut < firstEnd) {
            EXPECT_NE(error, 0) << "cut at " << cut;
            continue;
        }
        ASSERT_EQ(error, 0) << "cut at " << cut;
        auto file = rm::OpenRmFile(dir.file("in.rm"), nullptr);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->truncated(), cut < lastEnd) << "cut at " << cut;
    }
}

TEST(RmDamage, PathsThatAreNotFiles)
{
    TempDir dir;
    int error = 0;
    EXPECT_EQ(rm::OpenRmFile(dir.path(), &error), nullptr);
    EXPECT_EQ(error, static_cast<int>(RmError::OpenFailed));
    EXPECT_EQ(rm::OpenRmFile(dir.file("missing.rm"), &error), nullptr);
    EXPECT_EQ(error, static_cast<int>(RmError::OpenFailed));
    EXPECT_EQ(rm::OpenRmFile("", &error), nullptr);
    EXPECT_EQ(error, static_cast<int>(RmError::OpenFailed));
}

TEST(RmDamage, EveryErrorHasItsOwnText)
{
    std::set<std::string> texts;
    for (int e = 0; e <= rm::LastRmError; ++e) {
        EXPECT_TRUE(texts.insert(rm::RmFile::errorText(e)).second) << "text of " << e << " is shared";
    }
    EXPECT_FALSE(texts.count(rm::RmFile::errorText(9999)));
}

TEST(RmPackets, Version1PacketsAreCopiedWithTheirHeaders)
{
    TempDir dir;
    writeBytes(dir.file("v1.rm"), toVersion1(base()));
    auto file = rm::OpenRmFile(dir.file("v1.rm"), nullptr);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->append(dir.file("v1.rm")), 0);
    ASSERT_EQ(file->write(dir.file("out.rm")), 0);
    const Layout in = readLayout(dir.file("v1.rm"), false);
    const Layout out = readLayout(dir.file("out.rm"));
    ASSERT_TRUE(out.ok) << out.problem;
    ASSERT_EQ(out.packets.size(), 2 * in.packets.size());
    for (size_t i = 0; i < out.packets.size(); ++i) {
        const auto& a = in.packets[i % in.packets.size()];
        EXPECT_EQ(out.packets[i].version, 1);
        EXPECT_EQ(out.packets[i].length, a.length);
        EXPECT_EQ(out.packets[i].keyframe, a.keyframe);
    }
}

TEST(RmStreams, LogicalFileInfoIsKept)
{
    Bytes b = base();
    const std::string mime = "logical-fileinfo";
    const Bytes properties = {0, 0, 0, 8, 0, 0, 0, 0};
    Bytes chunk = {'M', 'D', 'P', 'R', 0, 0, 0, 0, 0, 0, 0, 2};
    chunk.resize(chunk.size() + 28, 0);
    chunk.push_back(0);
    chunk.push_back(static_cast<uint8_t>(mime.size()));
    chunk.insert(chunk.end(), mime.begin(), mime.end());
    chunk.insert(chunk.end(), {0, 0, 0, static_cast<uint8_t>(properties.size())});
    chunk.insert(chunk.end(), properties.begin(), properties.end());
    setU32(chunk, 4, static_cast<uint32_t>(chunk.size()));
    b.insert(b.begin() + static_cast<long>(find(b, "DATA")), chunk.begin(), chunk.end());
    TempDir dir;
    writeBytes(dir.file("multi.rm"), b);
    auto file = rm::OpenRmFile(dir.file("multi.rm"), nullptr);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->streams().size(), 3u);
    ASSERT_EQ(file->append(dir.file("multi.rm")), 0);
    ASSERT_EQ(file->write(dir.file("out.rm")), 0);
    const Layout out = readLayout(dir.file("out.rm"));
    ASSERT_TRUE(out.ok) << out.problem;
    ASSERT_EQ(out.mimeTypes.size(), 3u);
    EXPECT_EQ(out.mimeTypes[2], mime);
    EXPECT_EQ(out.typeSpecific[2], properties);
    EXPECT_EQ(out.propStreams, 3);
}

// Inputs the fuzzer found interesting: each opens or fails cleanly, and writes when it opens. Inputs of
// the join-and-cut target (*.fuzz: control bytes and two files) go through the same steps it takes.
TEST(RmFuzzRegression, StoredInputsOpenAndWrite)
{
    const std::filesystem::path data = RM_TEST_DATA_DIR;
    size_t count = 0;
    TempDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
        SCOPED_TRACE(entry.path().string());
        if (entry.path().extension() == ".fuzz") {
            const Bytes input = readBytes(entry.path().string());
            rmfuzz::runOneInput(input.data(), input.size());
            ++count;
            continue;
        }
        const int error = openBytes(readBytes(entry.path().string()), dir);
        EXPECT_FALSE(rm::RmFile::errorText(error).empty());
        ++count;
    }
    EXPECT_GT(count, 0u);
}

// Packets spread over chained DATA chunks: a retitle keeps the chunks, a join reads them all into one.
TEST(RmPackets, DataSplitOverChainedChunksIsReadWhole)
{
    const Bytes in = base();
    const Layout layout = readLayout(clip(ClipKind::Rv10Real144, 1000, "Base"), false);
    ASSERT_GT(layout.packets.size(), 4u);
    const size_t data = find(in, "DATA");
    const size_t half = layout.packets.size() / 2;
    const size_t split = layout.packets[half].offset;
    const size_t end = layout.packets.back().offset + layout.packets.back().length;
    Bytes out(in.begin(), in.begin() + static_cast<long>(split));
    setU32(out, data + 4, static_cast<uint32_t>(split - data));
    setU32(out, data + 10, static_cast<uint32_t>(half));
    setU32(out, data + 14, static_cast<uint32_t>(split));
    const Bytes second = {'D', 'A', 'T', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.insert(out.end(), second.begin(), second.end());
    setU32(out, split + 4, static_cast<uint32_t>(18 + end - split));
    setU32(out, split + 10, static_cast<uint32_t>(layout.packets.size() - half));
    out.insert(out.end(), in.begin() + static_cast<long>(split), in.begin() + static_cast<long>(end));
    TempDir dir;
    writeBytes(dir.file("split.rm"), out);
    auto file = rm::OpenRmFile(dir.file("split.rm"), nullptr);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->packetCount(), layout.packets.size());
    file->setTitle("Split");
    ASSERT_EQ(file->write(dir.file("retitled.rm")), 0);
    const auto retitled = parseModel(readBytes(dir.file("retitled.rm")));
    ASSERT_TRUE(retitled);
    EXPECT_EQ(retitled->dataChunkOffsets.size(), 2u);
    EXPECT_EQ(retitled->packets.size(), layout.packets.size());
    EXPECT_EQ(retitled->title(), "Split");

    ASSERT_EQ(file->append(dir.file("split.rm")), 0);
    ASSERT_EQ(file->write(dir.file("joined.rm")), 0);
    EXPECT_EQ(checkLayout(dir.file("joined.rm")), std::vector<std::string>{});
    const Layout written = readLayout(dir.file("joined.rm"));
    ASSERT_TRUE(written.ok) << written.problem;
    EXPECT_EQ(written.packets.size(), 2 * layout.packets.size());
    EXPECT_EQ(decodeErrors(dir.file("joined.rm")), "");
}
