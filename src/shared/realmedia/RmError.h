// Failure kinds of the RealMedia engine and their user-facing texts.
#pragma once

#include <string>

namespace rm {

// Error numbers returned by the engine. 0 is success; every other value has its own text.
enum class RmError : int
{
    Ok = 0,
    OpenFailed,
    ReadFailed,
    NotRealMedia,
    OldRealAudio,
    MetaFile,
    Truncated,
    BadChunk,
    UnsupportedVersion,
    NoStreams,
    TooManyStreams,
    NoData,
    NoPackets,
    BadPacket,
    UnknownStream,
    StreamMismatch,
    EndBeforeStart,
    EmptyRange,
    RangeOutsideClip,
    NoKeyframe,
    TimestampOverflow,
    OutputTooLarge,
    TitleTooLong,
    InputChanged,
    CreateFailed,
    NoPermission,
    NoSuchFolder,
    DiskFull,
    WriteFailed,
    RenameFailed,
    Cancelled,
    TargetReadOnly,
    PacketTooLarge,
};

// The highest error number in use.
constexpr int LastRmError = static_cast<int>(RmError::PacketTooLarge);

inline int toInt(RmError error)
{
    return static_cast<int>(error);
}

// One Japanese sentence (UTF-8) describing the failure; unknown numbers get a generic text.
std::string rmErrorText(int error);

// Maps an errno value of a failed create/write/rename to the closest error kind.
RmError rmErrorFromErrno(int errnoValue, RmError fallback);

} // namespace rm
