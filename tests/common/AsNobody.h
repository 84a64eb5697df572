// Runs a check as an unprivileged user, so permission cases hold when the tests run as root.
#pragma once

#include <functional>
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestUser {

/// The user and group the checks run as when the tests run as root ("nobody" on Debian).
constexpr uid_t kNobody = 65534;

/// Runs check() in a forked child; when the tests run as root the child first drops to uid/gid 65534 with
/// no supplementary groups. Returns check()'s result (0 for success by convention), or -1 when the child
/// could not run or crashed. The child shares nothing back but the exit status: make files the check
/// needs reachable by that user (modes, or chown to kNobody). Call only while no other thread runs.
inline int runAsNobody(const std::function<int()>& check)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                ::setresuid(kNobody, kNobody, kNobody) != 0)
                ::_exit(125);
        }
        ::_exit(check() & 0x7F);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace TestUser
