// What wx does not expose on GTK: accessible roles and names set directly through ATK.
#pragma once
#include <string>

class wxWindow;

namespace gtkaccess {
void SetStatusBar(wxWindow* statusBar, const std::string& name);
void SetName(wxWindow* w, const std::string& name);
// What a screen reader adds after the name and value, such as a value's unit ("-3 dB").
void SetDescription(wxWindow* w, const std::string& text);
// A read-only list with an entry: Tab goes from the entry to the next control, not to the
// list's unnamed arrow button (the arrows and Alt+Down still work in the entry).
void SkipDropDownButton(wxWindow* comboBox);
// The dialog role for a top-level window (GTK reports "frame" otherwise).
void SetDialog(wxWindow* w, const std::string& name);
// Tells the table's accessible that a row's texts changed: wx redraws the row but does not
// say so to GTK's model, and a screen reader would go on reading the old texts.
void RowChanged(wxWindow* table, int row);
}  // namespace gtkaccess
