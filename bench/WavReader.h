// Minimal streaming reader of RIFF/WAVE files (integer PCM 16/24/32 bit and 32-bit float, any
// channel count) and of raw float stereo, giving interleaved stereo float frames block by block
// to the offline render tool, so that reading costs what a player's decoder would.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace tbench {

class AudioStream {
 public:
  AudioStream() = default;
  ~AudioStream();
  AudioStream(const AudioStream&) = delete;
  AudioStream& operator=(const AudioStream&) = delete;

  // False and a message in error on failure.
  bool OpenWav(const std::string& path, std::string& error);
  // Raw little-endian float stereo (ffmpeg -f f32le -ac 2) from a stream the caller keeps open.
  void OpenRawF32(std::FILE* in, int sampleRate);

  int SampleRate() const { return sampleRate_; }
  // Fills up to max interleaved stereo frames; 0 at the end.
  size_t Read(float* out, size_t max);

 private:
  std::FILE* file_ = nullptr;
  bool owned_ = false;
  int sampleRate_ = 0;
  int format_ = 3, channels_ = 2, bits_ = 32;
  size_t bytesLeft_ = 0;  // of the data chunk
  std::vector<unsigned char> raw_;
};

}  // namespace tbench
