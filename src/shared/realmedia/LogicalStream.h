// The type-specific data of "logical-..." streams: the physical streams they group with the file offset
// of each one's data, a rule map and name/value properties (the file-info stream's title, dates, ...).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rm {

struct LogicalLayout
{
    size_t offsetsAt = 0;    // where the data offsets start (one u32 per physical stream)
    uint16_t streams = 0;    // number of physical streams
    size_t structureEnd = 0; // end of the stream numbers, offsets and rule map
    // Text property named "Title" (any case): where its value length and value lie.
    std::optional<size_t> titleLengthAt;
    std::optional<size_t> titlePropertyAt; // start of the property (its size field)
};

// Reads the layout; nothing when the data is not a readable logical stream of object version 0.
std::optional<LogicalLayout> readLogical(const std::vector<uint8_t>& data);

// The same data with every non-zero data offset passed through mapOffset and, when title is given, the
// "Title" property set to it (sizes adjusted). Data it cannot read is returned unchanged.
std::vector<uint8_t> rewriteLogical(const std::vector<uint8_t>& data,
                                    const std::function<uint32_t(uint32_t)>& mapOffset,
                                    const std::string* title);

// The part of the data that says how packets are grouped: physical stream numbers and rule map (no
// offsets, no properties). The whole data when it cannot be read.
std::vector<uint8_t> logicalStructure(const std::vector<uint8_t>& data);

// An MDPR chunk (raw bytes, header included) with its type-specific data replaced. Bytes after the
// type-specific data are kept. The chunk is returned unchanged when it cannot be read.
std::vector<uint8_t> replaceTypeSpecificData(const std::vector<uint8_t>& mdpr,
                                             const std::vector<uint8_t>& data);

} // namespace rm
