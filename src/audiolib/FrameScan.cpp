#include "audiolib/FrameScan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Files.h"

namespace alib {

namespace {

// Reads a file front to back in large blocks; the frames are walked in order, so every byte is
// read once and a header never needs more than one refill.
class BlockReader {
 public:
  BlockReader(const std::string& path, size_t block) : block_(block), f_(platform::OpenFile(path, "rb")) {
    if (f_) std::setvbuf(f_, nullptr, _IONBF, 0);  // the block is the buffer
  }
  ~BlockReader() {
    if (f_) std::fclose(f_);
  }
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;
  bool Ok() const { return f_ != nullptr; }

  // The n bytes at pos, or null when the file ends before them.
  const unsigned char* At(int64_t pos, size_t n) {
    if (pos >= start_ && pos + int64_t(n) <= start_ + int64_t(len_)) return buf_.data() + (pos - start_);
    // The first read is small: most walks end at the first frame or read the whole file.
    const size_t want = std::max(buf_.empty() ? kFirst : block_, n);
    if (buf_.size() < want) buf_.resize(want);
    if (std::fseek(f_, long(pos), SEEK_SET) != 0) return nullptr;
    start_ = pos;
    len_ = std::fread(buf_.data(), 1, want, f_);
    return n <= len_ ? buf_.data() : nullptr;
  }
  // Where the file ends, reading on from pos.
  int64_t EndFrom(int64_t pos) {
    while (At(pos, 1)) pos = start_ + int64_t(len_);
    return pos;
  }
  // Whether the file ends exactly at pos.
  bool EndsAt(int64_t pos) {
    if (pos < start_ + int64_t(len_)) return false;
    return At(pos, 1) == nullptr && len_ == 0;
  }

 private:
  static constexpr size_t kFirst = 4096;
  size_t block_;
  std::FILE* f_;
  std::vector<unsigned char> buf_;
  int64_t start_ = 0;
  size_t len_ = 0;
};

struct Header {
  int size = 0;     // bytes, header included
  int samples = 0;  // per channel
  int rate = 0;
  int family = 0;   // what must stay the same from frame to frame
};

// MPEG-1/2/2.5 layer III. Free-format frames (no bitrate in the header) are not walked.
bool ParseMp3(const unsigned char* b, Header& h) {
  if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
  const int version = (b[1] >> 3) & 3;  // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
  const int layer = (b[1] >> 1) & 3;    // 1 = layer III
  const int bitrateIndex = b[2] >> 4;
  const int rateIndex = (b[2] >> 2) & 3;
  if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  static const int kBitrate1[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  static const int kBitrate2[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  static const int kRate[3] = {44100, 48000, 32000};
  const bool mpeg1 = version == 3;
  h.rate = kRate[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const int kbps = mpeg1 ? kBitrate1[bitrateIndex] : kBitrate2[bitrateIndex];
  const int padding = (b[2] >> 1) & 1;
  h.size = (mpeg1 ? 144000 : 72000) * kbps / h.rate + padding;
  h.samples = mpeg1 ? 1152 : 576;
  h.family = (b[1] & 0xFE) << 8 | (b[2] & 0x0C);  // version, layer, rate
  return true;
}

// ADTS: 1024 samples per raw data block, one to four blocks a frame.
bool ParseAdts(const unsigned char* b, Header& h) {
  if (b[0] != 0xFF || (b[1] & 0xF6) != 0xF0) return false;
  static const int kRate[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                22050, 16000, 12000, 11025, 8000,  7350};
  const int rateIndex = (b[2] >> 2) & 0x0F;
  if (rateIndex >= 13) return false;
  const int headerSize = (b[1] & 1) ? 7 : 9;
  h.size = ((b[3] & 3) << 11) | (b[4] << 3) | (b[5] >> 5);
  if (h.size <= headerSize) return false;
  h.rate = kRate[rateIndex];
  h.samples = 1024 * ((b[6] & 3) + 1);
  h.family = (b[1] & 0xF8) << 8 | (b[2] & 0xFD);  // version, profile, rate, channels (high bit)
  return true;
}

// A first frame holding a Xing, Info or VBRI tag is no audio: the demuxer leaves it out.
bool IsInfoFrame(const unsigned char* b, size_t size) {
  const bool mpeg1 = ((b[1] >> 3) & 3) == 3;
  const bool mono = (b[3] >> 6) == 3;
  const size_t side = 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
  auto at = [&](size_t off, const char* tag) { return off + 4 <= size && std::memcmp(b + off, tag, 4) == 0; };
  return at(side, "Xing") || at(side, "Info") || at(36, "VBRI");
}

size_t HeaderBytes(FrameKind kind) { return kind == FrameKind::kMp3 ? 4 : 7; }

}  // namespace

int64_t Id3v2Size(const std::string& path) {
  BlockReader r(path, 16);
  if (!r.Ok()) return 0;
  int64_t pos = 0;
  // Tags may follow one another.
  while (const unsigned char* b = r.At(pos, 10)) {
    if (std::memcmp(b, "ID3", 3) != 0 || b[3] == 0xFF || b[4] == 0xFF || ((b[6] | b[7] | b[8] | b[9]) & 0x80))
      break;
    pos += 10 + ((int64_t(b[6]) << 21) | (int64_t(b[7]) << 14) | (int64_t(b[8]) << 7) | int64_t(b[9]));
    if (b[5] & 0x10) pos += 10;
  }
  return pos;
}

bool PacketIsFrame(FrameKind kind, const unsigned char* b, size_t n) {
  Header h;
  if (n < HeaderBytes(kind) || !(kind == FrameKind::kMp3 ? ParseMp3(b, h) : ParseAdts(b, h))) {
    // Free-format MPEG audio (no bitrate in its header) is left to the codec.
    return kind == FrameKind::kMp3 && n >= 4 && b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && (b[2] >> 4) == 0;
  }
  return kind == FrameKind::kMp3 || n >= size_t(h.size);
}

bool ScanFrames(const std::string& path, FrameKind kind, int64_t start, FrameCount& out) {
  BlockReader r(path, 256 * 1024);
  if (!r.Ok()) return false;
  auto parse = kind == FrameKind::kMp3 ? ParseMp3 : ParseAdts;
  const size_t headerBytes = HeaderBytes(kind);
  FrameCount count;
  int family = -1;
  int64_t pos = start;
  for (;;) {
    const unsigned char* b = r.At(pos, headerBytes);
    if (!b) {
      pos = r.EndFrom(pos);  // fewer bytes than a header: stray too
      break;
    }
    Header h;
    if (!parse(b, h)) {
      // Bytes that are no frame: the end of the sound when no frame of the stream follows
      // anywhere in them (a tag, junk, text); otherwise the demuxer may resynchronise.
      if (count.frames == 0) return false;
      for (int64_t p = pos + 1;; ++p) {
        const unsigned char* c = r.At(p, headerBytes);
        if (!c) break;
        Header next;
        if (parse(c, next) && next.family == family) return false;
      }
      pos = r.EndFrom(pos);
      break;
    }
    if (family >= 0 && h.family != family) return false;
    const unsigned char* frame = r.At(pos, size_t(h.size));
    if (!frame) {
      // A cut last frame: MPEG audio still decodes it, ADTS does not.
      if (kind == FrameKind::kMp3) {
        if (count.frames == 0) return false;
        count.samples += h.samples;
        ++count.frames;
      }
      pos = r.EndFrom(pos);
      break;
    }
    if (kind == FrameKind::kMp3 && count.frames == 0 && IsInfoFrame(frame, size_t(h.size))) return false;
    family = h.family;
    count.rate = h.rate;
    count.samples += h.samples;
    ++count.frames;
    pos += h.size;
  }
  if (!r.EndsAt(pos) || count.frames == 0) return false;
  out = count;
  return true;
}

}  // namespace alib
