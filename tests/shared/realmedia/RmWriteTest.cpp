// Writing: failures leave no file behind and keep an existing one; rmtool's commands and exit codes.

#include "OutputSink.h"
#include "RmFile.h"
#include "RmTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace rmtest;
using rm::RmError;

namespace {

// Accepts limit bytes, then fails as a full disk would.
class FailingSink : public rm::OutputSink
{
public:
    explicit FailingSink(size_t limit) : m_limit(limit) {}
    bool write(const uint8_t*, size_t size) override
    {
        if (m_written + size > m_limit) {
            m_failed = true;
            return false;
        }
        m_written += size;
        return true;
    }
    RmError error() const override { return m_failed ? RmError::DiskFull : RmError::Ok; }

private:
    size_t m_limit;
    size_t m_written = 0;
    bool m_failed = false;
};

std::string rmtool()
{
    return RM_TOOL_PATH;
}

std::string readText(const std::string& path)
{
    const auto b = readBytes(path);
    return std::string(b.begin(), b.end());
}

class RmSinkFailureTest : public ::testing::TestWithParam<size_t>
{
};

} // namespace

TEST_P(RmSinkFailureTest, ReportsTheSinkError)
{
    auto file = rm::OpenRmFile(clip(ClipKind::Rv20Ac3, 1000), nullptr);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->append(clip(ClipKind::Rv20Ac3, 1000)), 0);
    FailingSink sink(GetParam());
    EXPECT_EQ(file->writeTo(sink), static_cast<int>(RmError::DiskFull));
}

INSTANTIATE_TEST_SUITE_P(AfterBytes, RmSinkFailureTest, ::testing::Values(0, 17, 400, 5000, 60000));

struct ProgressCase
{
    const char* name;
    bool cut;
    bool join;
};

class RmProgressTest : public ::testing::TestWithParam<ProgressCase>
{
};

TEST_P(RmProgressTest, RisesToTheTotalAndCanCancel)
{
    auto file = rm::OpenRmFile(clip(ClipKind::Rv20Ac3, 1000), nullptr);
    ASSERT_TRUE(file);
    if (GetParam().join) {
        ASSERT_EQ(file->append(clip(ClipKind::Rv20Ac3, 2000)), 0);
    }
    if (GetParam().cut) {
        file->setStartPosition(500);
        file->setEndPosition(2500);
    }
    TempDir dir;
    std::vector<std::pair<uint64_t, uint64_t>> calls;
    ASSERT_EQ(file->write(dir.file("out.rm"),
                          [&](uint64_t done, uint64_t total) {
                              calls.emplace_back(done, total);
                              return true;
                          }),
              0);
    ASSERT_GE(calls.size(), 3u);
    for (size_t i = 1; i < calls.size(); ++i) {
        EXPECT_GE(calls[i].first, calls[i - 1].first);
        EXPECT_EQ(calls[i].second, calls[0].second);
    }
    EXPECT_EQ(calls.front().first, 0u);
    EXPECT_EQ(calls.back().first, calls.back().second);
    EXPECT_EQ(decodeErrors(dir.file("out.rm")), "");

    // Cancelling half way leaves the old file and no temporary.
    writeBytes(dir.file("out.rm"), {'o', 'l', 'd'});
    const int cancelled =
        file->write(dir.file("out.rm"), [](uint64_t done, uint64_t total) { return done < total / 2; });
    EXPECT_EQ(cancelled, static_cast<int>(RmError::Cancelled));
    EXPECT_EQ(readText(dir.file("out.rm")), "old");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.rm"});

    // A sink sees the same: the write stops with its own error.
    FailingSink sink(SIZE_MAX);
    EXPECT_EQ(file->writeTo(sink, [](uint64_t, uint64_t) { return false; }),
              static_cast<int>(RmError::Cancelled));
    // The object stays usable after a cancelled write.
    EXPECT_EQ(file->write(dir.file("again.rm")), 0);
}

INSTANTIATE_TEST_SUITE_P(Writes, RmProgressTest,
                         ::testing::Values(ProgressCase{"join", false, true}, ProgressCase{"cut", true, true},
                                           ProgressCase{"retitle", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RmWrite, ParentIsARegularFile)
{
    TempDir dir;
    writeBytes(dir.file("plain"), {1, 2, 3});
    auto file = rm::OpenRmFile(clip(ClipKind::Rv20Ac3, 1000), nullptr);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->write(dir.file("plain/out.rm")), static_cast<int>(RmError::NoSuchFolder));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"plain"});
}

TEST(RmWrite, TargetIsADirectoryLeavesNoTemporary)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    auto file = rm::OpenRmFile(clip(ClipKind::Rv20Ac3, 1000), nullptr);
    ASSERT_TRUE(file);
    EXPECT_NE(file->write(dir.file("sub")), 0);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"sub"});
}

// A size limit on the writing process makes the disk "full" part way through the data.
TEST(RmWrite, FileSizeLimitKeepsTheOldFileAndLeavesNoTemporary)
{
    TempDir dir;
    const std::string out = dir.file("out.rm");
    writeBytes(out, {'o', 'l', 'd'});
    const std::string in = clip(ClipKind::Rv20Ac3, 2000);
    ASSERT_GT(readBytes(in).size(), 30000u);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{30000, 30000};
        setrlimit(RLIMIT_FSIZE, &limit);
        auto file = rm::OpenRmFile(in, nullptr);
        _exit(file ? file->write(out) : 100);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(RmError::DiskFull));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.rm"});
    EXPECT_EQ(readText(out), "old");
}

TEST(RmWrite, ReplacesAnExistingFileAndMayOverwriteItsInput)
{
    TempDir dir;
    const std::string path = dir.file("clip.rm");
    writeBytes(path, readBytes(clip(ClipKind::Rv20Ac3, 1000, "Before")));
    const size_t packets = probePackets(path).size();
    auto file = rm::OpenRmFile(path, nullptr);
    ASSERT_TRUE(file);
    file->setTitle("After");
    ASSERT_EQ(file->write(path), 0);
    file.reset();
    EXPECT_EQ(probeTitle(path), "After");
    EXPECT_EQ(probePackets(path).size(), packets);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"clip.rm"});
}

TEST(RmTool, InfoJoinCutAndTitle)
{
    TempDir dir;
    const std::string a = clip(ClipKind::Rv20Ac3, 1000, "A");
    const std::string b = clip(ClipKind::Rv20Ac3, 2000, "B");
    ProcessResult r = run({rmtool(), "info", a});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("title: A\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("packets: " + std::to_string(probePackets(a).size()) + "\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("video/x-pn-realvideo"), std::string::npos);

    const std::string joined = dir.file("joined.rm");
    r = run({rmtool(), "join", joined, a, b, "--title", "Both"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(probeTitle(joined), "Both");
    EXPECT_NEAR(probeDuration(joined), probeDuration(a) + probeDuration(b), 0.1);

    const std::string cut = dir.file("cut.rm");
    r = run({rmtool(), "cut", joined, cut, "1000", "2000"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(decodeErrors(cut), "");

    r = run({rmtool(), "title", cut, "Renamed"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = run({rmtool(), "title", cut});
    EXPECT_EQ(r.out, "Renamed\n");
    EXPECT_EQ(dir.entries().size(), 2u);
}

TEST(RmTool, FailuresExitNonZeroWithTheText)
{
    TempDir dir;
    writeBytes(dir.file("text.rm"), {'h', 'e', 'l', 'l', 'o'});
    ProcessResult r = run({rmtool(), "info", dir.file("text.rm")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(rm::RmFile::errorText(static_cast<int>(RmError::NotRealMedia))), std::string::npos);

    r = run({rmtool(), "join", dir.file("o.rm"), clip(ClipKind::Rv20Ac3, 1000),
             clip(ClipKind::Rv10Real144, 1000)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(rm::RmFile::errorText(static_cast<int>(RmError::StreamMismatch))),
              std::string::npos);

    r = run({rmtool(), "cut", clip(ClipKind::Rv20Ac3, 1000), dir.file("c.rm"), "900", "100"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(rm::RmFile::errorText(static_cast<int>(RmError::EndBeforeStart))),
              std::string::npos);

    r = run({rmtool(), "cut", clip(ClipKind::Rv20Ac3, 1000), dir.file("c.rm"), "x", "100"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"text.rm"});
}
