// Loads a profile list of many tracks (files that exist, no examination) and builds its
// rows, the way the program starts; prints the time and the memory it costs.
//   playlist_bench [tracks] [scratch folder]
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppState.h"
#include "app/FileUtil.h"
#include "app/HeadlessShell.h"
#include "lang/Lang.h"
#include "playlist/PlayListView.h"
#include "playlist/Profiles.h"
#include "playlist/Track.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

size_t HeapBytes() { return mallinfo2().uordblks; }

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  std::string dir = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "tondrial-playlist-bench").string();
  if (dir.back() != '/') dir += '/';
  std::filesystem::create_directories(dir + "music");

  RegisterSettings();
  App.PrefPath = dir;
  App.MainPath = dir;
  SetMWFlag(setting::ExamineBeforeAdd, false);
  SetMWFlag(setting::StartWithOldTracks, true);
  HeadlessShell shell;
  SetShell(&shell);
  CreatePlayListView();

  // Every track a real file, about every third with settings, as a presenter's list would be.
  std::string list = "#EXTM3U\r\n";
  for (int i = 0; i < count; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "music/Artist %03d - Title %05d.mp3", i % 500, i);
    std::string path = dir + name;
    if (!fileutil::Exists(path)) fileutil::WriteFileAtomic(path, "x");
    if (i % 3 == 0) list += "#extrem:Start=" + std::to_string(i % 60) + ";Ln=240;Alias=Track " + std::to_string(i) + ";\r\n";
    list += std::string(name) + "\r\n";
  }
  fileutil::WriteFileAtomic(dir + "ProfilDefault.M3U", list);

  long rssBefore = ResidentKiB();
  size_t heapBefore = HeapBytes();
  auto t0 = std::chrono::steady_clock::now();
  SwitchProfile(0, true);
  auto t1 = std::chrono::steady_clock::now();
  size_t heapAfter = HeapBytes();
  long rssAfter = ResidentKiB();

  // Storing it again (leaving the profile) writes the file from the rows.
  auto t2 = std::chrono::steady_clock::now();
  SwitchProfile(1, true);
  auto t3 = std::chrono::steady_clock::now();

  double loadMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
  double storeMs = std::chrono::duration<double, std::milli>(t3 - t2).count();
  std::printf("tracks loaded: %zu, rows: %d\n", static_cast<size_t>(count), count);
  std::printf("load profile list and show rows: %.1f ms\n", loadMs);
  std::printf("heap in use for tracks and rows: %.2f MB\n", (heapAfter - heapBefore) / 1048576.0);
  std::printf("resident memory growth: %.2f MB\n", (rssAfter - rssBefore) / 1024.0);
  std::printf("leave profile (sync order, store, write file): %.1f ms\n", storeMs);
  SetShell(nullptr);
  bool ok = loadMs < 200 && (heapAfter - heapBefore) < 20u * 1048576u;
  return ok ? 0 : 1;
}
