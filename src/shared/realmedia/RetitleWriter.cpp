#include "RetitleWriter.h"

#include "BigEndian.h"
#include "LogicalStream.h"

#include <algorithm>

namespace rm {

namespace {

constexpr uint32_t DataHeaderSize = 18;
constexpr uint32_t IndexHeaderSize = 20;
constexpr uint32_t IndexRecordSize = 14;
constexpr uint32_t RecordsPerBatch = 4096;

} // namespace

RetitleWriter::RetitleWriter(const RmPart& part, const std::optional<std::string>& title,
                             PacketBuffer& buffer, const ProgressCallback* progress)
    : m_part(part), m_file(part.file()), m_title(title), m_buffer(buffer), m_progress(progress)
{}

uint32_t RetitleWriter::moved(uint32_t offset) const
{
    // Offsets into the header section (or none) stay; offsets past it move with the data.
    if (offset == 0 || offset < m_part.headers().dataOffset) {
        return offset;
    }
    return static_cast<uint32_t>(static_cast<int64_t>(offset) + m_delta);
}

RmError RetitleWriter::buildHeader(std::vector<Piece>& pieces, int64_t& delta) const
{
    const RmHeaders& h = m_part.headers();
    pieces.clear();
    std::vector<uint8_t> chunk;
    auto read = [&](uint64_t offset, uint64_t size) {
        chunk.resize(size);
        const RmError e = m_file.readAt(offset, chunk.data(), chunk.size());
        return e == RmError::Truncated ? RmError::InputChanged : e;
    };
    // The .RMF chunk: its fixed fields (the header count may change), then whatever else it holds.
    const uint32_t rmfFields = std::min<uint32_t>(h.rmfSize, 18);
    if (RmError e = read(0, rmfFields); e != RmError::Ok) {
        return e;
    }
    pieces.push_back({chunk, 0, 0});
    const size_t rmf = 0;
    if (h.rmfSize > rmfFields) {
        pieces.push_back({{}, rmfFields, h.rmfSize - rmfFields});
    }
    bool contDone = false;
    bool propDone = false;
    size_t propPiece = 0;
    std::vector<size_t> logicalPieces;  // pieces holding a logical stream's MDPR
    std::vector<size_t> logicalStreams; // and that stream's index
    for (const ChunkRef& c : h.chunks) {
        if (c.id == fourcc("CONT") && !contDone) {
            contDone = true;
            if (m_title) {
                if (RmError e = read(c.offset, c.size); e != RmError::Ok) {
                    return e;
                }
                const ContentDescription& d = h.content;
                std::vector<uint8_t> cont = {'C', 'O', 'N', 'T', 0, 0, 0, 0};
                appendU16(cont, 0);
                for (const std::string* text : {&*m_title, &d.author, &d.copyright, &d.comment}) {
                    appendU16(cont, static_cast<uint16_t>(text->size()));
                    cont.insert(cont.end(), text->begin(), text->end());
                }
                // Whatever follows the four texts inside the chunk is kept.
                const size_t used =
                    10 + 8 + d.title.size() + d.author.size() + d.copyright.size() + d.comment.size();
                if (used < chunk.size()) {
                    cont.insert(cont.end(), chunk.begin() + static_cast<std::ptrdiff_t>(used), chunk.end());
                }
                writeU32(cont.data() + 4, static_cast<uint32_t>(cont.size()));
                pieces.push_back({cont, 0, 0});
                continue;
            }
        } else if (c.id == fourcc("PROP") && !propDone && c.size >= RmHeaders::PropChunkSize) {
            propDone = true;
            if (RmError e = read(c.offset, c.size); e != RmError::Ok) {
                return e;
            }
            propPiece = pieces.size();
            pieces.push_back({chunk, 0, 0});
            continue;
        } else if (c.id == fourcc("MDPR")) {
            if (RmError e = read(c.offset, c.size); e != RmError::Ok) {
                return e;
            }
            const int index = h.streamIndex(readU16(chunk.data() + 10));
            if (index >= 0 && h.streams[static_cast<size_t>(index)].raw == chunk) {
                const StreamKind kind = m_part.setups()[static_cast<size_t>(index)].kind;
                if (kind == StreamKind::FileInfo || kind == StreamKind::Logical) {
                    logicalPieces.push_back(pieces.size());
                    logicalStreams.push_back(static_cast<size_t>(index));
                }
            }
            pieces.push_back({chunk, 0, 0});
            continue;
        }
        pieces.push_back({{}, c.offset, c.size});
    }
    if (!contDone && m_title && !m_title->empty()) {
        // No CONT yet: one is added at the end of the header section.
        std::vector<uint8_t> cont = {'C', 'O', 'N', 'T', 0, 0, 0, 0};
        appendU16(cont, 0);
        appendU16(cont, static_cast<uint16_t>(m_title->size()));
        cont.insert(cont.end(), m_title->begin(), m_title->end());
        for (int i = 0; i < 3; ++i) {
            appendU16(cont, 0);
        }
        writeU32(cont.data() + 4, static_cast<uint32_t>(cont.size()));
        pieces.push_back({cont, 0, 0});
        std::vector<uint8_t>& head = pieces[rmf].bytes;
        if (h.rmfVersion <= 1 && head.size() >= 18) {
            writeU32(head.data() + 14, readU32(head.data() + 14) + 1);
        }
    }

    // Logical streams: the title first (it changes their size), then the offsets once the size of the
    // whole header section is known.
    std::vector<std::vector<uint8_t>> logicalData(logicalPieces.size());
    for (size_t i = 0; i < logicalPieces.size(); ++i) {
        const MediaProperties& m = h.streams[logicalStreams[i]];
        const bool fileInfo = m_part.setups()[logicalStreams[i]].kind == StreamKind::FileInfo;
        const std::string* newTitle = fileInfo && m_title ? &*m_title : nullptr;
        logicalData[i] = rewriteLogical(
            m.typeSpecificData, [](uint32_t o) { return o; }, newTitle);
        pieces[logicalPieces[i]].bytes =
            replaceTypeSpecificData(pieces[logicalPieces[i]].bytes, logicalData[i]);
    }
    uint64_t size = 0;
    for (const Piece& p : pieces) {
        size += p.bytes.empty() ? p.size : p.bytes.size();
    }
    delta = static_cast<int64_t>(size) - static_cast<int64_t>(h.dataOffset);
    if (static_cast<int64_t>(m_file.size()) + delta > static_cast<int64_t>(UINT32_MAX)) {
        return RmError::OutputTooLarge;
    }
    auto move = [&](uint32_t offset) {
        return offset == 0 || offset < h.dataOffset ? offset : static_cast<uint32_t>(offset + delta);
    };
    for (size_t i = 0; i < logicalPieces.size(); ++i) {
        std::vector<uint8_t>& bytes = pieces[logicalPieces[i]].bytes;
        bytes = replaceTypeSpecificData(bytes, rewriteLogical(logicalData[i], move, nullptr));
    }
    if (propDone) {
        std::vector<uint8_t>& prop = pieces[propPiece].bytes;
        writeU32(prop.data() + 38, move(readU32(prop.data() + 38)));
        writeU32(prop.data() + 42, move(readU32(prop.data() + 42)));
    }

    return RmError::Ok;
}

std::vector<RetitleWriter::Region> RetitleWriter::findRegions() const
{
    const uint64_t fileSize = m_file.size();
    const uint64_t dataOffset = m_part.headers().dataOffset;
    std::vector<Region> regions;
    uint8_t head[IndexHeaderSize];
    auto chunkAt = [&](uint64_t at, const char(&id)[5], size_t size) {
        return at >= dataOffset && at <= fileSize && size <= fileSize - at &&
               m_file.readAt(at, head, size) == RmError::Ok && readU32(head) == fourcc(id);
    };
    uint64_t lastData = 0;
    for (uint64_t at = dataOffset; chunkAt(at, "DATA", DataHeaderSize);) {
        regions.push_back({at, false, 0});
        lastData = at;
        const uint32_t next = readU32(head + 14);
        if (next <= at) {
            break;
        }
        at = next;
    }
    auto indexChain = [&](uint64_t at) {
        while (chunkAt(at, "INDX", IndexHeaderSize)) {
            if (std::any_of(regions.begin(), regions.end(),
                            [&](const Region& r) { return r.offset == at; })) {
                break;
            }
            const uint64_t available = (fileSize - at - IndexHeaderSize) / IndexRecordSize;
            const auto records = static_cast<uint32_t>(std::min<uint64_t>(readU32(head + 10), available));
            regions.push_back({at, true, records});
            const uint32_t next = readU32(head + 16);
            if (next <= at) {
                break;
            }
            at = next;
        }
    };
    indexChain(m_part.headers().propIndexOffset);
    // An index right after the data, even when PROP does not point at it.
    if (lastData != 0 && chunkAt(lastData, "DATA", DataHeaderSize)) {
        indexChain(lastData + readU32(head + 4));
    }
    std::sort(regions.begin(), regions.end(),
              [](const Region& a, const Region& b) { return a.offset < b.offset; });
    std::vector<Region> result;
    uint64_t end = 0;
    for (const Region& r : regions) {
        if (r.offset >= end) {
            result.push_back(r);
            end = r.offset +
                  (r.index ? IndexHeaderSize + uint64_t(IndexRecordSize) * r.records : DataHeaderSize);
        }
    }
    return result;
}

RmError RetitleWriter::copyRange(OutputSink& sink, uint64_t from, uint64_t to)
{
    while (from < to) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(to - from, m_buffer.size()));
        if (RmError e = m_file.readAt(from, m_buffer.data(), n); e != RmError::Ok) {
            return e == RmError::Truncated ? RmError::InputChanged : e;
        }
        if (!sink.write(m_buffer.data(), n)) {
            return sink.error() == RmError::Ok ? RmError::WriteFailed : sink.error();
        }
        from += n;
        if (!m_progress.advanceTo(from)) {
            return RmError::Cancelled;
        }
    }
    return RmError::Ok;
}

RmError RetitleWriter::copyRegion(OutputSink& sink, const Region& r)
{
    uint8_t* b = m_buffer.data();
    const size_t headerSize = r.index ? IndexHeaderSize : DataHeaderSize;
    if (RmError e = m_file.readAt(r.offset, b, headerSize); e != RmError::Ok) {
        return e == RmError::Truncated ? RmError::InputChanged : e;
    }
    const size_t nextAt = r.index ? 16 : 14;
    writeU32(b + nextAt, moved(readU32(b + nextAt)));
    if (!sink.write(b, headerSize)) {
        return sink.error() == RmError::Ok ? RmError::WriteFailed : sink.error();
    }
    uint64_t at = r.offset + headerSize;
    for (uint32_t done = 0; done < r.records;) {
        const uint32_t batch = std::min(r.records - done, RecordsPerBatch);
        const size_t size = size_t(batch) * IndexRecordSize;
        if (RmError e = m_file.readAt(at, b, size); e != RmError::Ok) {
            return e == RmError::Truncated ? RmError::InputChanged : e;
        }
        for (uint32_t i = 0; i < batch; ++i) {
            uint8_t* offset = b + size_t(i) * IndexRecordSize + 6;
            writeU32(offset, moved(readU32(offset)));
        }
        if (!sink.write(b, size)) {
            return sink.error() == RmError::Ok ? RmError::WriteFailed : sink.error();
        }
        done += batch;
        at += size;
    }
    return RmError::Ok;
}

RmError RetitleWriter::write(OutputSink& sink)
{
    if (m_title && m_title->size() > UINT16_MAX) {
        return RmError::TitleTooLong;
    }
    m_buffer.ensureSize(1u << 20);
    m_progress.setTotal(m_file.size());
    if (!m_progress.advanceTo(0)) {
        return RmError::Cancelled;
    }
    std::vector<Piece> header;
    if (RmError e = buildHeader(header, m_delta); e != RmError::Ok) {
        return e;
    }
    const std::vector<Region> regions = findRegions();
    for (const Piece& piece : header) {
        if (piece.bytes.empty()) {
            if (RmError e = copyRange(sink, piece.from, piece.from + piece.size); e != RmError::Ok) {
                return e;
            }
        } else if (!sink.write(piece.bytes.data(), piece.bytes.size())) {
            return sink.error() == RmError::Ok ? RmError::WriteFailed : sink.error();
        }
    }
    uint64_t pos = m_part.headers().dataOffset;
    for (const Region& r : regions) {
        if (RmError e = copyRange(sink, pos, r.offset); e != RmError::Ok) {
            return e;
        }
        if (RmError e = copyRegion(sink, r); e != RmError::Ok) {
            return e;
        }
        pos = r.offset + (r.index ? IndexHeaderSize + uint64_t(IndexRecordSize) * r.records : DataHeaderSize);
    }
    if (RmError e = copyRange(sink, pos, m_file.size()); e != RmError::Ok) {
        return e;
    }
    return m_progress.finish() ? RmError::Ok : RmError::Cancelled;
}

} // namespace rm
