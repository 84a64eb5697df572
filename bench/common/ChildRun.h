// Runs a benchmark's child program without a shell and measures its wall time and peak memory.
#pragma once

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench {

struct Child
{
    int exitCode = -1;
    double seconds = 0;
    long maxRssKb = 0;
    std::string output;
};

// Runs argv without a shell; stdout to a file when given, else captured; measures wall time and peak RSS.
inline Child spawn(const std::vector<std::string>& args, const std::string& stdoutPath = "")
{
    const std::string capture =
        std::filesystem::temp_directory_path() / ("bench-child-" + std::to_string(::getpid()));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.empty() ? capture.c_str() : stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    Child child;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        child.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        child.maxRssKb = usage.ru_maxrss;
    }
    child.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (stdoutPath.empty()) {
        if (FILE* f = std::fopen(capture.c_str(), "r")) {
            char buffer[4096];
            size_t n = 0;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
                child.output.append(buffer, n);
            std::fclose(f);
        }
        std::filesystem::remove(capture);
    }
    return child;
}

} // namespace bench
