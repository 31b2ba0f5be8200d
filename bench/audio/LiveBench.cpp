// One track played by the player on a real device (SDL, the system's default output) with the
// full chain: tempo stream, 15-band equaliser, compressor and the Output's effect set.
//   audio_live_bench FILE [--tempo P] [--set N]
// Prints "live: A s heard, U underruns" once the track ended.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/AppState.h"
#include "audio/OutputControls.h"
#include "audio/Playback.h"
#include "audio/Wiring.h"
#include "audiolib/AudioLib.h"
#include "effects/EffectChain.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: audio_live_bench FILE [--tempo P] [--set N]\n");
    return 2;
  }
  float tempo = 10;
  int set = 1;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string opt = argv[i];
    if (opt == "--tempo") tempo = std::strtof(argv[i + 1], nullptr);
    else if (opt == "--set") set = std::atoi(argv[i + 1]);
  }
  RegisterSettings();
  std::filesystem::path pref = std::filesystem::temp_directory_path() / "tondrial-live-bench";
  std::filesystem::create_directories(pref);
  App.PrefPath = pref.string() + "/";
  WireProgram();
  SwitchProfile(0, true);
  LoadEffectSets();
  std::string eq;
  for (int b = 0; b < 15; ++b) eq += std::to_string(40 << (b * 2 / 3)) + "\xC2\xA7" "1#" + std::to_string(b % 5 - 2) + ";";
  SetMWValue(setting::OutputParamEQ, eq);
  SetMWValue(setting::OutputCompressor, "3;10;200;-20;3;");
  SetMWFlag(setting::OutputFadingEnable, false);
  SetTempo(tempo, 0, true);
  if (set > 0) ChooseDeviceEffect(kOutputEffectBase, kOutputEffectBase + set, true, false);

  Track t;
  t.File = argv[1];
  if (!ExamineTrack(t, true)) return 1;
  if (!OutputPlay(&t, false)) return 1;
  const uint32_t h = OutputChannel().Handle;
  while (alib::ChannelIsActive(h) != alib::kActiveStopped)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const double heard = alib::ChannelBytes2Seconds(h, alib::ChannelGetPosition(h, alib::kPosByte));
  std::printf("live: %.1f s heard, %u underruns\n", heard, alib::ChannelGetUnderruns(h));
  FreeChannel(OutputChannel());
  alib::Shutdown();
  return 0;
}
