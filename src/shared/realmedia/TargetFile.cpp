#include "TargetFile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace rm {

namespace {

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

RmError resolveWriteTarget(const std::string& path, WriteTarget& target)
{
    target = WriteTarget{};
    std::string current = path;
    struct stat st
    {
    };
    for (int hops = 0;; ++hops) {
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                return rmErrorFromErrno(errno, RmError::CreateFailed);
            }
            break; // a new file (possibly named by a dangling link)
        }
        if (!S_ISLNK(st.st_mode)) {
            target.exists = true;
            break;
        }
        if (hops == 40) {
            return RmError::CreateFailed; // a loop of links
        }
        std::vector<char> link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) {
            return RmError::CreateFailed;
        }
        const std::string next(link.data(), static_cast<size_t>(n));
        current = next.front() == '/' ? next : folderOf(current) + "/" + next;
    }
    target.path = current;
    if (target.exists) {
        if (!S_ISREG(st.st_mode)) {
            return RmError::CreateFailed;
        }
        target.mode = st.st_mode & 07777;
        target.owner = st.st_uid;
        target.group = st.st_gid;
        if (::faccessat(AT_FDCWD, current.c_str(), W_OK, AT_EACCESS) != 0) {
            return RmError::TargetReadOnly;
        }
    }
    // The replacement is made beside the target and renamed over it, so the folder must be writable.
    const std::string folder = folderOf(current);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return rmErrorFromErrno(errno, RmError::CreateFailed);
    }
    return RmError::Ok;
}

} // namespace rm
