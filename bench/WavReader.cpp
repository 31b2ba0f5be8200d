#include "WavReader.h"

#include <cstdint>
#include <cstring>
#include <algorithm>

namespace tbench {

namespace {
uint32_t U32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

Audio ReadWav(const std::string& path, std::string& error) {
  Audio a;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = "cannot open " + path;
    return a;
  }
  std::vector<unsigned char> data;
  unsigned char chunk[1 << 16];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;) data.insert(data.end(), chunk, chunk + got);
  std::fclose(f);
  if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 || std::memcmp(data.data() + 8, "WAVE", 4) != 0) {
    error = "not a WAVE file: " + path;
    return a;
  }
  int format = 0, channels = 0, bits = 0;
  size_t pos = 12;
  const unsigned char* pcm = nullptr;
  size_t pcmBytes = 0;
  while (pos + 8 <= data.size()) {
    const unsigned char* h = data.data() + pos;
    size_t len = U32(h + 4);
    size_t body = pos + 8;
    size_t avail = data.size() - body;
    if (std::memcmp(h, "fmt ", 4) == 0 && len >= 16 && avail >= 16) {
      format = U16(h + 8);
      channels = U16(h + 10);
      a.sampleRate = static_cast<int>(U32(h + 12));
      bits = U16(h + 22);
      if (format == 0xFFFE && len >= 40 && avail >= 40) format = U16(h + 32);  // extensible
    } else if (std::memcmp(h, "data", 4) == 0) {
      pcm = h + 8;
      // Streams written to a pipe carry a bogus length: take what is there.
      pcmBytes = std::min(len, avail);
      break;
    }
    pos = body + len + (len & 1);
  }
  bool okFormat = (format == 1 && (bits == 16 || bits == 24 || bits == 32)) || (format == 3 && bits == 32);
  if (pcm == nullptr || !okFormat || channels < 1 || a.sampleRate <= 0) {
    error = "unsupported WAVE data (integer 16/24/32 or float 32 only): " + path;
    a.sampleRate = 0;
    return a;
  }
  const size_t bytes = static_cast<size_t>(bits / 8);
  const size_t frames = pcmBytes / (bytes * channels);
  a.frames.resize(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    float ch[2] = {0, 0};
    for (int c = 0; c < std::min(channels, 2); ++c) {
      const unsigned char* p = pcm + (i * channels + c) * bytes;
      float v;
      if (format == 3) {
        std::memcpy(&v, p, 4);
      } else if (bits == 16) {
        v = static_cast<int16_t>(U16(p)) / 32768.0f;
      } else if (bits == 24) {
        int32_t s = static_cast<int32_t>((p[0] << 8) | (p[1] << 16) | (static_cast<uint32_t>(p[2]) << 24)) >> 8;
        v = s / 8388608.0f;
      } else {
        v = static_cast<int32_t>(U32(p)) / 2147483648.0f;
      }
      ch[c] = v;
    }
    a.frames[i * 2] = ch[0];
    a.frames[i * 2 + 1] = channels == 1 ? ch[0] : ch[1];
  }
  return a;
}

Audio ReadRawF32(std::FILE* in, int sampleRate) {
  Audio a;
  a.sampleRate = sampleRate;
  float buf[8192];
  for (;;) {
    size_t got = std::fread(buf, sizeof(float), 8192, in);
    a.frames.insert(a.frames.end(), buf, buf + (got & ~static_cast<size_t>(1)));
    if (got < 8192) break;
  }
  return a;
}

}  // namespace tbench
