// libFuzzer entry: open the input as a RealMedia file, write it whole, cut it, and join it to itself.

#include "OutputSink.h"
#include "RmFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int fd = memfd_create("rmfuzz", 0);
    if (fd < 0) {
        return 0;
    }
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    int error = 0;
    auto file = rm::OpenRmFile(path, &error);
    if (!file) {
        (void)rm::RmFile::errorText(error);
        return 0;
    }
    (void)file->title();
    (void)file->streams();
    NullSink whole;
    (void)file->writeTo(whole);
    const uint32_t duration = file->durationMs();
    file->setStartPosition(static_cast<int32_t>(duration / 3));
    file->setEndPosition(static_cast<int32_t>(duration - duration / 4));
    NullSink cut;
    (void)file->writeTo(cut);
    if (file->append(path) == 0) {
        file->setTitle("fuzz");
        file->setStartPosition(static_cast<int32_t>(duration / 2));
        file->setEndPosition(static_cast<int32_t>(duration + duration / 2));
        NullSink joined;
        (void)file->writeTo(joined);
    }
    return 0;
}
