#include "playlist/PlayListHooks.h"

#include "app/AppHooks.h"
#include "app/Commands.h"
#include "app/Shell.h"
#include "playlist/AddMedia.h"
#include "playlist/PlayedList.h"
#include "playlist/PlayListView.h"
#include "playlist/Profiles.h"

bool PlayListMenuCommand(int id) {
  switch (id) {
    case cmd::ReturnKey:
      // Return plays the selected track only while the list has the focus (buttons act themselves).
      if (TheShell().FocusedGadget(gadget::MainWindow) != gadget::PlayList) return false;
      PlayTrack(0, false);
      return true;
    case cmd::ContextMenu: ShowTrackMenu(); return true;
    default: return PlayListCommand(id) || ProfileCommand(id) || AddMediaCommand(id) || PlayedListCommand(id);
  }
}

Feature PlayListFeature() {
  Feature f;
  f.start = EnterStartProfile;
  f.menuCommand = PlayListMenuCommand;
  f.exit = StoreProfileAtQuit;
  return f;
}
