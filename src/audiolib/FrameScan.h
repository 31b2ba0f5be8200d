// Lengths of files that carry none in their header (MPEG audio without a Xing/Info frame, AAC in
// ADTS), counted by walking the frame headers instead of having the demuxer read every packet:
// the same count, at a fraction of the cost. Bytes after the last frame that hold no further frame
// (tags, junk, text) end the count, as they end decoding; any other irregularity (a changing
// header, a frame after such bytes) gives up, and the caller reads packets as before, keeping
// only those PacketIsFrame accepts, so the length stays the one decoding gives.
#pragma once
#include <cstdint>
#include <string>

namespace alib {

enum class FrameKind { kMp3, kAdts };

struct FrameCount {
  int64_t samples = 0;  // at rate, as the headers give it
  int rate = 0;
  int64_t frames = 0;
};

// Walks the frames of path from byte start (just after any ID3v2 tag) to its end.
bool ScanFrames(const std::string& path, FrameKind kind, int64_t start, FrameCount& out);

// Whether a packet of n bytes the raw MPEG audio or ADTS demuxer gave is a frame the codec turns
// into sound. Stray bytes after the last frame come out as packets too, and decode to nothing;
// a cut last frame still decodes in MPEG audio, not in ADTS.
bool PacketIsFrame(FrameKind kind, const unsigned char* b, size_t n);

// Size of the ID3v2 tags at the start of path, footers included (0 when none).
int64_t Id3v2Size(const std::string& path);

}  // namespace alib
