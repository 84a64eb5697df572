// An in-memory model of a RealMedia file for the tests: parsed from bytes, changed, written back. The
// layout builders use it to turn ffmpeg's output into the layouts other encoders write, and the layout
// checker uses it to read what the engine wrote. Independent of the engine's own reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rmtest {

using Bytes = std::vector<uint8_t>;

uint16_t getU16(const uint8_t* p);
uint32_t getU32(const uint8_t* p);
void putU16(Bytes& out, uint16_t v);
void putU32(Bytes& out, uint32_t v);
void setU16At(Bytes& b, size_t at, uint16_t v);
void setU32At(Bytes& b, size_t at, uint32_t v);

struct ModelChunk
{
    std::string id;
    uint64_t offset = 0; // where it was read (0 for built chunks)
    Bytes bytes;         // the whole chunk, its 10-byte header included
};

struct ModelPacket
{
    uint16_t version = 0;
    uint16_t stream = 0;
    uint32_t timestamp = 0;
    uint16_t rule = 0; // version 0: the packet group byte; version 1: the ASM rule
    uint8_t flags = 0; // 0x02 keyframe
    Bytes payload;
    uint64_t offset = 0; // where it was read
    uint16_t length() const { return static_cast<uint16_t>(payload.size() + (version == 0 ? 12 : 13)); }
    bool keyframe() const { return (flags & 2) != 0; }
};

// Media properties of one MDPR chunk.
struct ModelStream
{
    uint16_t number = 0;
    uint32_t maxBitRate = 0;
    uint32_t averageBitRate = 0;
    uint32_t maxPacketSize = 0;
    uint32_t averagePacketSize = 0;
    uint32_t duration = 0;
    std::string name;
    std::string mime;
    Bytes typeSpecific;
};
ModelStream parseStream(const ModelChunk& mdpr);
ModelChunk buildStream(const ModelStream& stream);

struct RmModel
{
    uint32_t headerCount = 0;        // as stored in .RMF
    std::vector<ModelChunk> headers; // between .RMF and the first DATA, in file order
    std::vector<uint64_t> dataChunkOffsets;
    std::vector<uint32_t> dataChunkCounts;
    std::vector<ModelPacket> packets; // all DATA chunks in chain order
    std::vector<ModelChunk> trailers; // top-level chunks after the last DATA chunk
    uint64_t fileSize = 0;
    bool strictSizes = true; // every chunk size matched its contents

    ModelChunk* find(const std::string& id);
    const ModelChunk* find(const std::string& id) const;
    std::vector<ModelStream> streams() const;
    int streamIndexOf(uint16_t number) const;
    std::string title() const;
};

// Parses a file; on failure returns nothing and sets problem. Overstated DATA sizes and trailing zeros (as
// ffmpeg writes them) are accepted and clear strictSizes.
std::optional<RmModel> parseModel(const Bytes& bytes, std::string* problem = nullptr);

// Writes the model as one file: .RMF, the header chunks, one DATA chunk with every packet, then the
// trailers. PROP's packet count, data offset and index offset (0: trailers are not indexes) follow.
Bytes serializeModel(const RmModel& model);

// RealVideo sub-packets of one packet payload (see the format notes): type, slice sequence, the two
// numbers and where the second one and the data lie.
struct VideoSubPacket
{
    int type = 0;
    int sequence = 0; // low seven bits: slice number; 0x80 keyframe
    uint32_t first = 0;
    uint32_t second = 0; // type 3: the frame's timestamp
    bool secondWide = false;
    size_t secondAt = 0; // offset of the second number in the payload
    size_t dataAt = 0;
    size_t dataLength = 0;
};
// False when the payload does not hold whole sub-packets.
bool walkVideoPayload(const Bytes& payload, std::vector<VideoSubPacket>& out);
// Appends an encoded number (16 bits when value < 0x4000 and !wide, else 32 bits).
void putVideoNumber(Bytes& out, uint32_t value, bool wide = false);

// RealAudio type-specific data (".ra" version 4 or 5): interleaver, codec and block height.
struct AudioSetup
{
    int version = 0;
    std::string interleaver;
    std::string codec;
    int blockHeight = 0; // sub_packet_h
};
std::optional<AudioSetup> parseAudioSetup(const Bytes& typeSpecific);

// "logical-fileinfo" type-specific data.
struct FileInfo
{
    std::vector<uint16_t> streams;
    std::vector<uint32_t> dataOffsets;
    std::vector<uint16_t> rules;
    struct Property
    {
        std::string name;
        uint32_t type = 2; // 2 text, 0 number
        Bytes value;
    };
    std::vector<Property> properties;
    std::string text(const std::string& name) const;
};
Bytes buildFileInfo(const FileInfo& info);
std::optional<FileInfo> parseFileInfo(const Bytes& typeSpecific);

} // namespace rmtest
