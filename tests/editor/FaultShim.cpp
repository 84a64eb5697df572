// Loaded with LD_PRELOAD into a test's child process, makes file operations fail as real disks do:
//   VELLO_FAIL_RENAME_TO=PATH    rename() onto PATH fails with EACCES (a folder made read-only meanwhile)
//   VELLO_SHORT_KERNEL_COPY=N    copy_file_range() stops at N bytes of its input, then returns 0
//   VELLO_FAIL_READ_OF=PATH      copy_file_range() and read() of the file PATH fail with EIO
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool unreadable(int fd)
{
    static const char* path = std::getenv("VELLO_FAIL_READ_OF");
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = path ? ::readlink(link, target, sizeof target - 1) : -1;
    return n > 0 && std::strncmp(target, path, size_t(n)) == 0 && path[n] == '\0';
}

} // namespace

extern "C" {

int rename(const char* from, const char* to)
{
    static const auto real =
        reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
    static const char* failing = std::getenv("VELLO_FAIL_RENAME_TO");
    if (failing && to && std::strcmp(failing, to) == 0) {
        errno = EACCES;
        return -1;
    }
    return real(from, to);
}

ssize_t copy_file_range(int in, off64_t* inOffset, int out, off64_t* outOffset, size_t length, unsigned flags)
{
    static const auto real = reinterpret_cast<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned)>(
        ::dlsym(RTLD_NEXT, "copy_file_range"));
    static const char* stopAt = std::getenv("VELLO_SHORT_KERNEL_COPY");
    if (unreadable(in)) {
        errno = EIO;
        return -1;
    }
    if (stopAt) {
        const off64_t at = inOffset ? *inOffset : ::lseek64(in, 0, SEEK_CUR);
        length = size_t(std::max<off64_t>(0, std::min<off64_t>(off64_t(length), std::atoll(stopAt) - at)));
        if (length == 0)
            return 0;
    }
    return real(in, inOffset, out, outOffset, length, flags);
}

ssize_t read(int fd, void* buffer, size_t count)
{
    static const auto real = reinterpret_cast<ssize_t (*)(int, void*, size_t)>(::dlsym(RTLD_NEXT, "read"));
    if (unreadable(fd)) {
        errno = EIO;
        return -1;
    }
    return real(fd, buffer, count);
}
}
