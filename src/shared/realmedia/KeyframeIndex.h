// The video keyframes of a RealMedia file, where a lossless cut can start: read from the file's index when
// it is complete, otherwise from one pass over its packets.
#pragma once

#include "ProgressMeter.h"
#include "RmError.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rm {

// The keyframes of one video stream. Times are positions as a cut takes them: milliseconds from the
// file's start (its earliest packet), ascending, each once.
struct StreamKeyframes
{
    uint16_t streamNumber = 0;
    // One list per encoding: a single-rate stream has one; a multi-rate stream one per encoding that has
    // keyframes.
    std::vector<std::vector<uint32_t>> encodings;
    // The times at which every encoding has a keyframe (a single-rate stream's keyframes).
    std::vector<uint32_t> common;
};

struct KeyframeList
{
    std::vector<StreamKeyframes> streams; // video streams with packets, in header order
    bool audioOnly = false;               // packets, but none of a video stream
    bool fromIndex = false;               // read from the index chunks, not from the packets
    bool truncated = false;               // the file ends inside its data; what is there was read
    // Not Ok when the packets are damaged: the keyframes before the damage were read, later ones are
    // missing. The value tells what was found there.
    RmError damage = RmError::Ok;
    uint64_t startTime = 0; // file timestamp (unwrapped) of position 0

    // The keyframes a cut follows: the common times of the first video stream; empty without video.
    const std::vector<uint32_t>& times() const;

    // Where a cut asked to start at position (ms) really starts, as RmFile writes it: a start of 0 keeps
    // everything from the file's start (sound before the first keyframe too); otherwise the earliest of
    // the encodings' last keyframes at or before position or, when no encoding has one, the first
    // keyframe after it. Nothing when the first video stream has no keyframes (and for sound only: there
    // every packet or interleave block starts cleanly, so a cut starts within one of position).
    std::optional<uint32_t> cutStart(uint32_t position) const;
};

// Reads the keyframes of the file at path into out. The index is used when it has a chunk for every
// video stream, its records are in order within the data, and the records checked point at keyframes of
// their stream at their time: every record of a multi-rate stream (the packet tells its encoding), else
// the first, the last and 16 between, one small read each. Otherwise the packets are read once from start to
// end (packet headers and the first bytes of video payloads, so at about the disk's sequential speed),
// calling progress(done, total) with data bytes as units a few hundred times at most; when it returns false
// the read stops with Cancelled. Memory: a few bytes per keyframe plus the packet buffer. Returns Ok (damaged
// packets included: see KeyframeList::damage), a header error for files that cannot be opened, NoPackets when
// the data holds none, or Cancelled. Not thread-safe per call, but separate calls may run on separate
// threads.
RmError readKeyframes(const std::string& path, KeyframeList& out, const ProgressCallback& progress = {});

} // namespace rm
