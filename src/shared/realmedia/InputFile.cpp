#include "InputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rm {

InputFile::~InputFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

RmError InputFile::open(const std::string& path)
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (path.empty()) {
        return RmError::OpenFailed;
    }
    // O_NONBLOCK keeps a FIFO from blocking the open; such files are refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return RmError::OpenFailed;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return RmError::OpenFailed;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_fd = fd;
    m_size = static_cast<uint64_t>(st.st_size);
    m_path = path;
    return RmError::Ok;
}

long long InputFile::readSome(uint64_t offset, void* buffer, size_t size) const
{
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
        const ssize_t n = ::pread(m_fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<long long>(done);
}

RmError InputFile::readAt(uint64_t offset, void* buffer, size_t size) const
{
    if (offset > m_size || size > m_size - offset) {
        return RmError::Truncated;
    }
    const long long n = readSome(offset, buffer, size);
    if (n < 0) {
        return RmError::ReadFailed;
    }
    return static_cast<size_t>(n) == size ? RmError::Ok : RmError::Truncated;
}

} // namespace rm
