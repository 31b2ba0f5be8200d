// The preferences window: options, display templates, play-list options, every shortcut.
#pragma once
#include <string>

class wxWindow;

// Modal over the main window; returns when it is closed (confirmed or not).
void OpenPreferences(wxWindow* parent);
// "name;size" → the font the user picks in the system's font dialog, or the text unchanged.
std::string ChooseEditFont(const std::string& font, wxWindow* parent = nullptr);
