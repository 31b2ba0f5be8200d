#include "audio/Wiring.h"

#include "access/Hotkeys.h"
#include "app/AppHooks.h"
#include "audio/BookTools.h"
#include "audio/PlaybackHooks.h"
#include "effects/EffectHooks.h"
#include "playlist/PlayListHooks.h"
#include "settings/Settings.h"

namespace {
void FillRecentMenus() {
  UpdateRecentMenu(RecentList::Files, kRecentFilesFirstId);
  UpdateRecentMenu(RecentList::PlayFiles, kRecentPlayFilesFirstId);
}
}  // namespace

void WireProgram(const ProgramSetup& setup) {
  UnwireProgram();
  ConnectPlayback();
  // In this order every step of start-up and quit runs; a command goes down the list to the
  // first feature that handles it.
  InstallFeatures({
      Feature{.menuCommand = setup.openWindow},  // the child windows' menu commands
      BookToolsFeature(),  // the chapter and sleep keys; sees timer 2 before the playback does
      PlaybackFeature(),  // state emptied; library versions logged; the keys; timers 2 to 4
      EffectsFeature(),   // effect sets loaded (entering the profile may start a track with its set)
      Feature{.start = FillRecentMenus},
      PlayListFeature(),  // the start profile entered; stored at quit
      Feature{.start = SetStartVolume},
  });
  Hooks().singleInstance = setup.singleInstance;
  Hooks().globalHotkey = HandleGlobalHotkey;
}

void UnwireProgram() {
  Hooks() = AppHooks{};
  DisconnectPlayback();
}
