// Writes one input unchanged but for its title: the CONT chunk (added when the file has none) and what
// moves with it. Every other byte is copied as it is: packets with their timestamps, the chain of DATA
// chunks, index chunks, header chunks the engine does not know (kept in place, byte for byte) and anything
// after the data. What moves: the offsets PROP, DATA, INDX and logical streams store, shifted by the
// change in header size; the file-info stream's title follows the new title.
#pragma once

#include "OutputSink.h"
#include "PacketBuffer.h"
#include "ProgressMeter.h"
#include "RmError.h"
#include "RmPart.h"

#include <optional>
#include <string>

namespace rm {

class RetitleWriter
{
public:
    RetitleWriter(const RmPart& part, const std::optional<std::string>& title, PacketBuffer& buffer,
                  const ProgressCallback* progress);

    RmError write(OutputSink& sink);

private:
    // A stretch after the header section whose stored offsets shift: a DATA chunk header (18 bytes) or
    // an INDX chunk (header and records).
    struct Region
    {
        uint64_t offset;
        bool index;
        uint32_t records;
    };

    // A piece of the new header section: bytes built here, or (bytes empty) a stretch of the input
    // copied as it is, so header chunks of any size never need to fit in memory.
    struct Piece
    {
        std::vector<uint8_t> bytes;
        uint64_t from = 0;
        uint64_t size = 0;
    };

    RmError buildHeader(std::vector<Piece>& pieces, int64_t& delta) const;
    std::vector<Region> findRegions() const;
    uint32_t moved(uint32_t offset) const;
    RmError copyRange(OutputSink& sink, uint64_t from, uint64_t to);
    RmError copyRegion(OutputSink& sink, const Region& region);

    const RmPart& m_part;
    const InputFile& m_file;
    const std::optional<std::string>& m_title;
    PacketBuffer& m_buffer;
    ProgressMeter m_progress;
    int64_t m_delta = 0; // how far everything after the header section moves
};

} // namespace rm
