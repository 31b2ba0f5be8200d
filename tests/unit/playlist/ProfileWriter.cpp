// Saves the Default profile's list over and over, each generation with every track's start
// changed, until it is killed. argv[1]: the settings folder; argv[2]: track count.
#include <cstdlib>
#include <string>

#include "app/AppState.h"
#include "playlist/PlayListView.h"
#include "playlist/Profiles.h"
#include "playlist/Track.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  App.PrefPath = argv[1];
  const int count = std::atoi(argv[2]);
  RegisterSettings();
  SetMWFlag(setting::StartWithOldTracks, true);
  CreatePlayListView();
  for (int i = 0; i < count; ++i) {
    Track t;
    t.File = "/music/track" + std::to_string(i) + ".mp3";
    t.Length = t.End = 100000;
    int32_t id = 0;
    AddTrack(t, id);
    InsertTrackRow(id, -1);
  }
  for (int gen = 1;; ++gen) {
    for (Track& t : PlayList()) t.Start = gen;
    SaveProfileList(0);
  }
}
