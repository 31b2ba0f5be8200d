// Minimal reader of RIFF/WAVE files (integer PCM 16/24/32 bit and 32-bit float, any channel
// count) into interleaved stereo float frames, for the offline render tool.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace tbench {

struct Audio {
  int sampleRate = 0;
  std::vector<float> frames;  // interleaved stereo
};

// Empty frames and a message in error on failure.
Audio ReadWav(const std::string& path, std::string& error);
// Raw little-endian float stereo (ffmpeg -f f32le -ac 2) from a stream.
Audio ReadRawF32(std::FILE* in, int sampleRate);

}  // namespace tbench
