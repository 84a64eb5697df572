#include "RmFile.h"

#include "FileSink.h"
#include "RetitleWriter.h"
#include "RmPart.h"
#include "RmWriter.h"
#include "StreamSetup.h"
#include "TargetFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace rm {

namespace {

// Temporary name beside target: same folder (so rename stays on one file system), hidden, unique.
std::string temporaryPathFor(const std::string& target, int attempt)
{
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.size() > 120) {
        base.resize(120);
    }
    const auto ticks =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%d.%u.%llx.%d.tmp", static_cast<int>(::getpid()), counter++,
                  ticks & 0xffffffffull, attempt);
    return folder + "." + base + suffix;
}

// Makes the rename itself durable.
void syncFolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

RmFile::RmFile() = default;
RmFile::~RmFile() = default;

std::unique_ptr<RmFile> RmFile::open(const std::string& path, int* error)
{
    std::unique_ptr<RmFile> file(new RmFile());
    auto part = std::make_unique<RmPart>();
    const RmError e = part->open(path, file->m_buffer);
    if (error) {
        *error = toInt(e);
    }
    if (e != RmError::Ok) {
        return nullptr;
    }
    file->m_parts.push_back(std::move(part));
    return file;
}

std::unique_ptr<RmFile> OpenRmFile(const std::string& path, int* error)
{
    return RmFile::open(path, error);
}

std::string RmFile::title() const
{
    return m_title ? *m_title : m_parts.front()->headers().content.title;
}

void RmFile::setTitle(std::string title)
{
    m_title = std::move(title);
}

int RmFile::append(const std::string& path)
{
    auto part = std::make_unique<RmPart>();
    if (RmError e = part->open(path, m_buffer); e != RmError::Ok) {
        return toInt(e);
    }
    // Streams pair up in order, leaving out the file-info streams, which describe each file rather than
    // its media (files encoded separately differ there).
    const RmPart& firstPart = *m_parts.front();
    const auto firstStreams = firstPart.joinedStreams();
    const auto nextStreams = part->joinedStreams();
    if (firstStreams.size() != nextStreams.size()) {
        return toInt(RmError::StreamMismatch);
    }
    std::vector<int> map(part->headers().streams.size(), -1);
    for (size_t i = 0; i < firstStreams.size(); ++i) {
        if (!sameDecoding(firstPart.headers().streams[firstStreams[i]],
                          part->headers().streams[nextStreams[i]])) {
            return toInt(RmError::StreamMismatch);
        }
        map[nextStreams[i]] = static_cast<int>(firstStreams[i]);
    }
    part->setStreamMap(std::move(map));
    m_parts.push_back(std::move(part));
    return toInt(RmError::Ok);
}

void RmFile::setStartPosition(int32_t ms)
{
    m_start = ms;
}

void RmFile::setEndPosition(int32_t ms)
{
    m_end = ms;
}

int RmFile::writeTo(OutputSink& sink)
{
    return writeTo(sink, ProgressCallback());
}

int RmFile::writeTo(OutputSink& sink, const ProgressCallback& progress)
{
    const ProgressCallback* callback = progress ? &progress : nullptr;
    if (m_parts.size() == 1 && !m_start && !m_end) {
        // One input, whole: only the title changes; every other byte stays as it is.
        RetitleWriter writer(*m_parts.front(), m_title, m_buffer, callback);
        return toInt(writer.write(sink));
    }
    WriteRequest request;
    request.progress = callback;
    for (const auto& part : m_parts) {
        request.parts.push_back(part.get());
    }
    request.title = m_title;
    request.start = m_start;
    request.end = m_end;
    RmWriter writer(request, m_buffer);
    return toInt(writer.write(sink));
}

int RmFile::write(const std::string& path)
{
    return write(path, ProgressCallback());
}

int RmFile::write(const std::string& path, const ProgressCallback& progress)
{
    if (path.empty() || path.back() == '/') {
        return toInt(RmError::CreateFailed);
    }
    WriteTarget target;
    if (RmError e = resolveWriteTarget(path, target); e != RmError::Ok) {
        return toInt(e);
    }
    FileSink sink;
    std::string temporary;
    RmError e = RmError::CreateFailed;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary = temporaryPathFor(target.path, attempt);
        e = sink.create(temporary);
        if (e == RmError::Ok || sink.errnoValue() != EEXIST) {
            break;
        }
    }
    if (e != RmError::Ok) {
        return toInt(e);
    }
    if (target.exists) {
        sink.keepAttributes(target.mode, target.owner, target.group);
    }
    e = static_cast<RmError>(writeTo(sink, progress));
    const RmError closed = sink.finish(m_sync && e == RmError::Ok);
    if (e == RmError::Ok) {
        e = closed;
    }
    if (e == RmError::Ok && ::rename(temporary.c_str(), target.path.c_str()) != 0) {
        e = rmErrorFromErrno(errno, RmError::RenameFailed);
        if (e == RmError::NoSuchFolder || e == RmError::DiskFull) {
            e = RmError::RenameFailed;
        }
    }
    if (e != RmError::Ok) {
        ::unlink(temporary.c_str());
    } else if (m_sync) {
        syncFolderOf(target.path);
    }
    return toInt(e);
}

std::string RmFile::errorText(int error)
{
    return rmErrorText(error);
}

std::vector<StreamInfo> RmFile::streams() const
{
    std::vector<StreamInfo> result;
    const auto& first = m_parts.front()->headers().streams;
    for (size_t i = 0; i < first.size(); ++i) {
        StreamInfo info;
        info.number = first[i].streamNumber;
        info.name = first[i].streamName;
        info.mimeType = first[i].mimeType;
        result.push_back(std::move(info));
    }
    for (const auto& part : m_parts) {
        for (size_t i = 0; i < part->streamMap().size(); ++i) {
            if (const int s = part->streamMap()[i]; s >= 0) {
                result[static_cast<size_t>(s)].packetCount += part->streamScans()[i].usablePackets;
            }
        }
    }
    return result;
}

uint32_t RmFile::durationMs() const
{
    uint64_t total = 0;
    for (const auto& part : m_parts) {
        total += part->duration();
    }
    return static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
}

bool RmFile::truncated() const
{
    for (const auto& part : m_parts) {
        if (part->truncated()) {
            return true;
        }
    }
    return false;
}

uint64_t RmFile::packetCount() const
{
    uint64_t total = 0;
    for (const auto& part : m_parts) {
        total += part->packetCount();
    }
    return total;
}

} // namespace rm
