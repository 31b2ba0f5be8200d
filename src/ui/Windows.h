// The menu commands that open a child window, and the windows the logic asks for by itself
// (track properties, effects). Each window's module adds its line to InstallWindows().
#pragma once
#include <functional>

void RegisterWindowCommand(int command, std::function<void()> open);
// Chains onto the menu dispatch: a registered command opens its window.
void InstallWindows();
