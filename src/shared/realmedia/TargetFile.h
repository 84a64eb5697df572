// Where a write really goes: symbolic links are followed to the file they name, whose mode and owner the
// replacement keeps; a file the user may not write is refused rather than replaced.
#pragma once

#include "RmError.h"

#include <string>
#include <sys/types.h>

namespace rm {

struct WriteTarget
{
    std::string path; // the file to replace or create, links resolved
    bool exists = false;
    mode_t mode = 0; // permission bits of the existing file
    uid_t owner = 0;
    gid_t group = 0;
};

// Resolves path (following up to 40 links; a dangling link names the file to create) and checks that
// the result may be replaced: an existing directory or special file gives CreateFailed, an existing file
// the user may not write TargetReadOnly, a folder the user may not write NoPermission.
RmError resolveWriteTarget(const std::string& path, WriteTarget& target);

} // namespace rm
