#include "LogicalStream.h"

#include "BigEndian.h"

#include <algorithm>
#include <cctype>

namespace rm {

namespace {

bool equalsNoCase(const uint8_t* data, size_t size, const char* text)
{
    size_t i = 0;
    for (; i < size && text[i] != '\0'; ++i) {
        if (std::tolower(data[i]) != std::tolower(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return i == size && text[i] == '\0';
}

} // namespace

std::optional<LogicalLayout> readLogical(const std::vector<uint8_t>& d)
{
    // u32 size, u16 version, u16 streams, u16 numbers[streams], u32 offsets[streams], u16 rules,
    // u16 map[rules], u16 properties, then properties: u32 size, u16 version, u8 name length, name,
    // u32 type, u16 value length, value.
    const size_t n = d.size();
    if (n < 8 || readU16(d.data() + 4) != 0) {
        return std::nullopt;
    }
    LogicalLayout l;
    l.streams = readU16(d.data() + 6);
    size_t p = 8 + 2u * l.streams;
    l.offsetsAt = p;
    p += 4u * l.streams;
    if (p + 2 > n) {
        return std::nullopt;
    }
    p += 2 + 2u * readU16(d.data() + p);
    l.structureEnd = p;
    if (p + 2 > n) {
        return std::nullopt;
    }
    const uint16_t properties = readU16(d.data() + p);
    p += 2;
    for (uint16_t i = 0; i < properties; ++i) {
        const size_t start = p;
        if (p + 7 > n) {
            return std::nullopt;
        }
        const uint8_t nameLength = d[p + 6];
        const size_t name = p + 7;
        p = name + nameLength;
        if (p + 6 > n) {
            return std::nullopt;
        }
        const uint32_t type = readU32(d.data() + p);
        const size_t lengthAt = p + 4;
        const uint16_t length = readU16(d.data() + lengthAt);
        p = lengthAt + 2 + length;
        if (p > n) {
            return std::nullopt;
        }
        if (type == 2 && !l.titleLengthAt && equalsNoCase(d.data() + name, nameLength, "Title")) {
            l.titleLengthAt = lengthAt;
            l.titlePropertyAt = start;
        }
    }
    return l;
}

std::vector<uint8_t> rewriteLogical(const std::vector<uint8_t>& data,
                                    const std::function<uint32_t(uint32_t)>& mapOffset,
                                    const std::string* title)
{
    const auto layout = readLogical(data);
    if (!layout) {
        return data;
    }
    std::vector<uint8_t> out = data;
    for (uint16_t i = 0; i < layout->streams; ++i) {
        uint8_t* at = out.data() + layout->offsetsAt + 4u * i;
        const uint32_t offset = readU32(at);
        if (offset != 0) {
            writeU32(at, mapOffset(offset));
        }
    }
    if (title && layout->titleLengthAt && title->size() <= UINT16_MAX) {
        const size_t lengthAt = *layout->titleLengthAt;
        const uint16_t oldLength = readU16(out.data() + lengthAt);
        const auto valueAt = static_cast<std::ptrdiff_t>(lengthAt + 2);
        out.erase(out.begin() + valueAt, out.begin() + valueAt + oldLength);
        out.insert(out.begin() + valueAt, title->begin(), title->end());
        writeU16(out.data() + lengthAt, static_cast<uint16_t>(title->size()));
        uint8_t* propertySize = out.data() + *layout->titlePropertyAt;
        writeU32(propertySize, readU32(propertySize) - oldLength + static_cast<uint32_t>(title->size()));
        writeU32(out.data(), readU32(out.data()) - oldLength + static_cast<uint32_t>(title->size()));
    }
    return out;
}

std::vector<uint8_t> logicalStructure(const std::vector<uint8_t>& data)
{
    const auto layout = readLogical(data);
    if (!layout) {
        return data;
    }
    std::vector<uint8_t> out(data.begin() + 6, data.begin() + static_cast<std::ptrdiff_t>(layout->offsetsAt));
    out.insert(out.end(),
               data.begin() + static_cast<std::ptrdiff_t>(layout->offsetsAt + 4u * layout->streams),
               data.begin() + static_cast<std::ptrdiff_t>(layout->structureEnd));
    return out;
}

std::vector<uint8_t> replaceTypeSpecificData(const std::vector<uint8_t>& mdpr,
                                             const std::vector<uint8_t>& data)
{
    // Header (10), stream number (2), seven u32 (28), name, MIME type, u32 length, data.
    size_t p = 40;
    if (p >= mdpr.size()) {
        return mdpr;
    }
    p += 1 + mdpr[p];
    if (p >= mdpr.size()) {
        return mdpr;
    }
    p += 1 + mdpr[p];
    if (p + 4 > mdpr.size()) {
        return mdpr;
    }
    const uint32_t oldLength = readU32(mdpr.data() + p);
    if (oldLength > mdpr.size() - p - 4) {
        return mdpr;
    }
    std::vector<uint8_t> out(mdpr.begin(), mdpr.begin() + static_cast<std::ptrdiff_t>(p));
    appendU32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), mdpr.begin() + static_cast<std::ptrdiff_t>(p + 4 + oldLength), mdpr.end());
    writeU32(out.data() + 4, static_cast<uint32_t>(out.size()));
    return out;
}

} // namespace rm
