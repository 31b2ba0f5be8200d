// A media file through the audio library: open, length, a seek, the first seconds decoded.
// Mutations keep Ogg pages' checksums right, or the demuxer would drop every mutated page.
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "audiolib/AudioLib.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

uint32_t OggCrc(const uint8_t* p, size_t n) {
  static uint32_t table[256];
  static bool made = false;
  if (!made) {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t r = i << 24;
      for (int k = 0; k < 8; ++k) r = r & 0x80000000u ? (r << 1) ^ 0x04C11DB7u : r << 1;
      table[i] = r;
    }
    made = true;
  }
  uint32_t crc = 0;
  for (size_t i = 0; i < n; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xFF];
  return crc;
}

// Recomputes the checksum of every whole Ogg page in the buffer.
void RepairOggPages(uint8_t* data, size_t size) {
  for (size_t at = 0; at + 27 <= size;) {
    if (std::memcmp(data + at, "OggS", 4) != 0) {
      ++at;
      continue;
    }
    const size_t segments = data[at + 26];
    size_t length = 27 + segments;
    if (at + length > size) return;
    for (size_t s = 0; s < segments; ++s) length += data[at + 27 + s];
    if (at + length > size) return;
    std::memset(data + at + 22, 0, 4);
    const uint32_t crc = OggCrc(data + at, length);
    for (int i = 0; i < 4; ++i) data[at + 22 + i] = uint8_t(crc >> (8 * i));
    at += length;
  }
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int /*seed*/) {
  size = LLVMFuzzerMutate(data, size, maxSize);
  RepairOggPages(data, size);
  return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace alib;
  const std::string path = fuzz::WriteInput("media", data, size);
  // Examination reads files its own way (tags, frame headers) before FFmpeg does.
  (void)FileGetLength(path.c_str());
  const uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
  if (!h) return 0;
  const int64_t length = ChannelGetLength(h, kPosByte);
  std::vector<float> buf(4096 * 2);
  // Up to three seconds from the start, then half a second from the middle.
  size_t frames = 0;
  while (frames < 3 * 44100) {
    const uint32_t got = ChannelGetData(h, buf.data(), uint32_t(buf.size() * sizeof(float)));
    if (got == 0xFFFFFFFFu || got == 0) break;
    frames += got / 8;
  }
  if (length > 0 && ChannelSetPosition(h, length / 2 / 8 * 8, kPosByte)) {
    for (frames = 0; frames < 44100 / 2;) {
      const uint32_t got = ChannelGetData(h, buf.data(), uint32_t(buf.size() * sizeof(float)));
      if (got == 0xFFFFFFFFu || got == 0) break;
      frames += got / 8;
    }
  }
  StreamFree(h);
  return 0;
}
