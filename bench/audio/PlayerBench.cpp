// CPU of one track played by the player on the manual device: tempo stream, 15-band equaliser,
// compressor and the Output's effect set, as a track start applies them, mixed as fast as it goes.
//   audio_player_bench FILE [--tempo P] [--set N]
// Prints "player: A s audio, C s cpu, ratio R" (R = C / A).
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "audio/OutputControls.h"
#include "audio/Playback.h"
#include "audio/Wiring.h"
#include "audiolib/AudioLib.h"
#include "effects/EffectChain.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {
double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: audio_player_bench FILE [--tempo P] [--set N]\n");
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
  // Playing writes the recent files: keep them out of the current folder.
  std::filesystem::path pref = std::filesystem::temp_directory_path() / "tondrial-player-bench";
  std::filesystem::create_directories(pref);
  App.PrefPath = pref.string() + "/";
  if (!alib::UseManualBackend({{"Bench Output", true}})) return 1;
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
  const double start = CpuSeconds();
  std::vector<float> block(1024 * 2);
  size_t frames = 0;
  while (alib::ChannelIsActive(OutputChannel().Handle) == alib::kActivePlaying) {
    alib::ManualRender(1, block.data(), 1024);
    frames += 1024;
  }
  const double cpu = CpuSeconds() - start;
  const double audio = double(frames) / 44100;
  std::printf("player: %.1f s audio, %.2f s cpu, ratio %.4f\n", audio, cpu, cpu / audio);
  FreeChannel(OutputChannel());
  alib::Shutdown();
  return 0;
}
