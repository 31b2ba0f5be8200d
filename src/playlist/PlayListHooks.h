// Plugs the play list into the program: its commands into the menu dispatch, the Default
// profile into the start-up and the storing of the current profile into the quit step.
#pragma once
#include "app/AppHooks.h"

// Enters the start profile at the audio start, carries out the play list's menu commands and
// stores the current profile at quit.
Feature PlayListFeature();
// The play list's share of the menu dispatch: true when it handled id.
bool PlayListMenuCommand(int id);
