#include "playlist/PlayerPort.h"

#include "app/EventLog.h"
#include "playlist/PlayListFile.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {
PlayerPort g_silent;
PlayerPort* g_port = &g_silent;
}  // namespace

PlayerPort& Player() { return *g_port; }
void SetPlayerPort(PlayerPort* port) { g_port = port ? port : &g_silent; }

std::string TrackNameOf(const std::string& file) {
  size_t p = file.find_last_of("/\\");
  return p == std::string::npos ? file : file.substr(p + 1);
}

int UpdateTrackLength(int32_t len, Track& t) {
  if (len < 0) return 0;
  bool changed = false;
  if (t.Length != len) {
    t.Length = len;
    changed = true;
  }
  if (t.End <= 0 || t.End > len) {
    if (t.End != len) changed = true;
    t.End = len;
  }
  if (t.Start < 0 || t.Start >= len) {
    if (t.Start != 0) changed = true;
    t.Start = 0;
  }
  return changed ? 1 : -1;
}

int PlayerPort::ExamineTrack(Track& track, bool force) {
  track.Name = TrackNameOf(track.File);
  if (IsURL(track.File)) {
    track.Length = -1;
    return 1;
  }
  if (!force && !GetMWFlag(setting::ExamineBeforeAdd)) return 1;
  int r = UpdateTrackLength(StreamLengthSeconds(track.File), track);
  if (r == 0) AddLog("- Examine : " + track.File);
  return r != 0 ? 1 : 0;
}

std::vector<int32_t> PlayerPort::ExamineFiles(const std::vector<std::string>& files) {
  std::vector<int32_t> lengths;
  lengths.reserve(files.size());
  for (const std::string& f : files) {
    lengths.push_back(StreamLengthSeconds(f));
    if (lengths.back() < 0) AddLog("- Examine : " + f);
  }
  return lengths;
}
