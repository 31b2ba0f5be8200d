// Common set-up of the player tests: the manual test device (Output and Monitor), registered
// settings, a small language table, recorded speech, a headless shell, the play list and the
// player's hooks; and renders that hand queued events over promptly or on the 500 ms timer.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "access/Speech.h"
#include "app/AppHooks.h"
#include "app/AppState.h"
#include "app/EventLog.h"
#include "app/HeadlessShell.h"
#include "audio/Device.h"
#include "audio/Monitor.h"
#include "audio/OutputControls.h"
#include "audio/Playback.h"
#include "audio/Wiring.h"
#include "audiolib/AudioLib.h"
#include "lang/Lang.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayerPort.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"
#include "unit/audiolib/TestMedia.h"

inline constexpr size_t kRate = 44100;
inline constexpr size_t kMixPeriod = 1024;  // frames mixed per device callback

class AudioTest : public ::testing::Test {
 protected:
  HeadlessShell shell;
  RecordingSpeech speech;
  std::string dir;    // scratch folder of this test, ending in "/"
  std::string media;  // shared generated media
  std::vector<float> heard;  // Output signal rendered so far (stereo)
  bool prompt = true;        // hand events over as soon as they are queued
  double timerPhase = 0;     // seconds of the first timer period already gone at the start
  std::atomic<int> wakes{0};

  void SetUp() override {
    ResetAppState();
    ResetSettings();
    RegisterSettings();
    ResetLang();
    ResetLog();
    static const std::pair<const char*, const char*> kTexts[] = {
        {"Say.Volume", "Volume "},      {"Say.Tempo", "Tempo "},        {"Say.Pitch", "Pitch "},
        {"Say.Pause", "paused"},        {"Say.Resume", "resumed"},      {"Say.CantDoPause", "cannot pause"},
        {"Main\\Button.Pause", "Pause"}, {"Main\\Button.Resume", "Resume"},
        {"Msg\\Mute.Enabled", "muted"}, {"Msg\\Mute.Disabled", "unmuted"},
        {"Msg\\Monitor.AutoPlay", "auto play"}, {"Msg.Error", "Error"},
        {"Msg\\Device.ErrorInit", "device failed"}, {"Flag.Default", "Default"},
        {"Say.Position", "Position "},  {"Say.PositionCantMove", "cannot move"},
        {"Msg\\TempoPitch.Enabled", "tempo on"}, {"Msg\\TempoPitch.Disabled", "tempo off"},
        {"Msg\\Play.Error", "cannot play"},
    };
    for (const auto& [k, v] : kTexts) LangTable().push_back({k, v});
    SortLangTable();
    SetShell(&shell);
    SetSpeechBackend(&speech);
    ASSERT_TRUE(alib::UseManualBackend({{"Test Output", true}, {"Test Monitor"}}));
    SetMWValue(setting::MonitorDeviceName, "Test Monitor");
    // Levels are measured on the plain signal: without this text the Output's compressor is
    // active (an empty text means threshold -15 dB) and would bend every level.
    SetMWValue(setting::OutputCompressor, "0;10;200;0;3;");

    const char* tmp = std::getenv("TONDRIAL_TEST_TMP");
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::string(tmp ? tmp : "/tmp") + "/audio/" + info->test_suite_name() + "." + info->name() + "/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    media = testmedia::TmpDir("audio-media");
    App.PrefPath = App.MainPath = dir;

    ResetTracks();
    ResetProfiles();
    ResetPlayback();
    ResetMonitor();
    ResetDeviceLog();
    PlayListRows().Clear();
    CreatePlayListView();
    WireProgram();
    SetSyncWakeUp([this] { ++wakes; });
    SwitchProfile(0, true);
  }

  void TearDown() override {
    ResetPlayback();
    ResetMonitor();
    alib::Shutdown();
    SetSyncWakeUp(nullptr);
    UnwireProgram();
    SetShell(nullptr);
    SetSpeechBackend(nullptr);
  }

  // Left channel only (old track) or right channel only (new track): a sine of amplitude 0.5.
  std::string Tone(const std::string& name, int seconds, bool left = true) {
    std::string expr = left ? "0.5*sin(2*PI*440*t)|0" : "0|0.5*sin(2*PI*660*t)";
    return testmedia::Make(media, name,
                           "-f lavfi -i aevalsrc='" + expr + "':s=44100:d=" + std::to_string(seconds) + " -c:a pcm_s16le");
  }

  int32_t AddTrack(const std::string& file, int32_t end = 0, int32_t start = 0) {
    Track t;
    t.File = file;
    EXPECT_TRUE(ExamineTrack(t, true));
    if (end) t.End = end;
    t.Start = start;
    int32_t id = 0;
    ::AddTrack(t, id);
    InsertTrackRow(id, -1);
    return id;
  }

  // Renders seconds of the Output, handing the queued events over after each mix period
  // (prompt) or every 500 ms of sound (timer only).
  void Render(double seconds) {
    size_t frames = static_cast<size_t>(seconds * kRate);
    std::vector<float> block(kMixPeriod * 2);
    size_t sinceTimer = (heard.size() / 2 + static_cast<size_t>(timerPhase * kRate)) % (kRate / 2);
    for (size_t done = 0; done < frames; done += kMixPeriod) {
      ASSERT_EQ(alib::ManualRender(1, block.data(), kMixPeriod), kMixPeriod);
      heard.insert(heard.end(), block.begin(), block.end());
      sinceTimer += kMixPeriod;
      if (prompt && wakes.exchange(0) > 0) ProcessSyncEvents();
      if (sinceTimer >= kRate / 2) {
        sinceTimer -= kRate / 2;
        ProcessSyncEvents();
      }
    }
  }

  // Hands queued events over until the Output's network stream has connected (or failed), as
  // the main loop does while it goes on with other work.
  void WaitForConnect(double seconds = 20) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (OutputConnecting() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      ProcessSyncEvents();
    }
  }

  // RMS of one channel over [from, to) seconds of what was heard.
  double Level(double from, double to, int channel) const {
    size_t a = static_cast<size_t>(from * kRate), b = static_cast<size_t>(to * kRate);
    double s = 0;
    size_t n = 0;
    for (size_t i = a; i < b && 2 * i + 1 < heard.size(); ++i, ++n) s += double(heard[2 * i + channel]) * heard[2 * i + channel];
    return n ? std::sqrt(s / double(n)) : 0.0;
  }

  // First second (from `from` on) at which a channel is heard, or -1.
  double Onset(int channel, double from = 0) const {
    for (size_t i = static_cast<size_t>(from * kRate); 2 * i + 1 < heard.size(); ++i)
      if (std::fabs(heard[2 * i + channel]) > 0.001f) return double(i) / kRate;
    return -1;
  }
  // Last second at which a channel is heard.
  double Offset(int channel) const {
    for (size_t i = heard.size() / 2; i-- > 0;)
      if (std::fabs(heard[2 * i + channel]) > 0.001f) return double(i) / kRate;
    return -1;
  }

  int GadgetState(int g) { return shell.gadgetState[{gadget::MainWindow, g}]; }
  std::string GadgetText(int g) { return shell.gadgetText[{gadget::MainWindow, g}]; }

  int32_t StateOf(int32_t id) {
    const Track* t = FindTrack(id);
    return t ? t->State : -1;
  }
};
