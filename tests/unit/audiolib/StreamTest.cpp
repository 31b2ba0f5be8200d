// Decoding through FFmpeg: every format opens, has the right length, decodes to its end,
// and seeks land on the right sample.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audiolib/AudioLib.h"
#include "unit/audiolib/TestMedia.h"

namespace {

using namespace alib;

std::string Dir() {
  static std::string d = testmedia::TmpDir("audiolib-media");
  return d;
}

std::vector<float> DecodeAll(uint32_t h, size_t maxFrames = 44100 * 40) {
  std::vector<float> out;
  std::vector<float> buf(4096 * 2);
  while (out.size() / 2 < maxFrames) {
    uint32_t got = ChannelGetData(h, buf.data(), uint32_t(buf.size() * sizeof(float)));
    if (got == 0xFFFFFFFFu || got == 0) break;
    out.insert(out.end(), buf.begin(), buf.begin() + got / sizeof(float));
  }
  return out;
}

std::vector<float> DecodeFrames(uint32_t h, size_t frames) {
  std::vector<float> out(frames * 2);
  size_t got = 0;
  while (got < frames) {
    uint32_t n = ChannelGetData(h, out.data() + got * 2, uint32_t((frames - got) * 8));
    if (n == 0xFFFFFFFFu || n == 0) break;
    got += n / 8;
  }
  out.resize(got * 2);
  return out;
}

class Formats : public ::testing::TestWithParam<testmedia::Format> {};

TEST_P(Formats, LengthIsRightAndTheWholeFileDecodes) {
  const auto& f = GetParam();
  std::string path = testmedia::Make(Dir(), std::string("tone30-") + f.name,
                                     std::string(testmedia::kTone30) + " " + f.codec);
  ASSERT_FALSE(path.empty());
  uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode | kUnicode);
  ASSERT_NE(h, 0u) << "error " << ErrorGetCode();
  int64_t len = ChannelGetLength(h, kPosByte);
  double secs = ChannelBytes2Seconds(h, len);
  EXPECT_NEAR(secs, 30.0, 0.1) << f.name;
  std::vector<float> all = DecodeAll(h);
  EXPECT_NEAR(double(all.size() / 2) / 44100.0, 30.0, 0.1) << f.name;
  // The tone is there, not silence or noise.
  EXPECT_NEAR(testmedia::Rms(all, 44100, 44100), 0.0625, 0.01) << f.name;
  EXPECT_EQ(ChannelIsActive(h), kActiveStopped);
  EXPECT_EQ(ChannelGetData(h, all.data(), 64), 0xFFFFFFFFu);
  EXPECT_EQ(ErrorGetCode(), kErrorEnded);
  EXPECT_TRUE(StreamFree(h));
}

TEST_P(Formats, SeekLandsOnTheRightSample) {
  const auto& f = GetParam();
  std::string path = testmedia::Make(Dir(), std::string("step-") + f.name,
                                     std::string(testmedia::kSilenceThenTone) + " " + f.codec);
  ASSERT_FALSE(path.empty());
  uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(h, 0u);
  // Where the tone starts when decoding from the beginning.
  std::vector<float> head = DecodeFrames(h, 44100 * 6);
  long onset = testmedia::Onset(head);
  ASSERT_GT(onset, 0);
  // Codecs without a recorded encoder delay are allowed their frame of slack.
  EXPECT_NEAR(double(onset) / 44100.0, 5.0, 0.05) << f.name;
  // Seek to 0.1 s before it, and to points inside the silence further back.
  for (double back : {0.1, 1.0, 3.7}) {
    int64_t target = ChannelSeconds2Bytes(h, double(onset) / 44100.0 - back);
    ASSERT_TRUE(ChannelSetPosition(h, target, kPosByte)) << f.name;
    EXPECT_EQ(ChannelGetPosition(h, kPosByte), target);
    std::vector<float> after = DecodeFrames(h, 44100 * 4);
    long o2 = testmedia::Onset(after);
    ASSERT_GE(o2, 0) << f.name;
    long landed = long(target / 8) + o2;
    // Within a millisecond of where the continuous decode has it.
    EXPECT_NEAR(double(landed), double(onset), 44.0) << f.name << " back " << back;
  }
  StreamFree(h);
}

// A source that is no whole number of codec frames long. The length is the number of frames
// the stream gives, so positions and end syncs land where the sound ends; where the file
// records its encoder delay and padding (LAME tag, edit list, Opus pre-skip, or a lossless
// format), that is the source's own length. WMA records neither and its codec gives a little
// less than its header says.
TEST_P(Formats, LengthIsEveryFramePlayedAndNoMore) {
  const auto& f = GetParam();
  std::string name = f.name;
  std::string path = testmedia::Make(Dir(), "odd-" + name,
                                     "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=3.0123 -ac 2 " +
                                         std::string(f.codec));
  ASSERT_FALSE(path.empty());
  const int64_t source = 132842;  // 3.0123 s
  uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(h, 0u) << name;
  const int64_t len = ChannelGetLength(h, kPosByte);
  // Learnt without a stream, the length is the same.
  EXPECT_EQ(FileGetLength(path.c_str()), len) << name;
  const int64_t decoded = int64_t(DecodeAll(h).size() / 2);
  StreamFree(h);
  if (name == "wma2.wma") return;
  EXPECT_NEAR(double(len / 8), double(decoded), 1.0) << name;
  const bool recordsGaps = name != "vbr-noxing.mp3" && name != "adts.aac";
  if (recordsGaps) {
    EXPECT_NEAR(double(len / 8), double(source), 44.0) << name;
  }
}

TEST(Streams, FileLengthFailsLikeAStream) {
  EXPECT_EQ(FileGetLength("/nonexistent/file.mp3"), -1);
  EXPECT_EQ(ErrorGetCode(), kErrorFileOpen);
  std::string junk = Dir() + "/junk.mp3";
  FILE* f = std::fopen(junk.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  for (int i = 0; i < 4096; ++i) std::fputc((i * 7919) & 0x7f, f);
  std::fclose(f);
  uint32_t h = StreamCreateFile(false, junk.c_str(), 0, 0, kStreamDecode);
  const int streamError = ErrorGetCode();
  if (h) StreamFree(h);
  EXPECT_EQ(FileGetLength(junk.c_str()) < 0, h == 0);
  if (!h) {
    EXPECT_EQ(ErrorGetCode(), streamError);
  }
  // A misnamed file is read for what it is.
  std::string wav = testmedia::Make(Dir(), "tone30-pcm.wav", std::string(testmedia::kTone30) + " -c:a pcm_s16le");
  std::string named = Dir() + "/really-wav.mp3";
  ASSERT_EQ(testmedia::Shell(("cp '" + wav + "' '" + named + "'").c_str()), 0);
  EXPECT_EQ(FileGetLength(named.c_str()), int64_t(30 * 44100) * 8);
}

// Files without a length in their header have it counted from their frame headers when no
// stream is made; whatever follows the frames, that count is the one decoding gives, and bytes
// that hold no frame (tags, junk, text) add nothing to it.
TEST(Streams, FileLengthOfRawFramesIsTheStreamsWhateverTheTail) {
  const std::string odd = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=3.0123 -ac 2 ";
  struct Source {
    const char* name;
    const char* codec;
  } sources[] = {{"walk-cbr.mp3", "-c:a libmp3lame -b:a 128k -write_xing 0"},
                 {"walk-mono22.mp3", "-c:a libmp3lame -ar 22050 -ac 1 -q:a 6 -write_xing 0"},
                 {"walk-vbr.mp3", "-c:a libmp3lame -q:a 4"},
                 {"walk.aac", "-c:a aac -b:a 96k"}};
  const std::string id3v1 = "TAG" + std::string(125, ' ');
  // An APE tag (header, one item, footer) as tag editors append it before an ID3v1 tag.
  std::string ape;
  {
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const std::string item = le32(5) + le32(0) + std::string("Title\0hello", 11);
    const uint32_t size = uint32_t(item.size() + 32);
    auto block = [&](uint32_t flags) { return "APETAGEX" + le32(2000) + le32(size) + le32(1) + le32(flags) + std::string(8, '\0'); };
    ape = block(0xA0000000u) + item + block(0x80000000u) + id3v1;
  }
  std::string noise;
  for (int i = 0; i < 20000; ++i) noise.push_back(char((i * 2654435761u) >> 13));
  struct Tail {
    const char* name;
    std::string bytes;
    size_t cut;  // bytes taken off the end first
  } tails[] = {{"plain", "", 0},
               {"id3v1", id3v1, 0},
               {"ape", ape, 0},
               {"junk", std::string("\x12\x34garbage bytes after the last frame"), 0},
               {"text", "Downloaded from somewhere.\n", 0},
               {"noise", noise, 0},
               {"cut", "", 100},
               {"cut-to-header", "", 0},  // all but the last frame's first 4 bytes
               {"id3v1-cut", id3v1, 100}};
  for (const Source& src : sources) {
    const std::string path = testmedia::Make(Dir(), src.name, odd + src.codec);
    ASSERT_FALSE(path.empty()) << src.name;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    std::string bytes;
    for (int c; (c = std::fgetc(in)) != EOF;) bytes.push_back(char(c));
    std::fclose(in);
    int64_t plainLength = -1;
    for (const Tail& tail : tails) {
      const std::string name = Dir() + "/tail-" + tail.name + "-" + src.name;
      std::FILE* out = std::fopen(name.c_str(), "wb");
      ASSERT_NE(out, nullptr);
      size_t cut = tail.cut;
      if (std::string(tail.name) == "cut-to-header") {
        // The last frame header: the last sync word whose frame reaches the end exactly.
        for (size_t at = bytes.size() - 7; at > 0 && !cut; --at)
          if (uint8_t(bytes[at]) == 0xFF && (uint8_t(bytes[at + 1]) & 0xF0) == 0xF0) cut = bytes.size() - at - 4;
      }
      std::string body = bytes.substr(0, bytes.size() - cut) + tail.bytes;
      std::fwrite(body.data(), 1, body.size(), out);
      std::fclose(out);
      uint32_t h = StreamCreateFile(false, name.c_str(), 0, 0, kStreamDecode);
      ASSERT_NE(h, 0u) << name;
      const int64_t len = ChannelGetLength(h, kPosByte);
      const int64_t decoded = int64_t(DecodeAll(h).size() / 2);
      StreamFree(h);
      EXPECT_EQ(FileGetLength(name.c_str()), len) << name;
      // Every end, cut or not, plays exactly its length. (An ADTS frame cut short and then
      // followed by a tag takes the tag's bytes as its own and the codec rejects it: that file
      // stays one frame too long.)
      const bool adtsCutThenTag = std::string(src.name) == "walk.aac" && std::string(tail.name) == "id3v1-cut";
      if (!adtsCutThenTag) {
        EXPECT_NEAR(double(len / 8), double(decoded), 1.0) << name;
      }
      if (plainLength < 0) plainLength = len;
      if (tail.cut == 0 && tail.bytes.size() > 0) {
        EXPECT_EQ(len, plainLength) << name;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, Formats, ::testing::ValuesIn(testmedia::Formats()),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

// Writes src to dst with an iTunes gapless tag (udta/meta/ilst/"----") appended to its movie
// box, which must end the file (the media offsets stay as they are).
bool AddItunesGaplessTag(const std::string& src, const std::string& dst, const std::string& value) {
  std::FILE* in = std::fopen(src.c_str(), "rb");
  if (!in) return false;
  std::string b;
  for (int c; (c = std::fgetc(in)) != EOF;) b.push_back(char(c));
  std::fclose(in);
  auto be32 = [](size_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
  auto get32 = [&](size_t at) {
    return size_t(uint8_t(b[at])) << 24 | size_t(uint8_t(b[at + 1])) << 16 | size_t(uint8_t(b[at + 2])) << 8 |
           size_t(uint8_t(b[at + 3]));
  };
  auto box = [&](const char* type, const std::string& body) { return be32(body.size() + 8) + type + body; };
  const std::string full(4, '\0');  // version and flags
  size_t moov = std::string::npos;
  for (size_t at = 0; at + 8 <= b.size() && get32(at) >= 8; at += get32(at))
    if (b.compare(at + 4, 4, "moov") == 0) moov = at;
  if (moov == std::string::npos || moov + get32(moov) != b.size()) return false;
  const std::string item =
      box("----", box("mean", full + "com.apple.iTunes") + box("name", full + "iTunSMPB") +
                      box("data", be32(1) + be32(0) + value));
  const std::string hdlr = box("hdlr", full + std::string(4, '\0') + "mdirappl" + std::string(9, '\0'));
  const std::string udta = box("udta", box("meta", full + hdlr + box("ilst", item)));
  b.replace(moov, 4, be32(get32(moov) + udta.size()));
  b += udta;
  std::FILE* out = std::fopen(dst.c_str(), "wb");
  if (!out) return false;
  const bool ok = std::fwrite(b.data(), 1, b.size(), out) == b.size();
  return std::fclose(out) == 0 && ok;
}

// An M4A without an edit list but with an iTunes gapless tag: the demuxer skips the encoder
// delay the tag names, and the padding it names is no part of the length nor of the sound.
// Where an edit list governs, or the tag claims more sound than the file holds, the tag is
// not followed.
TEST(Streams, ItunesGaplessTagEndsTheSoundBeforeThePadding) {
  const std::string odd = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=3.0123 -ac 2 -c:a aac -b:a 128k";
  const int64_t source = 132842;  // 3.0123 s; the encoder adds 1024 samples before, 278 after
  const std::string plain = testmedia::Make(Dir(), "smpb-plain.m4a", odd + " -use_editlist 0");
  const std::string edited = testmedia::Make(Dir(), "smpb-edited.m4a", odd);
  ASSERT_FALSE(plain.empty());
  ASSERT_FALSE(edited.empty());
  auto tag = [](int64_t delay, int64_t padding, int64_t samples) {
    char text[160];
    std::snprintf(text, sizeof text, " 00000000 %08llX %08llX %016llX 00000000 00000000", (long long)delay,
                  (long long)padding, (long long)samples);
    return std::string(text);
  };
  std::vector<float> sound;
  auto measure = [&sound](const std::string& path, int64_t& length, int64_t& decoded) {
    uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
    ASSERT_NE(h, 0u) << path << " error " << ErrorGetCode();
    length = ChannelGetLength(h, kPosByte) / 8;
    sound = DecodeAll(h);
    decoded = int64_t(sound.size() / 2);
    StreamFree(h);
    EXPECT_EQ(FileGetLength(path.c_str()), length * 8) << path;
  };
  int64_t length = 0, decoded = 0;
  const std::string tagged = Dir() + "/smpb-tagged.m4a";
  ASSERT_TRUE(AddItunesGaplessTag(plain, tagged, tag(1024, 278, source)));
  measure(tagged, length, decoded);
  EXPECT_EQ(length, source);
  EXPECT_EQ(decoded, source);
  // The tone runs to the end: nothing but the padding was cut.
  EXPECT_NEAR(testmedia::Rms(sound, size_t(decoded) - 256, 256), testmedia::Rms(sound, 44100, 44100), 0.01);
  int64_t editedLength = 0, editedDecoded = 0;
  measure(edited, editedLength, editedDecoded);
  const std::string both = Dir() + "/smpb-edited-tagged.m4a";
  ASSERT_TRUE(AddItunesGaplessTag(edited, both, tag(1024, 278, source)));
  measure(both, length, decoded);
  EXPECT_EQ(length, editedLength);
  EXPECT_EQ(decoded, editedDecoded);
  int64_t plainLength = 0, plainDecoded = 0;
  measure(plain, plainLength, plainDecoded);
  const std::string lying = Dir() + "/smpb-lying.m4a";
  ASSERT_TRUE(AddItunesGaplessTag(plain, lying, tag(1024, 278, source * 2)));
  measure(lying, length, decoded);
  EXPECT_EQ(length, plainLength);
}

TEST(Streams, WmvSoundPlaysWithItsLength) {
  std::string path = testmedia::MakeWmv(Dir(), "tone30.wmv",
                                        "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=30");
  ASSERT_FALSE(path.empty());
  uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  EXPECT_NEAR(ChannelBytes2Seconds(h, ChannelGetLength(h, kPosByte)), 30.0, 0.2);
  std::vector<float> all = DecodeAll(h);
  EXPECT_NEAR(double(all.size() / 2) / 44100.0, 30.0, 0.2);
  StreamFree(h);
}

TEST(Streams, OtherRatesAndMonoComeOutAt44100Stereo) {
  std::string path = testmedia::Make(Dir(), "mono48k.flac",
                                     "-f lavfi -i sine=frequency=1000:sample_rate=48000:duration=2 -ac 1 -c:a flac");
  uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(ChannelGetLength(h, kPosByte), 2 * 44100 * 8);
  std::vector<float> all = DecodeAll(h);
  EXPECT_NEAR(double(all.size() / 2), 2 * 44100.0, 50);
  // Both channels carry the mono signal.
  EXPECT_NEAR(testmedia::Rms(all, 1000, 10000), testmedia::Rms(std::vector<float>(all.begin() + 1, all.end()), 1000, 10000), 1e-3);
  // 1 kHz stays 1 kHz after resampling: count zero crossings over one second.
  int crossings = 0;
  for (size_t i = 44100 / 2; i < 44100 / 2 + 44100; ++i)
    if ((all[2 * i] < 0) != (all[2 * i + 2] < 0)) ++crossings;
  EXPECT_NEAR(crossings, 2000, 4);
  StreamFree(h);
}

TEST(Streams, BadFilesFailWithTheirCode) {
  EXPECT_EQ(StreamCreateFile(false, "/nonexistent/x.mp3", 0, 0, kStreamDecode), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorFileOpen);
  std::string junk = Dir() + "/junk.mp3";
  FILE* fp = fopen(junk.c_str(), "wb");
  ASSERT_NE(fp, nullptr);
  for (int i = 0; i < 4000; ++i) fputc((i * 7919) & 0x3F, fp);
  fclose(fp);
  EXPECT_EQ(StreamCreateFile(false, junk.c_str(), 0, 0, kStreamDecode), 0u);
  EXPECT_TRUE(ErrorGetCode() == kErrorFileForm || ErrorGetCode() == kErrorFileOpen) << ErrorGetCode();
  // A text file is not audio.
  std::string text = Dir() + "/text.wav";
  fp = fopen(text.c_str(), "wb");
  fputs("hello, this is not a sound\n", fp);
  fclose(fp);
  EXPECT_EQ(StreamCreateFile(false, text.c_str(), 0, 0, kStreamDecode), 0u);
  EXPECT_NE(ErrorGetCode(), kOk);
  EXPECT_EQ(StreamCreateFile(false, "", 0, 0, kStreamDecode), 0u);
  EXPECT_EQ(StreamCreateFile(true, junk.c_str(), 0, 0, kStreamDecode), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorNotAvail);
}

TEST(Streams, TruncatedAndOddFilesEndCleanly) {
  // A WAV whose header promises 30 s but holds 3 s, and an MP3 cut in the middle of a frame.
  std::string wav = testmedia::Make(Dir(), "tone30-pcm.wav", std::string(testmedia::kTone30) + " -c:a pcm_s16le");
  std::string mp3 = testmedia::Make(Dir(), "tone30-vbr-noxing.mp3",
                                    std::string(testmedia::kTone30) + " -c:a libmp3lame -q:a 4 -write_xing 0");
  struct Cut {
    std::string from, to;
    long bytes;
  } cuts[] = {{wav, Dir() + "/cut.wav", 44 + 3 * 44100 * 4}, {mp3, Dir() + "/cut.mp3", 30001}};
  for (const Cut& c : cuts) {
    std::string cmd = "head -c " + std::to_string(c.bytes) + " '" + c.from + "' > '" + c.to + "'";
    ASSERT_EQ(testmedia::Shell(cmd.c_str()), 0);
    uint32_t h = StreamCreateFile(false, c.to.c_str(), 0, 0, kStreamDecode);
    ASSERT_NE(h, 0u) << c.to;
    std::vector<float> all = DecodeAll(h);
    EXPECT_GT(all.size(), 44100u * 2) << c.to;
    EXPECT_EQ(ChannelIsActive(h), kActiveStopped);
    // A seek inside what the header promised but the file lacks gives no sound, and no hang.
    int64_t len = ChannelGetLength(h, kPosByte);
    if (ChannelSetPosition(h, len / 2, kPosByte)) {
      EXPECT_LT(DecodeAll(h).size(), 44100u * 2 * 30);
    }
    StreamFree(h);
  }
  // A folder and an empty file are not audio.
  EXPECT_EQ(StreamCreateFile(false, Dir().c_str(), 0, 0, kStreamDecode), 0u);
  EXPECT_NE(ErrorGetCode(), kOk);
  std::string empty = Dir() + "/empty.mp3";
  fclose(fopen(empty.c_str(), "wb"));
  EXPECT_EQ(StreamCreateFile(false, empty.c_str(), 0, 0, kStreamDecode), 0u);
  EXPECT_NE(ErrorGetCode(), kOk);
}

// Overwrites bytes of a file in place, little-endian.
void Patch(const std::string& path, long offset, uint64_t value, int bytes) {
  FILE* fp = fopen(path.c_str(), "r+b");
  ASSERT_NE(fp, nullptr);
  fseek(fp, offset, SEEK_SET);
  for (int i = 0; i < bytes; ++i) fputc(int((value >> (8 * i)) & 0xFF), fp);
  fclose(fp);
}

TEST(Streams, HostileButParseableHeadersPlayOrFailAsFormatErrors) {
  // Ten planar channels with a known layout: more planes than a frame's data pointers.
  std::string ten = testmedia::Make(Dir(), "ch10.wv",
                                    "-f lavfi -i 'aevalsrc=0.5*sin(2*PI*440*t):c=FL+FR+FC+LFE+BL+BR+SL+SR+TFL+TFR:s=44100:d=0.5' -c:a wavpack");
  ASSERT_FALSE(ten.empty());
  uint32_t h = StreamCreateFile(false, ten.c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  EXPECT_NEAR(double(DecodeAll(h).size() / 2), 0.5 * 44100, 50);
  StreamFree(h);

  // A tiny WAV declaring 400 MHz: refused before the resampler is built for it.
  std::string fast = Dir() + "/rate400m.wav";
  std::string src = testmedia::Make(Dir(), "tiny8k.wav", "-f lavfi -i anullsrc=r=8000:cl=mono -t 0.007 -c:a pcm_s16le -fflags +bitexact");
  ASSERT_EQ(testmedia::Shell(("cp '" + src + "' '" + fast + "'").c_str()), 0);
  Patch(fast, 24, 400000000, 4);
  Patch(fast, 28, 800000000, 4);
  EXPECT_EQ(StreamCreateFile(false, fast.c_str(), 0, 0, kStreamDecode), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorFileForm);

  // An RF64 file claiming 2^61 frames: its byte length would not fit, so the length is unknown
  // and what the file really holds still plays.
  std::string huge = Dir() + "/huge.wav";
  std::string rf = testmedia::Make(Dir(), "short-rf64.wav",
                                   "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=0.1 -ac 2 -c:a pcm_s16le -rf64 always");
  ASSERT_EQ(testmedia::Shell(("cp '" + rf + "' '" + huge + "'").c_str()), 0);
  Patch(huge, 28, uint64_t(1) << 62, 8);
  Patch(huge, 36, uint64_t(1) << 61, 8);
  h = StreamCreateFile(false, huge.c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  const int64_t len = ChannelGetLength(h, kPosByte);
  EXPECT_TRUE(len == -1 || (len >= 0 && len < (int64_t(1) << 60))) << len;
  EXPECT_NEAR(double(DecodeAll(h).size() / 2), 0.1 * 44100, 50);
  StreamFree(h);
}

TEST(Streams, SeekPastTheEndFailsWithThePositionError) {
  std::string path = testmedia::Make(Dir(), "tone30-pcm.wav", std::string(testmedia::kTone30) + " -c:a pcm_s16le");
  uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(h, 0u);
  int64_t len = ChannelGetLength(h, kPosByte);
  EXPECT_FALSE(ChannelSetPosition(h, len + 800, kPosByte));
  EXPECT_EQ(ErrorGetCode(), kErrorPosition);
  EXPECT_FALSE(ChannelSetPosition(h, -8, kPosByte));
  EXPECT_EQ(ErrorGetCode(), kErrorPosition);
  EXPECT_TRUE(ChannelSetPosition(h, len - 8 * 100, kPosByte));
  EXPECT_EQ(DecodeAll(h).size(), 200u);
  StreamFree(h);
}

TEST(Streams, OggCommentsAreKeyValueEntries) {
  std::string path = testmedia::Make(Dir(), "tagged.ogg",
                                     "-f lavfi -i sine=duration=1 -c:a libvorbis -metadata title=Été -metadata artist=Ünö");
  uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(h, 0u);
  const char* tags = ChannelGetTags(h, kTagOgg);
  ASSERT_NE(tags, nullptr);
  std::vector<std::string> entries;
  for (const char* p = tags; *p; p += strlen(p) + 1) entries.emplace_back(p);
  EXPECT_NE(std::find(entries.begin(), entries.end(), "TITLE=Été"), entries.end());
  EXPECT_NE(std::find(entries.begin(), entries.end(), "ARTIST=Ünö"), entries.end());
  EXPECT_EQ(ChannelGetTags(h, kTagMeta), nullptr);
  EXPECT_EQ(ErrorGetCode(), kErrorNotAvail);
  EXPECT_EQ(ChannelGetTags(h, kTagWma), nullptr);
  StreamFree(h);
  std::string wma = testmedia::Make(Dir(), "tagged.wma", "-f lavfi -i sine=duration=1 -c:a wmav2 -metadata title=Zoë");
  h = StreamCreateFile(false, wma.c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(h, 0u);
  tags = ChannelGetTags(h, kTagWma);
  ASSERT_NE(tags, nullptr);
  bool found = false;
  for (const char* p = tags; *p; p += strlen(p) + 1) found |= strcasecmp(p, "title=Zoë") == 0;
  EXPECT_TRUE(found);
  EXPECT_EQ(ChannelGetTags(h, kTagOgg), nullptr);
  StreamFree(h);
}

}  // namespace
