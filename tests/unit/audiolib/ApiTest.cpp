// The calls' contract: device list and opening, error codes per thread, bad handles,
// the effect chain, configuration.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "audiolib/AudioLib.h"
#include "audiolib/dsp/Effect.h"
#include "unit/audiolib/TestMedia.h"

namespace {

using namespace alib;

std::string Tone() {
  static std::string dir = testmedia::TmpDir("audiolib-media");
  return testmedia::Make(dir, "tone2.wav", "-f lavfi -i sine=duration=2 -ac 2 -c:a pcm_s16le");
}

class Api : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseManualBackend({{"Test Output", false}, {"Test Monitor", true}, {"Test Output", false}}));
  }
  void TearDown() override { Shutdown(); }
};

TEST_F(Api, DevicesAreListedWithTheirDefaultFlagAndOpenOnce) {
  DeviceInfo info;
  ASSERT_TRUE(GetDeviceInfo(0, &info));
  EXPECT_EQ(info.name, "No sound");
  EXPECT_EQ(info.flags & kDeviceDefault, 0u);
  ASSERT_TRUE(GetDeviceInfo(1, &info));
  EXPECT_EQ(info.name, "Test Output");
  ASSERT_TRUE(GetDeviceInfo(2, &info));
  EXPECT_EQ(info.name, "Test Monitor");
  EXPECT_NE(info.flags & kDeviceDefault, 0u);
  ASSERT_TRUE(GetDeviceInfo(3, &info));  // names need not be unique
  EXPECT_FALSE(GetDeviceInfo(4, &info));
  EXPECT_EQ(ErrorGetCode(), kErrorDevice);
  EXPECT_FALSE(GetDeviceInfo(-5, &info));

  // No device yet: playable streams need one, decode-only streams do not.
  EXPECT_EQ(StreamCreateFile(false, Tone().c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorInit);
  uint32_t dec = StreamCreateFile(false, Tone().c_str(), 0, 0, kStreamDecode);
  EXPECT_NE(dec, 0u);
  EXPECT_EQ(GetDevice(), -1);

  ASSERT_TRUE(Init(-1, 44100, 0, nullptr));  // the default device
  EXPECT_EQ(GetDevice(), 2);
  ASSERT_TRUE(GetDeviceInfo(2, &info));
  EXPECT_NE(info.flags & kDeviceInit, 0u);
  EXPECT_FALSE(Init(2, 44100, 0, nullptr));
  EXPECT_EQ(ErrorGetCode(), kErrorAlready);
  EXPECT_FALSE(Init(9, 44100, 0, nullptr));
  EXPECT_EQ(ErrorGetCode(), kErrorDevice);
  EXPECT_FALSE(SetDevice(1));
  EXPECT_EQ(ErrorGetCode(), kErrorInit);
  // The list stays put while devices are open.
  ASSERT_TRUE(GetDeviceInfo(0, &info));
  ASSERT_TRUE(GetDeviceInfo(2, &info));
  EXPECT_EQ(info.name, "Test Monitor");
  EXPECT_FALSE(UseManualBackend({{"Other", true}}));
  EXPECT_EQ(ErrorGetCode(), kErrorAlready);

  // Freeing the device frees its streams.
  uint32_t h = StreamCreateFile(false, Tone().c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  EXPECT_TRUE(Free());
  EXPECT_EQ(ChannelIsActive(h), kActiveStopped);
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
  EXPECT_EQ(GetDevice(), -1);
  EXPECT_TRUE(Init(2, 44100, 0, nullptr));
  std::vector<float> out(512);
  EXPECT_EQ(ManualRender(1, out.data(), 256), 0u);  // not open
  EXPECT_EQ(ManualRender(2, out.data(), 256), 256u);
}

TEST_F(Api, ErrorCodesAreKeptPerThreadAndBadHandlesSayHandle) {
  ASSERT_TRUE(Init(1, 44100, 0, nullptr));
  EXPECT_FALSE(ChannelPlay(0, false));
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
  int other = -2;
  std::thread([&] {
    ChannelSetAttribute(0, kAttribVol, 1.0f);
    other = ErrorGetCode();
    GetVersion();
  }).join();
  EXPECT_EQ(other, kErrorHandle);
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
  EXPECT_EQ(GetDevice(), 1);
  EXPECT_EQ(ErrorGetCode(), kOk);

  const uint32_t bad = 0x7777;
  float v;
  char tags[8];
  EXPECT_FALSE(ChannelPause(bad));
  EXPECT_FALSE(ChannelStop(bad));
  EXPECT_FALSE(StreamFree(bad));
  EXPECT_FALSE(ChannelGetAttribute(bad, kAttribVol, &v));
  EXPECT_FALSE(ChannelSlideAttribute(bad, kAttribVol, 0, 10));
  EXPECT_EQ(ChannelGetLength(bad, kPosByte), -1);
  EXPECT_EQ(ChannelGetPosition(bad, kPosByte), -1);
  EXPECT_FALSE(ChannelSetPosition(bad, 0, kPosByte));
  EXPECT_EQ(ChannelBytes2Seconds(bad, 8), -1.0);
  EXPECT_EQ(ChannelSeconds2Bytes(bad, 1.0), -1);
  EXPECT_EQ(ChannelSetSync(bad, kSyncEnd, 0, [](uint32_t, uint32_t, uint32_t, void*) {}, nullptr), 0u);
  EXPECT_EQ(ChannelSetFX(bad, kFxEcho, 0), 0u);
  EXPECT_EQ(ChannelGetTags(bad, kTagMeta), nullptr);
  EXPECT_EQ(TempoCreate(bad, 0), 0u);
  EXPECT_FALSE(FXSetParameters(bad, tags));
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);

  uint32_t h = StreamCreateFile(false, Tone().c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  EXPECT_FALSE(ChannelSetAttribute(h, kAttribVol, std::numeric_limits<float>::quiet_NaN()));
  EXPECT_EQ(ErrorGetCode(), kErrorIllParam);
  EXPECT_FALSE(ChannelSetAttribute(h, 77, 1.0f));
  EXPECT_EQ(ErrorGetCode(), kErrorIllType);
  EXPECT_TRUE(ChannelSetAttribute(h, kAttribVol, 3.0f));  // volume stays within 0..1
  ASSERT_TRUE(ChannelGetAttribute(h, kAttribVol, &v));
  EXPECT_EQ(v, 1.0f);
  EXPECT_EQ(ChannelSetSync(h, 99, 0, [](uint32_t, uint32_t, uint32_t, void*) {}, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorIllType);
  EXPECT_FALSE(ChannelRemoveSync(h, 12345));
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
  EXPECT_FALSE(ChannelPause(h));
  EXPECT_EQ(ErrorGetCode(), kErrorNoPlay);
  EXPECT_EQ(ChannelGetLength(h, 5), -1);
  EXPECT_EQ(ErrorGetCode(), kErrorNotAvail);
  EXPECT_EQ(ChannelGetData(h, tags, 8), 0xFFFFFFFFu);  // not a decoding channel
  EXPECT_EQ(ChannelBytes2Seconds(h, 44100 * 8), 1.0);
  EXPECT_EQ(ChannelSeconds2Bytes(h, 0.5), 22050 * 8);
  EXPECT_EQ(StreamCreateURL("gopher://x/y", 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorFileOpen);
  EXPECT_TRUE(StreamFree(h));
  EXPECT_FALSE(StreamFree(h));
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
}

TEST_F(Api, EffectChainStoresAndChecksParametersPerHandle) {
  ASSERT_TRUE(Init(1, 44100, 0, nullptr));
  uint32_t h = StreamCreateFile(false, Tone().c_str(), 0, 0, 0);
  EXPECT_EQ(ChannelSetFX(h, 0x12345, 0), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorIllType);
  uint32_t echo = ChannelSetFX(h, kFxEcho, 0);
  uint32_t echo2 = ChannelSetFX(h, kFxEcho, 1);
  uint32_t eq = ChannelSetFX(h, kFxPeakEq, 0);
  ASSERT_NE(echo, 0u);
  ASSERT_NE(echo2, 0u);
  EXPECT_NE(echo, echo2);  // every call makes its own instance

  dsp::EchoParams p{};
  p.fDryMix = 0.8f;
  p.fWetMix = 0.3f;
  p.fFeedback = 0.5f;
  p.fDelay = 0.25f;
  ASSERT_TRUE(FXSetParameters(echo, &p));
  dsp::EchoParams got{};
  ASSERT_TRUE(FXGetParameters(echo, &got));
  EXPECT_EQ(std::memcmp(&got, &p, sizeof p), 0);
  dsp::EchoParams nan = p;
  nan.fDelay = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(FXSetParameters(echo, &nan));
  EXPECT_EQ(ErrorGetCode(), kErrorIllParam);
  ASSERT_TRUE(FXGetParameters(echo, &got));
  EXPECT_EQ(got.fDelay, 0.25f);  // the previous parameters stay
  EXPECT_FALSE(FXSetParameters(echo, nullptr));
  EXPECT_EQ(ErrorGetCode(), kErrorIllParam);

  // Equaliser bands live side by side in one effect.
  for (int band = 0; band < 3; ++band) {
    dsp::PeakEqParams b{};
    b.lBand = band;
    b.fCenter = 100.0f * float(band + 1);
    b.fBandwidth = 2.0f;
    b.fGain = float(band);
    ASSERT_TRUE(FXSetParameters(eq, &b));
  }
  dsp::PeakEqParams q{};
  q.lBand = 1;
  ASSERT_TRUE(FXGetParameters(eq, &q));
  EXPECT_EQ(q.fCenter, 200.0f);
  EXPECT_EQ(q.fGain, 1.0f);

  ASSERT_TRUE(ChannelPlay(h, false));
  std::vector<float> out(44100 * 2);
  EXPECT_EQ(ManualRender(1, out.data(), 44100), 44100u);

  EXPECT_TRUE(ChannelRemoveFX(h, echo));
  EXPECT_FALSE(FXSetParameters(echo, &p));
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
  EXPECT_FALSE(ChannelRemoveFX(h, echo));
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
  // An effect handle belongs to its channel.
  uint32_t other = StreamCreateFile(false, Tone().c_str(), 0, 0, 0);
  EXPECT_FALSE(ChannelRemoveFX(other, echo2));
  // Freeing the channel ends its effects.
  StreamFree(h);
  EXPECT_FALSE(FXGetParameters(echo2, &got));
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
  EXPECT_EQ(dsp::ParamSize(kFxReverb), sizeof(dsp::ReverbParams));
  EXPECT_EQ(dsp::ParamSize(0x1), 0u);
}

// Chapters come from every container that carries them, in bytes of the decoded audio, each
// ending where the next starts; a file without them has none, a missing file is an error.
TEST(Chapters, AreReadFromM4bMatroskaOggAndId3) {
  const std::string dir = testmedia::TmpDir("audiolib-media");
  const std::vector<std::pair<int, std::string>> marks = {{0, "Opening"}, {4, "Middle"}, {7, "\xc3\x89pilogue"}};
  const int64_t second = 44100 * 8;
  const std::pair<const char*, const char*> books[] = {
      {"chapters.m4b", "-c:a aac -b:a 64k"},
      {"chapters.mka", "-c:a flac"},
      // The Ogg writer leaves chapters out: they go in as the comments readers use for them.
      {"chapters.ogg",
       "-c:a libvorbis -q:a 2 -metadata:s:a:0 CHAPTER000=00:00:00.000 -metadata:s:a:0 CHAPTER000NAME=Opening"
       " -metadata:s:a:0 CHAPTER001=00:00:04.000 -metadata:s:a:0 CHAPTER001NAME=Middle"
       " -metadata:s:a:0 CHAPTER002=00:00:07.000 -metadata:s:a:0 CHAPTER002NAME=\xc3\x89pilogue"},
      {"chapters.mp3", "-c:a libmp3lame -b:a 64k -id3v2_version 3"},
  };
  for (const auto& [name, codec] : books) {
    SCOPED_TRACE(name);
    const std::string file = testmedia::MakeChapterBook(dir, name, 10, marks, codec);
    ASSERT_FALSE(file.empty());
    std::vector<ChapterInfo> list;
    ASSERT_TRUE(FileGetChapters(file.c_str(), &list));
    EXPECT_EQ(ErrorGetCode(), kOk);
    ASSERT_EQ(list.size(), 3u);
    for (size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(list[i].title, marks[i].second);
      // Within 50 ms: containers round to their own time base.
      EXPECT_NEAR(double(list[i].start), double(marks[i].first * second), 0.05 * second) << i;
      EXPECT_EQ(list[i].start % 8, 0);
      if (i + 1 < list.size()) {
        EXPECT_EQ(list[i].end, list[i + 1].start);
      }
    }
    EXPECT_NEAR(double(list.back().end), 10.0 * second, 0.1 * second);
  }
  std::vector<ChapterInfo> none = {ChapterInfo{}};
  EXPECT_TRUE(FileGetChapters(Tone().c_str(), &none));
  EXPECT_TRUE(none.empty());
  EXPECT_FALSE(FileGetChapters((dir + "/no-such-book.m4b").c_str(), &none));
  EXPECT_EQ(ErrorGetCode(), kErrorFileOpen);
  EXPECT_FALSE(FileGetChapters(Tone().c_str(), nullptr));
}

}  // namespace
