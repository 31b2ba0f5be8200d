// What wx does not expose on GTK: accessible roles and names set directly through ATK.
#pragma once
#include <string>

class wxWindow;

namespace gtkaccess {
void SetStatusBar(wxWindow* statusBar, const std::string& name);
void SetName(wxWindow* w, const std::string& name);
// The dialog role for a top-level window (GTK reports "frame" otherwise).
void SetDialog(wxWindow* w, const std::string& name);
}  // namespace gtkaccess
