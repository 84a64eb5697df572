// A RealMedia file opened for editing: one or more joined inputs, a title and an optional time range.
#pragma once

#include "OutputSink.h"
#include "PacketBuffer.h"
#include "ProgressMeter.h"
#include "RmError.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rm {

class RmPart;

// Description of one stream for display (rmtool info, the editor's panels).
struct StreamInfo
{
    uint16_t number = 0;
    std::string name;
    std::string mimeType;
    uint64_t packetCount = 0;
};

// Not thread-safe; use from one thread. Inputs stay open (read-only) until the object is destroyed.
// Packets are copied byte for byte; only their timestamps (in packet headers and inside video payloads
// that carry them) and stream numbers are rewritten.
// Every failing operation returns an RmError value as int; nothing throws.
class RmFile
{
public:
    ~RmFile();
    RmFile(const RmFile&) = delete;
    RmFile& operator=(const RmFile&) = delete;

    // Opens path as the first part. Returns nullptr and sets *error (when given) on failure.
    static std::unique_ptr<RmFile> open(const std::string& path, int* error);

    // Title as stored bytes (UTF-8 or legacy Shift-JIS; no conversion). The set title wins over the first
    // input's.
    std::string title() const;
    void setTitle(std::string title);

    // Adds path after the inputs already opened. Fails with StreamMismatch when its media streams differ
    // from the first input's in count, MIME type or codec data (a "logical-fileinfo" stream, which
    // describes the file, is not compared); the object is unchanged on failure.
    int append(const std::string& path);

    // Range to keep, milliseconds on the joined timeline. Without an end the output runs to the end.
    void setStartPosition(int32_t ms);
    void setEndPosition(int32_t ms);

    // Writes the result to path through a temporary file in the target's folder, renamed over the target
    // at the end. A symbolic link at path is followed: the file it names is replaced and keeps its mode
    // (and owner, where allowed). An existing file the user may not write is refused (TargetReadOnly).
    // The replacement is a new file: other hard links to the old one keep the old content.
    // On failure neither path nor the temporary file is left behind (an existing file at path is kept).
    // One input without a range is copied unchanged but for its title (see RetitleWriter); otherwise the
    // inputs are rewritten onto one timeline.
    int write(const std::string& path);
    // The same, calling progress(done, total) from this thread as the work advances (a few hundred times
    // per write at most, the last call with done == total). When it returns false the write stops with
    // RmError::Cancelled and leaves nothing behind.
    int write(const std::string& path, const ProgressCallback& progress);

    // Writes the result to sink; used by write() and by tests and tools with their own destinations.
    int writeTo(OutputSink& sink);
    int writeTo(OutputSink& sink, const ProgressCallback& progress);

    // Whether write() flushes the file to the disk before renaming it; on by default.
    void setSyncOnWrite(bool sync) { m_sync = sync; }

    static std::string errorText(int error);

    std::vector<StreamInfo> streams() const;
    // Whether an input is cut off inside its data (a download that stopped): such an input is used up to
    // its last whole frame or block.
    bool truncated() const;
    // Length of the joined inputs, milliseconds (before any range is applied).
    uint32_t durationMs() const;
    uint64_t packetCount() const;
    size_t inputCount() const { return m_parts.size(); }

private:
    RmFile();

    std::vector<std::unique_ptr<RmPart>> m_parts;
    PacketBuffer m_buffer;
    std::optional<std::string> m_title;
    std::optional<int64_t> m_start;
    std::optional<int64_t> m_end;
    bool m_sync = true;
};

// Opens a RealMedia file; the name the editor uses. See RmFile::open.
std::unique_ptr<RmFile> OpenRmFile(const std::string& path, int* error);

} // namespace rm
