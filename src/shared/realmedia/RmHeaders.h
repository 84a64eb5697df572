// The header section of one RealMedia file (.RMF, PROP, MDPR, CONT) and where its first DATA chunk starts.
#pragma once

#include "InputFile.h"
#include "RmError.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rm {

// One MDPR chunk. raw holds the whole chunk as read so that fields the engine does not recompute are kept.
struct MediaProperties
{
    uint16_t streamNumber = 0;
    uint32_t maxBitRate = 0;
    uint32_t averageBitRate = 0;
    uint32_t maxPacketSize = 0;
    uint32_t averagePacketSize = 0;
    uint32_t startTime = 0;
    uint32_t preroll = 0;
    uint32_t duration = 0;
    std::string streamName;
    std::string mimeType;
    std::vector<uint8_t> typeSpecificData;
    std::vector<uint8_t> raw;
};

// Title, author, copyright and comment of the CONT chunk, as stored bytes (no encoding applied).
struct ContentDescription
{
    std::string title;
    std::string author;
    std::string copyright;
    std::string comment;
};

// A top-level chunk of the header section, where it lies in the file.
struct ChunkRef
{
    uint32_t id = 0;
    uint64_t offset = 0;
    uint32_t size = 0;
};

class RmHeaders
{
public:
    // Largest header chunk read into memory; bigger ones are refused as damaged.
    static constexpr uint32_t MaxHeaderChunkSize = 16u << 20;
    static constexpr size_t MaxStreams = 256;
    // More chunks than this before the data is taken for damage (files have a handful).
    static constexpr size_t MaxHeaderChunks = 4096;
    static constexpr uint32_t PropChunkSize = 50;

    // Parses the header section of file. Does not look at packets. Classifies files of other kinds
    // (old RealAudio, .ram text, anything else) with their own error numbers.
    RmError parse(const InputFile& file);

    // Index into streams() of the MDPR with this stream number, or -1.
    int streamIndex(uint16_t streamNumber) const;

    uint32_t rmfSize = 0;
    uint16_t rmfVersion = 0;
    uint32_t fileVersion = 0;
    uint32_t propMaxBitRate = 0;
    uint32_t propAverageBitRate = 0;
    uint32_t propMaxPacketSize = 0;
    uint32_t propAveragePacketSize = 0;
    uint32_t propPacketCount = 0;
    uint32_t propDuration = 0; // milliseconds
    uint32_t propPreroll = 0;  // milliseconds
    uint16_t propFlags = 0;
    uint32_t propIndexOffset = 0; // as stored; may point nowhere
    std::vector<ChunkRef> chunks; // every chunk between .RMF and the first DATA, in file order
    std::vector<MediaProperties> streams;
    ContentDescription content;
    bool hasContent = false;
    uint64_t dataOffset = 0; // file offset of the first DATA chunk

private:
    RmError parseChunk(uint32_t id, const std::vector<uint8_t>& chunk, bool& havePROP);
};

} // namespace rm
