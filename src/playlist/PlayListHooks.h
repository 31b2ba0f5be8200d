// Plugs the play list into the program: its commands into the menu dispatch, the Default
// profile into the start-up and the storing of the current profile into the quit step.
#pragma once

// Chains onto hooks already installed, so the other features keep theirs.
void InstallPlayListHooks();
// The play list's share of the menu dispatch: true when it handled id.
bool PlayListMenuCommand(int id);
