// Lengths of files that carry none in their header (MPEG audio without a Xing/Info frame, AAC in
// ADTS), counted by walking the frame headers instead of having the demuxer read every packet:
// the same count, at a fraction of the cost. Any irregularity (a bad or changing header, bytes
// that are neither a frame nor a trailing ID3v1 tag, a cut last frame) gives up, and the caller
// reads packets as before, so the length stays the one decoding gives.
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

// Size of the ID3v2 tags at the start of path, footers included (0 when none).
int64_t Id3v2Size(const std::string& path);

}  // namespace alib
