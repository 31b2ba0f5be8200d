// Effects tests: a fresh program state, the manual test device with a real stream playing
// generated media, the recording speech backend and the headless shell.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access/Speech.h"
#include "app/HeadlessShell.h"
#include "audiolib/AudioLib.h"
#include "common/TestEnv.h"
#include "effects/EffectChain.h"
#include "effects/EffectSets.h"
#include "lang/Lang.h"
#include "unit/audiolib/TestMedia.h"

namespace fxtest {

inline std::string MediaDir() {
  static std::string d = testmedia::TmpDir("effects-media");
  return d;
}
// 30 s of a 440 Hz tone.
inline std::string Tone() {
  return testmedia::Make(MediaDir(), "tone30.wav", std::string(testmedia::kTone30) + " -c:a pcm_s16le");
}
// 5 s of silence, then a 1 kHz tone.
inline std::string SilenceThenTone() {
  return testmedia::Make(MediaDir(), "silence-tone.wav", std::string(testmedia::kSilenceThenTone) + " -c:a pcm_s16le");
}

// Gives a language key a text (the table starts empty in tests).
inline void SetLangText(const std::string& key, const std::string& text) {
  Lang(key);
  for (auto& e : LangTable())
    if (e.Key == key) e.Text = text;
}

class Fixture : public testenv::Fixture {
 protected:
  void SetUp() override {
    testenv::Fixture::SetUp();
    ResetEffectSets();
    ResetDeviceEffects();
    SetShell(&shell);
    SetSpeechBackend(&speech);
    App.PrefPath = testenv::FreshFolder("pref");
    SetLangText("Effect\\Name.NoEffect", "No effect");
    SetLangText("Menu\\Effects.Number", "Effect %s1%");
    SetLangText("Say.EffectOnOutput", "Output effect: ");
    SetLangText("Say.EffectOnMonitor", "Monitor effect: ");
  }
  void TearDown() override {
    alib::Shutdown();
    SetSpeechBackend(nullptr);
    ResetEffectSets();
    ResetDeviceEffects();
    testenv::Fixture::TearDown();
  }

  // Opens the manual devices: 1 the Output, 2 the Monitor.
  void OpenDevices() {
    ASSERT_TRUE(alib::UseManualBackend({{"Test Output", true}, {"Test Monitor", false}}));
    ASSERT_TRUE(alib::Init(1, 44100, 0, nullptr));
    ASSERT_TRUE(alib::Init(2, 44100, 0, nullptr));
    ASSERT_TRUE(alib::SetDevice(1));
  }
  // A playing stream of file on a device.
  uint32_t Play(const std::string& file, int device = 1) {
    alib::SetDevice(device);
    uint32_t h = alib::StreamCreateFile(false, file.c_str(), 0, 0, 0);
    EXPECT_NE(h, 0u) << file;
    EXPECT_TRUE(alib::ChannelPlay(h, false));
    return h;
  }
  std::vector<float> Render(double seconds, int device = 1) {
    std::vector<float> out(size_t(seconds * 44100) * 2);
    EXPECT_EQ(alib::ManualRender(device, out.data(), out.size() / 2), out.size() / 2);
    return out;
  }

  HeadlessShell shell;
  RecordingSpeech speech;
};

}  // namespace fxtest
