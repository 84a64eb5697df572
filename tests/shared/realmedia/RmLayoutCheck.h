// Layout checker: walks a RealMedia file the engine wrote and lists every way it breaks the rules a player
// relies on. Empty list: the file is sound.
#pragma once

#include "RmModel.h"

#include <string>
#include <vector>

namespace rmtest {

struct LayoutRules
{
    // The file is a cut: every stream and encoding opens on a keyframe (video: its first slice).
    bool cut = false;
    // Largest step between consecutive timestamps of one stream and encoding (joins must not leave holes).
    uint32_t maxGapMs = 300;
};

// Checked per stream and per encoding (multi-rate streams): timestamps (packet headers and the frame
// timestamps inside video payloads) never go back and never jump by more than maxGapMs (RealVideo 3/4
// B-frames are left out, they come after the frame they precede); a cut opens on keyframes; video frames
// are whole (no slice without its frame's first, no frame left open at the end); interleaved audio comes in
// whole blocks; INDX records point at keyframe packets with their time and number; PROP, MDPR and the
// file-info stream describe the data as it is.
std::vector<std::string> checkLayout(const std::string& path, const LayoutRules& rules = {});

// The encoding a packet belongs to within its stream (0 unless the stream is multi-rate).
int encodingOf(const ModelStream& stream, const ModelPacket& packet);
// RealVideo version (1..4) of a video stream's type-specific data (the first encoding's for multi-rate
// streams), 0 when it is no RealVideo.
int realVideoVersion(const ModelStream& stream);
// Picture type of a RealVideo 3/4 frame that starts in data (0, 1 intra, 2 inter, 3 bidirectional).
int pictureType(int version, const uint8_t* data, size_t size);

} // namespace rmtest
