// The read-only text viewer (window 150): a multi-line text as wide as the main window.
#pragma once
#include <string>

class wxWindow;

// Shows title and text; returns when the user closes it (Escape or the close button),
// with the focus given back to the control that had it.
void ShowTextWindow(wxWindow* parent, const std::string& title, const std::string& text);
