// Builders of the packet layouts other encoders write, made by rewriting ffmpeg's output (ffmpeg cannot
// encode RealVideo 3/4 or interleaved RealAudio; those payloads are made up, with real frame headers).
#pragma once

#include "RmModel.h"

#include <string>

namespace rmtest {

// Video frames packed several to a packet as "one of several whole frames" sub-packets, each carrying its
// own timestamp. A keyframe always opens a packet. Audio packets are kept as they were.
Bytes multiFrameVideo(const Bytes& file, int framesPerPacket);

// Every video frame sent as two slices in two packets (a partial frame, then its last part); only the
// first carries the keyframe flag. ffmpeg lists such packets but its decoders expect slices cut where the
// bitstream's own slices start, so these files are checked without decoding.
Bytes slicedVideo(const Bytes& file);

// Adds a "logical-fileinfo" stream with the given text properties; its data offset points at the DATA
// chunk when pointAtData is set, else somewhere wrong (as copies of files edited elsewhere do).
Bytes withFileInfo(const Bytes& file, const std::vector<std::pair<std::string, std::string>>& properties,
                   bool pointAtData = true);

// One video stream number carrying two encodings (multi-rate): the video of a and of b (both video only,
// same frame size), told apart by rule number. version1: packets of object version 1 with the ASM rule;
// otherwise version 0 with the rule in the packet group byte, as ffmpeg reads it.
Bytes multiRateVideo(const Bytes& a, const Bytes& b, bool version1);

// Adds add to every packet timestamp, modulo 2^32 (a capture whose clock crosses 2^32 ms).
Bytes shiftTimestamps(const Bytes& file, uint32_t add);

// Drops the video packets stamped before ms (the sound starts before the first video keyframe).
Bytes dropVideoBefore(const Bytes& file, uint32_t ms);

// Replaces the audio stream with interleaved audio ("genr" interleaver, made-up payload) in blocks of
// blockHeight packets of blockMs each; the first packet of a block carries the keyframe flag. rising: the
// packets of a block carry rising timestamps, else all carry the block's.
Bytes interleavedAudio(const Bytes& file, int blockHeight, uint32_t blockMs, bool rising);

// A made-up RealVideo 4 stream (160x120, 25 frames per second, frame headers with picture type and the
// 13-bit timestamp, no picture data) of frames in decode order I P B B P B B ... with a keyframe every
// gop frames. Packet timestamps are display times (B-frames carry their own, earlier ones); decodeOrder
// stamps packets in decode order instead (every packet later than the one before).
Bytes realVideo4(uint32_t durationMs, int gop, bool decodeOrder = false, uint32_t startMs = 0);

} // namespace rmtest
