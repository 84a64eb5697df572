// Read-only handle on one regular file, read by absolute offsets.
#pragma once

#include "RmError.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace rm {

// Owns the descriptor; not copyable. Reads are positional (pread) and may be issued from one thread at a
// time.
class InputFile
{
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens a regular file for reading. Directories, pipes and devices are refused (OpenFailed).
    RmError open(const std::string& path);

    uint64_t size() const { return m_size; }
    const std::string& path() const { return m_path; }

    // Reads exactly size bytes at offset. Returns Truncated when the file ends first, ReadFailed on I/O
    // errors.
    RmError readAt(uint64_t offset, void* buffer, size_t size) const;

    // Reads up to size bytes at offset; returns the count read (0 at end of file) or -1 on an I/O error.
    long long readSome(uint64_t offset, void* buffer, size_t size) const;

private:
    int m_fd = -1;
    uint64_t m_size = 0;
    std::string m_path;
};

} // namespace rm
