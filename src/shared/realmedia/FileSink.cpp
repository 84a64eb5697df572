#include "FileSink.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rm {

FileSink::~FileSink()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

RmError FileSink::create(const std::string& path)
{
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        m_errno = errno;
        m_error = rmErrorFromErrno(m_errno, RmError::CreateFailed);
        return m_error;
    }
    return RmError::Ok;
}

void FileSink::keepAttributes(mode_t mode, uid_t owner, gid_t group)
{
    if (m_fd < 0) {
        return;
    }
    // Ownership first: changing it may clear set-id bits, which the mode then restores where allowed.
    if (::fchown(m_fd, owner, group) != 0) {
        (void)::fchown(m_fd, static_cast<uid_t>(-1), group); // a user may still keep the group
    }
    (void)::fchmod(m_fd, mode);
}

bool FileSink::write(const uint8_t* data, size_t size)
{
    if (m_fd < 0 || m_error != RmError::Ok) {
        return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            m_errno = errno;
            m_error = rmErrorFromErrno(m_errno, RmError::WriteFailed);
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

RmError FileSink::finish(bool sync)
{
    if (m_fd < 0) {
        return m_error == RmError::Ok ? RmError::WriteFailed : m_error;
    }
    if (m_error == RmError::Ok && sync && ::fsync(m_fd) != 0) {
        m_errno = errno;
        m_error = rmErrorFromErrno(m_errno, RmError::WriteFailed);
    }
    if (::close(m_fd) != 0 && m_error == RmError::Ok) {
        m_errno = errno;
        m_error = rmErrorFromErrno(m_errno, RmError::WriteFailed);
    }
    m_fd = -1;
    return m_error;
}

} // namespace rm
