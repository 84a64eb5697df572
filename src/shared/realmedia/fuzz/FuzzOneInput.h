// One fuzz input run through the engine: its keyframes listed, opened, retitled, cut, joined and cut again.
// Shared by the libFuzzer target and by the regression test that replays its findings.
//
// Input: 4 control bytes, then two files, the first `split` bytes of the rest and the remainder.
// Control bytes: split (16 bits, taken modulo the rest's size + 1), start and end of the range, each as a
// fraction (n/255) of the joined length.
#pragma once

#include "KeyframeIndex.h"
#include "OutputSink.h"
#include "RmFile.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace rmfuzz {

// Discards the bytes; memory use stays flat whatever the output size.
class NullSink : public rm::OutputSink
{
public:
    bool write(const uint8_t*, size_t size) override
    {
        m_written += size;
        return true;
    }
    rm::RmError error() const override { return rm::RmError::Ok; }

private:
    size_t m_written = 0;
};

// A file in memory with a path the engine can open.
class MemoryFile
{
public:
    explicit MemoryFile(const char* name) : m_fd(memfd_create(name, 0)) {}
    ~MemoryFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool set(const uint8_t* data, size_t size)
    {
        return m_fd >= 0 && ftruncate(m_fd, 0) == 0 &&
               (size == 0 || pwrite(m_fd, data, size, 0) == static_cast<ssize_t>(size));
    }
    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};

inline void runOneInput(const uint8_t* data, size_t size)
{
    static MemoryFile first("rmfuzz-a");
    static MemoryFile second("rmfuzz-b");
    if (size < 4) {
        return;
    }
    const uint8_t* rest = data + 4;
    const size_t restSize = size - 4;
    const size_t split = (static_cast<size_t>(data[0]) << 8 | data[1]) % (restSize + 1);
    if (!first.set(rest, split) || !second.set(rest + split, restSize - split)) {
        return;
    }
    rm::KeyframeList keyframes;
    if (rm::readKeyframes(first.path(), keyframes) == rm::RmError::Ok) {
        (void)keyframes.cutStart(static_cast<uint32_t>(data[2]) << 8 | data[3]);
    }
    int error = 0;
    auto file = rm::OpenRmFile(first.path(), &error);
    if (!file) {
        (void)rm::RmFile::errorText(error);
        return;
    }
    (void)file->title();
    (void)file->streams();
    (void)file->truncated();
    NullSink whole;
    file->setTitle("fuzz title");
    (void)file->writeTo(whole);

    auto range = [&](uint32_t length) {
        const auto start = static_cast<int32_t>(uint64_t(length) * data[2] / 255);
        const auto end = static_cast<int32_t>(uint64_t(length) * data[3] / 255);
        file->setStartPosition(start);
        file->setEndPosition(end);
    };
    range(file->durationMs());
    NullSink cut;
    (void)file->writeTo(cut);

    if (file->append(second.path()) == 0) {
        auto joined = rm::OpenRmFile(first.path(), nullptr);
        if (joined && joined->append(second.path()) == 0) {
            NullSink out;
            (void)joined->writeTo(out);
        }
        range(file->durationMs());
        NullSink joinedCut;
        // Cancel late in the run now and then, to walk the clean-up paths too.
        uint64_t calls = 0;
        (void)file->writeTo(joinedCut, [&](uint64_t, uint64_t) { return ++calls < 50u + data[2]; });
    }
}

} // namespace rmfuzz
