// Output sink writing to a newly created file; used for the temporary file behind RmFile::write.
#pragma once

#include "OutputSink.h"

#include <string>
#include <sys/types.h>

namespace rm {

// Creates path exclusively (an existing file is never opened) and owns the descriptor. Not copyable.
class FileSink : public OutputSink
{
public:
    FileSink() = default;
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Creates the file with mode 0666 less the umask. Fails with EEXIST mapped to CreateFailed when the
    // name is taken; errnoValue() then reports the raw cause.
    RmError create(const std::string& path);

    // Gives the new file the permission bits and, where the user may, the owner of the file it replaces.
    void keepAttributes(mode_t mode, uid_t owner, gid_t group);

    bool write(const uint8_t* data, size_t size) override;
    RmError error() const override { return m_error; }

    // Flushes the file to the disk (when sync is set) and closes it; reports a late write failure.
    RmError finish(bool sync);

    int errnoValue() const { return m_errno; }

private:
    int m_fd = -1;
    int m_errno = 0;
    RmError m_error = RmError::Ok;
};

} // namespace rm
