// Makes chosen file operations fail inside a test's child process (loaded with LD_PRELOAD), so that the
// editor meets the failures of real disks and file systems:
//   VELLO_FAIL_RENAME_TO=PATH     rename() onto PATH fails with EACCES (a folder made read-only meanwhile)
//   VELLO_SHORT_KERNEL_COPY=N     copy_file_range() stops at N bytes of its input and then returns 0, as
//                                 some file systems do
//   VELLO_FAIL_READ_OF=PATH       copy_file_range() and read() of the file PATH fail with EIO
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

template <typename F> F next(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

bool isFile(int fd, const char* path)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n < 0)
        return false;
    target[n] = '\0';
    return std::strcmp(target, path) == 0;
}

bool unreadable(int fd)
{
    static const char* path = std::getenv("VELLO_FAIL_READ_OF");
    return path && isFile(fd, path);
}

} // namespace

extern "C" {

int rename(const char* from, const char* to)
{
    static const auto real = next<int (*)(const char*, const char*)>("rename");
    static const char* failing = std::getenv("VELLO_FAIL_RENAME_TO");
    if (failing && to && std::strcmp(failing, to) == 0) {
        errno = EACCES;
        return -1;
    }
    return real(from, to);
}

ssize_t copy_file_range(int in, off64_t* inOffset, int out, off64_t* outOffset, size_t length,
                        unsigned int flags)
{
    static const auto real =
        next<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned int)>("copy_file_range");
    static const char* shortCopy = std::getenv("VELLO_SHORT_KERNEL_COPY");
    if (unreadable(in)) {
        errno = EIO;
        return -1;
    }
    if (shortCopy) {
        const off64_t stop = std::atoll(shortCopy);
        const off64_t at = inOffset ? *inOffset : ::lseek64(in, 0, SEEK_CUR);
        if (at >= stop)
            return 0;
        if (off64_t(length) > stop - at)
            length = size_t(stop - at);
    }
    return real(in, inOffset, out, outOffset, length, flags);
}

ssize_t read(int fd, void* buffer, size_t count)
{
    static const auto real = next<ssize_t (*)(int, void*, size_t)>("read");
    if (unreadable(fd)) {
        errno = EIO;
        return -1;
    }
    return real(fd, buffer, count);
}
}
