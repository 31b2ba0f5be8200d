#include "WavReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace tbench {

namespace {
uint32_t U32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

AudioStream::~AudioStream() {
  if (owned_ && file_ != nullptr) std::fclose(file_);
}

bool AudioStream::OpenWav(const std::string& path, std::string& error) {
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    error = "cannot open " + path;
    return false;
  }
  owned_ = true;
  unsigned char h[12];
  if (std::fread(h, 1, 12, file_) != 12 || std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0) {
    error = "not a WAVE file: " + path;
    return false;
  }
  int format = 0, channels = 0, bits = 0, rate = 0;
  bool data = false;
  for (unsigned char c[8]; std::fread(c, 1, 8, file_) == 8;) {
    size_t len = U32(c + 4);
    if (std::memcmp(c, "data", 4) == 0) {
      // Streams written to a pipe carry a bogus length: read to the end of the file then.
      bytesLeft_ = len == 0 || len == 0xFFFFFFFFu ? std::numeric_limits<size_t>::max() : len;
      data = true;
      break;
    }
    std::vector<unsigned char> body(len + (len & 1));
    if (std::fread(body.data(), 1, body.size(), file_) != body.size()) break;
    if (std::memcmp(c, "fmt ", 4) == 0 && len >= 16) {
      format = U16(&body[0]);
      channels = U16(&body[2]);
      rate = static_cast<int>(U32(&body[4]));
      bits = U16(&body[14]);
      if (format == 0xFFFE && len >= 40) format = U16(&body[24]);  // extensible
    }
  }
  bool okFormat = (format == 1 && (bits == 16 || bits == 24 || bits == 32)) || (format == 3 && bits == 32);
  if (!data || !okFormat || channels < 1 || rate <= 0) {
    error = "unsupported WAVE data (integer 16/24/32 or float 32 only): " + path;
    return false;
  }
  format_ = format;
  channels_ = channels;
  bits_ = bits;
  sampleRate_ = rate;
  return true;
}

void AudioStream::OpenRawF32(std::FILE* in, int sampleRate) {
  file_ = in;
  owned_ = false;
  sampleRate_ = sampleRate;
  format_ = 3;
  channels_ = 2;
  bits_ = 32;
  bytesLeft_ = std::numeric_limits<size_t>::max();
}

size_t AudioStream::Read(float* out, size_t max) {
  if (file_ == nullptr) return 0;
  const size_t bytes = static_cast<size_t>(bits_ / 8);
  const size_t frameBytes = bytes * static_cast<size_t>(channels_);
  size_t want = std::min(max * frameBytes, bytesLeft_ / frameBytes * frameBytes);
  raw_.resize(want);
  size_t got = std::fread(raw_.data(), 1, want, file_) / frameBytes;
  bytesLeft_ -= got * frameBytes;
  const unsigned char* pcm = raw_.data();
  const int used = std::min(channels_, 2);
  for (size_t i = 0; i < got; ++i) {
    float ch[2] = {0, 0};
    for (int c = 0; c < used; ++c) {
      const unsigned char* p = pcm + i * frameBytes + static_cast<size_t>(c) * bytes;
      float v;
      if (format_ == 3) {
        std::memcpy(&v, p, 4);
      } else if (bits_ == 16) {
        v = static_cast<int16_t>(U16(p)) / 32768.0f;
      } else if (bits_ == 24) {
        int32_t s = static_cast<int32_t>((p[0] << 8) | (p[1] << 16) | (static_cast<uint32_t>(p[2]) << 24)) >> 8;
        v = s / 8388608.0f;
      } else {
        v = static_cast<int32_t>(U32(p)) / 2147483648.0f;
      }
      ch[c] = v;
    }
    out[i * 2] = ch[0];
    out[i * 2 + 1] = channels_ == 1 ? ch[0] : ch[1];
  }
  return got;
}

}  // namespace tbench
