#include "RealMediaTitle.h"

#include "Helpers.h"
#include "NativePath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vello {

namespace {

constexpr qsizetype LastMarkerStart = 9999 - 1; // 0-based offset of file position 9999
constexpr qsizetype TitleOffset = 12;
constexpr qsizetype MaxTitleBytes = 256;

} // namespace

QString noTitleText()
{
    return QStringLiteral("タイトルなし");
}

QString realMediaTitleFromHead(const QByteArray& head)
{
    const char* data = head.constData();
    const qsizetype size = head.size();
    const qsizetype lastStart = std::min(LastMarkerStart, size - 4);
    qsizetype marker = -1;
    for (qsizetype p = 0; p <= lastStart; ++p) {
        const void* hit = std::memchr(data + p, 'C', static_cast<size_t>(lastStart - p + 1));
        if (!hit)
            break;
        p = static_cast<const char*>(hit) - data;
        if (std::memcmp(data + p, "CONT", 4) == 0) {
            marker = p;
            break;
        }
    }
    if (marker < 0)
        return noTitleText();
    const qsizetype first = marker + TitleOffset;
    if (first >= size)
        return noTitleText();
    const qsizetype available = std::min(MaxTitleBytes, size - first);
    const void* zero = std::memchr(data + first, 0, static_cast<size_t>(available));
    const qsizetype length = zero ? static_cast<const char*>(zero) - (data + first) : available;
    if (length == 0)
        return noTitleText();
    return decodeLegacyText(QByteArray(data + first, length));
}

QString ReadRealMediaTitle(const QString& path)
{
    if (path.isEmpty())
        return noTitleText();
    const QByteArray native = toNativePath(path);
    // O_NONBLOCK: a FIFO put in place of a listed file must not stall the list.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return noTitleText();
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return noTitleText();
    }
    char buffer[RealMediaTitleHeadBytes];
    qsizetype filled = 0;
    while (filled < RealMediaTitleHeadBytes) {
        const ssize_t n = ::read(fd, buffer + filled, static_cast<size_t>(RealMediaTitleHeadBytes - filled));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return noTitleText();
        }
        if (n == 0)
            break;
        filled += n;
    }
    ::close(fd);
    return realMediaTitleFromHead(QByteArray::fromRawData(buffer, filled));
}

} // namespace vello
