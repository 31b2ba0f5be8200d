// Playing on the manual test device: positions heard, syncs, slides, pause, seeks, tempo streams.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "audiolib/AudioLib.h"
#include "audiolib/Core.h"
#include "unit/audiolib/TestMedia.h"

namespace {

using namespace alib;

constexpr size_t kMixPeriod = 256;  // frames a manual device mixes at once

std::string Dir() {
  static std::string d = testmedia::TmpDir("audiolib-media");
  return d;
}

std::string Tone30() {
  return testmedia::Make(Dir(), "tone30-pcm.wav", std::string(testmedia::kTone30) + " -c:a pcm_s16le");
}

struct Fired {
  std::mutex m;
  std::vector<int64_t> positions;  // channel position heard when the callback ran
  std::vector<uint32_t> data;
  std::vector<std::thread::id> threads;
  size_t Count() {
    std::lock_guard<std::mutex> lk(m);
    return positions.size();
  }
};

void Record(uint32_t, uint32_t channel, uint32_t data, void* user) {
  auto* f = static_cast<Fired*>(user);
  int64_t pos = ChannelGetPosition(channel, kPosByte);
  std::lock_guard<std::mutex> lk(f->m);
  f->positions.push_back(pos);
  f->data.push_back(data);
  f->threads.push_back(std::this_thread::get_id());
}

class ManualDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseManualBackend({{"Test Output", true}, {"Test Monitor", false}}));
    ASSERT_TRUE(Init(1, 44100, 0, nullptr));
  }
  void TearDown() override { Shutdown(); }

  std::vector<float> Render(int device, double seconds) {
    std::vector<float> out(size_t(seconds * 44100) * 2);
    EXPECT_EQ(ManualRender(device, out.data(), out.size() / 2), out.size() / 2);
    return out;
  }
  std::vector<float> Render(double seconds) { return Render(1, seconds); }
};

TEST_F(ManualDevice, PositionSyncFiresWhenItsSampleIsHeardOnALibraryThread) {
  uint32_t h = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  Fired fired;
  const int64_t at = ChannelSeconds2Bytes(h, 10.0);
  ASSERT_NE(ChannelSetSync(h, kSyncPos, uint64_t(at), Record, &fired), 0u);
  ASSERT_TRUE(ChannelPlay(h, false));
  // Ahead of the sync the decoder has long read past 10 s; nothing fires yet.
  Render(9.99);
  EXPECT_EQ(fired.Count(), 0u);
  Render(0.5);
  ASSERT_EQ(fired.Count(), 1u);
  EXPECT_GE(fired.positions[0], at);
  EXPECT_LE(fired.positions[0], at + int64_t(kMixPeriod) * 8);
  EXPECT_NE(fired.threads[0], std::this_thread::get_id());
  Render(5);
  EXPECT_EQ(fired.Count(), 1u);
  // Going back before it makes it fire again; a one-time sync fires once only.
  Fired once;
  ChannelSetSync(h, kSyncPos | kSyncOneTime, uint64_t(ChannelSeconds2Bytes(h, 5.0)), Record, &once);
  ASSERT_TRUE(ChannelSetPosition(h, ChannelSeconds2Bytes(h, 4.0), kPosByte));
  Render(7);
  EXPECT_EQ(fired.Count(), 2u);
  EXPECT_EQ(once.Count(), 1u);
  ASSERT_TRUE(ChannelSetPosition(h, ChannelSeconds2Bytes(h, 4.0), kPosByte));
  Render(2);
  EXPECT_EQ(once.Count(), 1u);
}

TEST_F(ManualDevice, EndSyncFiresOnceAndAutoFreeStreamsGo) {
  uint32_t h = StreamCreateFile(false, Tone30().c_str(), 0, 0, kStreamAutoFree);
  uint32_t keep = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  Fired endA, endB;
  ChannelSetSync(h, kSyncEnd, 0, Record, &endA);
  ChannelSetSync(keep, kSyncEnd, 0, Record, &endB);
  ASSERT_TRUE(ChannelPlay(h, false));
  ASSERT_TRUE(ChannelPlay(keep, false));
  auto out = Render(29.9);
  EXPECT_EQ(endA.Count(), 0u);
  EXPECT_EQ(ChannelIsActive(keep), kActivePlaying);
  out = Render(1.0);
  EXPECT_EQ(endA.Count(), 1u);
  EXPECT_EQ(endB.Count(), 1u);
  // The mix holds exactly 30 s of sound, then silence.
  EXPECT_GT(testmedia::Rms(out, 0, 4000), 0.05);
  EXPECT_EQ(testmedia::Rms(out, 4410 + 10, 30000), 0.0);
  EXPECT_EQ(ChannelIsActive(keep), kActiveStopped);
  EXPECT_EQ(ChannelGetPosition(keep, kPosByte), ChannelGetLength(keep, kPosByte));
  // The auto-free stream is gone.
  EXPECT_EQ(ChannelGetLength(h, kPosByte), -1);
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
  Render(1.0);
  EXPECT_EQ(endB.Count(), 1u);
  // Playing an ended stream again starts it from the beginning.
  ASSERT_TRUE(ChannelPlay(keep, false));
  Render(1.0);
  EXPECT_NEAR(ChannelBytes2Seconds(keep, ChannelGetPosition(keep, kPosByte)), 1.0, 0.01);
}

TEST_F(ManualDevice, VolumeSlideIsARampAndSignalsItsEnd) {
  uint32_t h = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  ASSERT_TRUE(ChannelSetAttribute(h, kAttribVol, 0.0f));
  Fired slide;
  ChannelSetSync(h, kSyncSlide | kSyncOneTime, 0, Record, &slide);
  ASSERT_TRUE(ChannelPlay(h, false));
  ASSERT_TRUE(ChannelSlideAttribute(h, kAttribVol, 1.0f, 2000));
  EXPECT_TRUE(ChannelIsSliding(h, kAttribVol));
  auto out = Render(3.0);
  const double full = testmedia::Rms(out, 2 * 44100 + 4410, 22050);
  ASSERT_GT(full, 0.05);
  // The envelope rises linearly: a tenth of the way every 200 ms.
  for (int i = 1; i < 10; ++i) {
    double expected = full * (i * 0.2) / 2.0;
    double got = testmedia::Rms(out, size_t(i * 0.2 * 44100) - 441, 882);
    EXPECT_NEAR(got, expected, full * 0.03) << "at " << i * 0.2 << " s";
  }
  ASSERT_EQ(slide.Count(), 1u);
  EXPECT_EQ(slide.data[0], uint32_t(kAttribVol));
  EXPECT_NEAR(ChannelBytes2Seconds(h, slide.positions[0]), 2.0, 0.01);
  float v = 0;
  ASSERT_TRUE(ChannelGetAttribute(h, kAttribVol, &v));
  EXPECT_FLOAT_EQ(v, 1.0f);
  EXPECT_FALSE(ChannelIsSliding(h, kAttribVol));
  // A slide to a negative volume fades out and stops the channel.
  ASSERT_TRUE(ChannelSlideAttribute(h, kAttribVol, -1.0f, 500));
  Render(0.6);
  EXPECT_EQ(ChannelIsActive(h), kActiveStopped);
}

TEST_F(ManualDevice, PauseResumesOnTheSameSampleAndPlayDoesNotRestart) {
  uint32_t a = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  ASSERT_TRUE(ChannelPlay(a, false));
  auto first = Render(1.003);
  ASSERT_TRUE(ChannelPause(a));
  EXPECT_EQ(ChannelIsActive(a), kActivePaused);
  EXPECT_FALSE(ChannelPause(a));
  EXPECT_EQ(ErrorGetCode(), kErrorAlready);
  auto quiet = Render(0.5);
  EXPECT_EQ(testmedia::Rms(quiet, 0, 22050), 0.0);
  EXPECT_TRUE(ChannelPlay(a, false));
  auto second = Render(1.0);
  // The same audio as one continuous run.
  first.insert(first.end(), second.begin(), second.end());
  StreamFree(a);
  uint32_t b = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  ASSERT_TRUE(ChannelPlay(b, false));
  auto ref = Render(2.003);
  ASSERT_EQ(ref.size(), first.size());
  EXPECT_EQ(ref, first);
  // Play with restart goes back to the beginning.
  ASSERT_TRUE(ChannelPlay(b, true));
  EXPECT_EQ(ChannelGetPosition(b, kPosByte), 0);
}

TEST_F(ManualDevice, SeekWhilePlayingIsHeardAtOnceAndAttributeChangesInTheNextPeriod) {
  std::string step = testmedia::Make(Dir(), "step-pcm.wav", std::string(testmedia::kSilenceThenTone) + " -c:a pcm_s16le");
  uint32_t h = StreamCreateFile(false, step.c_str(), 0, 0, 0);
  ASSERT_TRUE(ChannelPlay(h, false));
  Render(1.0);
  ASSERT_TRUE(ChannelSetPosition(h, ChannelSeconds2Bytes(h, 4.9), kPosByte));
  EXPECT_EQ(ChannelGetPosition(h, kPosByte), ChannelSeconds2Bytes(h, 4.9));
  auto out = Render(0.5);
  EXPECT_NEAR(testmedia::Onset(out), 4410, 4);  // the sine needs 3 samples to pass the threshold
  // Volume: the next period already carries the new value.
  ASSERT_TRUE(ChannelSetAttribute(h, kAttribVol, 0.25f));
  std::vector<float> block(kMixPeriod * 2);
  ManualRender(1, block.data(), kMixPeriod);
  double low = testmedia::Rms(block, 0, kMixPeriod);
  ASSERT_TRUE(ChannelSetAttribute(h, kAttribVol, 1.0f));
  ManualRender(1, block.data(), kMixPeriod);
  EXPECT_NEAR(testmedia::Rms(block, 0, kMixPeriod) / low, 4.0, 0.3);
}

TEST_F(ManualDevice, TwoDevicesMixTheirOwnStreams) {
  uint32_t a = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  ASSERT_TRUE(Init(2, 44100, 0, nullptr));
  EXPECT_EQ(GetDevice(), 2);
  uint32_t b = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  EXPECT_EQ(ChannelGetDevice(a), 1);
  EXPECT_EQ(ChannelGetDevice(b), 2);
  ChannelSetAttribute(b, kAttribVol, 0.5f);
  ChannelPlay(a, false);
  ChannelPlay(b, false);
  auto outA = Render(1, 0.5);
  auto outB = Render(2, 0.5);
  EXPECT_NEAR(testmedia::Rms(outB, 0, 22050) / testmedia::Rms(outA, 0, 22050), 0.5, 0.01);
  // Re-opening reports "already"; SetDevice selects it again.
  EXPECT_FALSE(Init(1, 44100, 0, nullptr));
  EXPECT_EQ(ErrorGetCode(), kErrorAlready);
  EXPECT_TRUE(SetDevice(1));
  EXPECT_EQ(GetDevice(), 1);
}

TEST_F(ManualDevice, TempoStreamReportsSourcePositionsAndOwnsItsSource) {
  uint32_t src = StreamCreateFile(false, Tone30().c_str(), 0, 0, kStreamDecode);
  ASSERT_NE(src, 0u);
  EXPECT_FALSE(ChannelPlay(src, false));
  EXPECT_EQ(ErrorGetCode(), kErrorDecode);
  uint32_t t = TempoCreate(src, 0);
  ASSERT_NE(t, 0u);
  EXPECT_EQ(ChannelGetLength(src, kPosByte), -1);  // the source belongs to the tempo stream now
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
  EXPECT_EQ(ChannelGetLength(t, kPosByte), 30LL * 44100 * 8);
  ASSERT_TRUE(ChannelSetAttribute(t, kAttribTempo, 25.0f));
  ASSERT_TRUE(ChannelSetAttribute(t, kAttribTempoPitch, -3.0f));
  float v = 0;
  ASSERT_TRUE(ChannelGetAttribute(t, kAttribTempo, &v));
  EXPECT_FLOAT_EQ(v, 25.0f);
  ASSERT_TRUE(ChannelGetAttribute(t, kAttribTempoPitch, &v));
  EXPECT_FLOAT_EQ(v, -3.0f);
  ASSERT_TRUE(ChannelSetAttribute(t, kAttribTempo, 0.0f));
  ASSERT_TRUE(ChannelSetAttribute(t, kAttribTempoPitch, 0.0f));
  ASSERT_TRUE(ChannelSetPosition(t, ChannelSeconds2Bytes(t, 12.0), kPosByte));
  ASSERT_TRUE(ChannelPlay(t, false));
  Fired end;
  ChannelSetSync(t, kSyncEnd, 0, Record, &end);
  Render(3.0);
  EXPECT_NEAR(ChannelBytes2Seconds(t, ChannelGetPosition(t, kPosByte)), 15.0, 0.05);
  Render(16.0);
  EXPECT_EQ(end.Count(), 1u);
  EXPECT_EQ(ChannelIsActive(t), kActiveStopped);
  // Plain streams have no tempo.
  uint32_t plain = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  EXPECT_FALSE(ChannelSetAttribute(plain, kAttribTempo, 10.0f));
  EXPECT_EQ(ErrorGetCode(), kErrorIllType);
  EXPECT_EQ(TempoCreate(plain, 0), 0u);
  EXPECT_EQ(ErrorGetCode(), 4000);
}

// Zero crossings of the left channel in frames [from, from + count).
int Crossings(const std::vector<float>& s, size_t from, size_t count) {
  int n = 0;
  for (size_t i = from; i + 1 < from + count && 2 * i + 2 < s.size(); ++i)
    if ((s[2 * i] < 0) != (s[2 * i + 2] < 0)) ++n;
  return n;
}

TEST_F(ManualDevice, TempoAndPitchAreHeardSoonAndPositionsFollowTheSource) {
  uint32_t t = TempoCreate(StreamCreateFile(false, Tone30().c_str(), 0, 0, kStreamDecode), 0);
  ASSERT_NE(t, 0u);
  Fired end;
  ChannelSetSync(t, kSyncEnd, 0, Record, &end);
  ASSERT_TRUE(ChannelPlay(t, false));
  Render(1.0);
  // An octave up: 440 Hz becomes 880 Hz within 30 ms.
  ASSERT_TRUE(ChannelSetAttribute(t, kAttribTempoPitch, 12.0f));
  auto out = Render(0.5);
  EXPECT_NEAR(Crossings(out, 1323, 4410), 176, 8);  // 0.1 s from 30 ms on: 880 Hz
  ASSERT_TRUE(ChannelSetAttribute(t, kAttribTempoPitch, 0.0f));
  // Twice the tempo: a second of sound covers two seconds of the source, at the same pitch.
  ASSERT_TRUE(ChannelSetAttribute(t, kAttribTempo, 100.0f));
  Render(0.5);
  double before = ChannelBytes2Seconds(t, ChannelGetPosition(t, kPosByte));
  out = Render(1.0);
  double after = ChannelBytes2Seconds(t, ChannelGetPosition(t, kPosByte));
  EXPECT_NEAR(after - before, 2.0, 0.05);
  EXPECT_NEAR(Crossings(out, 0, 44100), 880, 20);
  // The rest of the 30 s takes half the time, and the end comes once.
  double left = 30.0 - after;
  Render(left / 2 - 0.2);
  EXPECT_EQ(end.Count(), 0u);
  Render(0.5);
  EXPECT_EQ(end.Count(), 1u);
  EXPECT_EQ(ChannelIsActive(t), kActiveStopped);
}

std::atomic<uint32_t> g_stopMe{0};
void StopFromCallback(uint32_t, uint32_t channel, uint32_t, void*) {
  // Callbacks may call back into the library.
  ChannelSetPosition(channel, 0, kPosByte);
  ChannelStop(channel);
  g_stopMe = channel;
}

TEST_F(ManualDevice, CallbacksMayCallTheLibraryAndStopAutoFreesTheStream) {
  uint32_t h = StreamCreateFile(false, Tone30().c_str(), 0, 0, kStreamAutoFree);
  ChannelSetSync(h, kSyncPos, uint64_t(ChannelSeconds2Bytes(h, 1.0)), StopFromCallback, nullptr);
  ChannelPlay(h, false);
  auto out = Render(2.0);
  EXPECT_EQ(g_stopMe.load(), h);
  // Stopped within a mix period of 1 s, and freed because it auto-frees.
  EXPECT_EQ(testmedia::Rms(out, 44100 + kMixPeriod * 2, 44100 - kMixPeriod * 2), 0.0);
  EXPECT_EQ(ChannelIsActive(h), kActiveStopped);
  EXPECT_EQ(ErrorGetCode(), kErrorHandle);
}

TEST_F(ManualDevice, CallsFromAnotherThreadWhileMixingAreSafe) {
  // The mix runs on one thread while another seeks, pauses, slides, adds effects and syncs,
  // and frees and recreates streams: nothing may crash, deadlock or leak.
  std::atomic<bool> done{false};
  std::atomic<uint32_t> live{StreamCreateFile(false, Tone30().c_str(), 0, 0, 0)};
  ChannelPlay(live, false);
  std::thread mixer([&] {
    std::vector<float> block(441 * 2);
    while (!done) ManualRender(1, block.data(), 441);
  });
  unsigned seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 0; i < 3000; ++i) {
    uint32_t h = live;
    switch (next() % 10) {
      case 0: ChannelSetPosition(h, ChannelSeconds2Bytes(h, double(next() % 29)), kPosByte); break;
      case 1: ChannelPause(h); break;
      case 2: ChannelPlay(h, next() % 2 == 0); break;
      case 3: ChannelSlideAttribute(h, kAttribVol, float(next() % 100) / 100.0f, next() % 50); break;
      case 4: ChannelSetAttribute(h, kAttribVol, 0.5f); break;
      case 5: ChannelSetSync(h, kSyncPos | kSyncOneTime, uint64_t(ChannelGetPosition(h, kPosByte) + 800),
                             [](uint32_t, uint32_t c, uint32_t, void*) { ChannelGetPosition(c, kPosByte); }, nullptr);
        break;
      case 6: {
        uint32_t fx = ChannelSetFX(h, kFxEcho, 0);
        if (next() % 2) ChannelRemoveFX(h, fx);
        break;
      }
      case 7: ChannelGetTags(h, kTagOgg); break;
      case 8:
        if (next() % 20 == 0) {
          StreamFree(h);
          uint32_t n = StreamCreateFile(false, Tone30().c_str(), 0, 0, kStreamAutoFree);
          ChannelPlay(n, false);
          live = n;
        }
        break;
      default: ChannelIsActive(h); break;
    }
  }
  done = true;
  mixer.join();
  SUCCEED();
}

// Devices that queue audio ahead write a preview of the mix; it must be exactly what the mix then
// gives, slides and their stop included, and stop where a channel has nothing rendered yet.
TEST_F(ManualDevice, PreviewOfTheMixIsWhatTheMixThenGives) {
  uint32_t a = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  uint32_t b = StreamCreateFile(false, Tone30().c_str(), 0, 0, 0);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  ASSERT_TRUE(ChannelPlay(a, false));
  ASSERT_TRUE(ChannelPlay(b, false));
  ASSERT_TRUE(ChannelSetPosition(b, ChannelSeconds2Bytes(b, 1.0), kPosByte));
  ASSERT_TRUE(ChannelSetAttribute(b, kAttribVol, 0.5f));
  Render(1, 0.1);
  // a fades out and stops inside the previewed span; b goes on at half volume.
  ASSERT_TRUE(ChannelSlideAttribute(a, kAttribVol, -1.0f, 50));
  using namespace alib::detail;
  auto ca = FindChannel(a), cb = FindChannel(b);
  ASSERT_TRUE(ca && cb);
  Device& dev = *Reg().devices[1];
  auto fill = [](Channel& ch, size_t frames) {
    std::lock_guard<std::mutex> rl(ch.renderMutex);
    FillAhead(ch, frames, true);
  };
  auto preview = [&](size_t skip, size_t frames) {
    std::vector<float> out(frames * 2);
    std::lock_guard<std::mutex> lk(dev.mutex);
    out.resize(PreviewMix(dev, out.data(), skip, frames) * 2);
    return out;
  };
  fill(*ca, 8192);
  fill(*cb, 3000);
  // b has 3000 frames ready: the preview ends there.
  EXPECT_EQ(preview(0, 8192).size(), 3000u * 2);
  EXPECT_EQ(preview(2000, 8192).size(), 1000u * 2);
  fill(*cb, 8192);
  const std::vector<float> whole = preview(0, 8192), tail = preview(1000, 4000);
  ASSERT_EQ(whole.size(), 8192u * 2);
  ASSERT_EQ(tail.size(), 4000u * 2);
  std::vector<float> mixed(whole.size());
  ASSERT_EQ(ManualRender(1, mixed.data(), 8192), 8192u);
  size_t differ = 0;
  for (size_t i = 0; i < whole.size(); ++i) differ += whole[i] != mixed[i];
  for (size_t i = 0; i < tail.size(); ++i) differ += tail[i] != mixed[2000 + i];
  EXPECT_EQ(differ, 0u);
  EXPECT_EQ(ChannelIsActive(a), kActiveStopped);
  // Audible in the preview until the fade ends, then only b.
  EXPECT_GT(testmedia::Rms(whole, 0, 1000), testmedia::Rms(whole, 4000, 1000) * 1.5);
}

TEST_F(ManualDevice, AMinuteRendersQuickly) {
  // Two streams of 30 s back to back: one minute of mixing.
  uint32_t a = StreamCreateFile(false, Tone30().c_str(), 0, 0, kStreamAutoFree);
  uint32_t b = StreamCreateFile(false, Tone30().c_str(), 0, 0, kStreamAutoFree);
  ChannelSetSync(a, kSyncEnd, 0, [](uint32_t, uint32_t, uint32_t, void* u) {
    ChannelPlay(*static_cast<uint32_t*>(u), false);
  }, &b);
  ChannelPlay(a, false);
  auto out = Render(60.5);
  // Sound all the way through, with no gap longer than a mix period at the change.
  for (size_t s = 0; s < 60; ++s) EXPECT_GT(testmedia::Rms(out, s * 44100 + 1000, 40000), 0.05) << s;
}

}  // namespace
