#include "access/ShortcutTable.h"

#include "settings/Settings.h"

namespace {

std::vector<ShortcutDef> Build() {
  std::vector<ShortcutDef> t = {
      {"Global\\Shortcut.OnTopOrSystrayOut", 156, 0, kMenuSystray},
      {"Global\\Hotkey.Pause", 157, 0, kMenuSystray},
      {"Global\\Hotkey.VolumeUp", 159, 0, kMenuSystray},
      {"Global\\Hotkey.VolumeDown", 160, 0, kMenuSystray},
      {"Global\\Hotkey.VolumeMute", 158, 0, kMenuSystray},
      {"Global\\Hotkey.NextTrack", 161, 0, kMenuSystray},
      {"Global\\Hotkey.PrevTrack", 162, 0, kMenuSystray},
      {"Global\\Hotkey.Forward", 163, 0, kMenuSystray},
      {"Global\\Hotkey.Backward", 164, 0, kMenuSystray},
      {"Global\\Hotkey.Info", 165, 0, kMenuSystray},
      {"Main\\Shortcut.OpenFile", 167, 0, kMenuMain},
      {"Main\\Shortcut.AddFile", 170, 131151, kMenuMain},
      {"Main\\Shortcut.OpenFolder", 168, 0, kMenuMain},
      {"Main\\Shortcut.AddFolder", 171, 0, kMenuMain},
      {"Main\\Shortcut.OpenURL", 169, 0, kMenuMain},
      {"Main\\Shortcut.AddURL", 172, 0, kMenuMain},
      {"Main\\Shortcut.Explore", 173, 0, kMenuMain},
      {"Main\\Shortcut.ExploreMyMusic", 174, 131141, kMenuMain},
      {"Main\\Shortcut.SavePlayList", 175, 0, kMenuMain},
      {"Main\\Shortcut.ProfilDefault", 179, 116, kMenuMain},
      {"Main\\Shortcut.ProfilMusik", 180, 117, kMenuMain},
      {"Main\\Shortcut.ProfilBook", 181, 118, kMenuMain},
      {"Main\\Shortcut.ProfilRadio", 182, 119, kMenuMain},
      {"Main\\Shortcut.DelTrack", 231, 46, kMenuTrackList},
      {"Main\\Shortcut.TrackMoveUp", 232, 262182, kMenuTrackList},
      {"Main\\Shortcut.TrackMoveDown", 233, 262184, kMenuTrackList},
      {"Main\\Shortcut.TrackRegroup", 234, 0, kMenuTrackList},
      {"Main\\Shortcut.Property", 185, 262157, kMenuMain},
      {"Main\\Shortcut.Looping", 187, 131148, kMenuMain},
      {"Track\\Shortcut.NextTrack", 184, 131106, kMenuMain},
      {"Track\\Shortcut.PreviousTrack", 183, 131105, kMenuMain},
      {"Main\\Shortcut.OutputBoard", 194, 32, kMenuMain},
      {"Main\\Shortcut.OutputNoEffect", 293, 65584, kMenuMain},
  };
  for (int d = 1; d <= 9; ++d)
    t.push_back({"Main\\Shortcut.OutputEffect" + std::to_string(d), 293 + d, 65584 + d, kMenuMain});
  const std::vector<ShortcutDef> middle = {
      {"Output\\Shortcut.NoKeepEfect", 204, 0, kMenuMain},
      {"Output\\Shortcut.Info", 190, 131184, kMenuMain},
      {"Output\\Shortcut.Pause", 192, 131152, kMenuMain},
      {"Output\\Shortcut.Stop", 193, 131155, kMenuMain},
      {"Output\\Shortcut.VolumeDown", 196, 120, kMenuMain},
      {"Output\\Shortcut.VolumeUp", 195, 121, kMenuMain},
      {"Output\\Shortcut.VolumeMute", 197, 118, kMenuMain},
      {"Output\\Shortcut.EnableTempoPitch", 198, 65758, kMenuMain},
      {"Output\\Shortcut.NoKeepTempoPitch", 199, 0, kMenuMain},
      {"Output\\Shortcut.TempoDown", 201, 0, kMenuMain},
      {"Output\\Shortcut.TempoUp", 200, 0, kMenuMain},
      {"Output\\Shortcut.PitchDown", 203, 0, kMenuMain},
      {"Output\\Shortcut.PitchUp", 202, 0, kMenuMain},
      {"Output\\Shortcut.Forward", 206, 131111, kMenuMain},
      {"Output\\Shortcut.Backward", 207, 131109, kMenuMain},
      {"Main\\Shortcut.ParamEQ", 208, 131153, kMenuMain},
      {"Main\\Shortcut.GoToPosition", 205, 131143, kMenuMain},
      {"Main\\Shortcut.MonitorNoEffect", 303, 0, kMenuMain},
  };
  t.insert(t.end(), middle.begin(), middle.end());
  for (int d = 1; d <= 9; ++d)
    t.push_back({"Main\\Shortcut.MonitorEffect" + std::to_string(d), 303 + d, 0, kMenuMain});
  const std::vector<ShortcutDef> tail = {
      {"Monitor\\Shortcut.Play", 210, 65549, kMenuMain},
      {"Monitor\\Shortcut.Pause", 211, 131085, kMenuMain},
      {"Monitor\\Shortcut.Stop", 212, 0, kMenuMain},
      {"Monitor\\Shortcut.LowVolume", 213, 131192, kMenuMain},
      {"Monitor\\Shortcut.HighVolume", 214, 131193, kMenuMain},
      {"WMP\\Shortcut.Pause", 223, 131152, kMenuMain},
      {"WMP\\Shortcut.Stop", 224, 131155, kMenuMain},
      {"WMP\\Shortcut.VolumeDown", 226, 120, kMenuMain},
      {"WMP\\Shortcut.VolumeUp", 225, 121, kMenuMain},
      {"WMP\\Shortcut.Forward", 227, 196678, kMenuMain},
      {"WMP\\Shortcut.Backward", 228, 196674, kMenuMain},
      {"Main\\Shortcut.Quit", 178, 0, kMenuMain},
      {"Main\\Shortcut.SystrayIn", 241, 0, kMenuMain},
      {"Main\\Shortcut.Help", 217, 112, kMenuMain},
      {"Main\\Shortcut.EditPref", 177, 262224, kMenuMain},
      {"Main\\Shortcut.AffLog", 219, 262256, kMenuNone},
      {"Main\\Shortcut.EditLang", 221, 262257, kMenuNone},
      // Ctrl+Shift with Page Down / Page Up and T: no other entry, fixed key or global hotkey
      // uses these combinations (the track keys are Ctrl+Page Down / Page Up without Shift).
      {"Output\\Shortcut.NextChapter", 313, 196642, kMenuMain},
      {"Output\\Shortcut.PreviousChapter", 314, 196641, kMenuMain},
      {"Output\\Shortcut.SleepTimer", 315, 196692, kMenuMain},
  };
  t.insert(t.end(), tail.begin(), tail.end());
  return t;
}

}  // namespace

const std::vector<ShortcutDef>& ShortcutTable() {
  static const std::vector<ShortcutDef> table = Build();
  return table;
}

void RegisterShortcutSettings() {
  for (const auto& d : ShortcutTable()) AddMW_KeyboardShortcut(d.key, d.command, 0, d.defaultCode, d.menu);
}
