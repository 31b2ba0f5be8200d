// The menu commands that open a child window, and the windows the logic asks for by itself
// (track properties, effects). Each window's module adds its line to InstallWindows().
#pragma once
#include <functional>

void RegisterWindowCommand(int command, std::function<void()> open);
// Registers every window's command.
void InstallWindows();
// Opens the window of a registered command; false for any other command.
bool OpenWindowCommand(int id);
