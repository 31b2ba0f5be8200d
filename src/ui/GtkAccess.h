// What wx does not expose on GTK: accessible roles and names set directly through ATK. On
// Windows the same calls give the controls their MSAA names, roles and values (MswAccess.cpp);
// what the native controls already do right there is left to them.
#pragma once
#include <functional>
#include <string>

class wxMenu;
class wxWindow;

namespace gtkaccess {
// For the whole program: a text field does not select its text when Tab brings the focus in.
// GTK's selection at that moment races a screen reader's reading of the newly focused field,
// which then reads only the selected value, without the field's name and role.
void NoSelectOnFocus();
void SetStatusBar(wxWindow* statusBar, const std::string& name);
void SetName(wxWindow* w, const std::string& name);
// An editable drop-down list named in its entry only: naming the list too makes a screen
// reader say the name twice (the list, then the entry in it).
void SetEntryName(wxWindow* comboBox, const std::string& name);
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
// The name a screen reader gives a pop-up menu as it opens (GTK leaves it unnamed: "menu").
void SetMenuName(wxMenu* menu, const std::string& name);
// Column headers out of the Tab order (they sort nothing; a stop on them says nothing useful).
void NoHeaderTabStops(wxWindow* table);
// Tells a screen reader that the focused row is now `row`: after a row is removed the next
// one takes its place under the cursor and GTK reports no change of focus.
void FocusRowMoved(wxWindow* table, int row);
// Whether a slider's changes of value are reported to a screen reader as they happen; its
// value stays readable either way. Off for a value the program announces itself.
void SetValueHeard(wxWindow* slider, bool heard);
// What a screen reader says for a slider's value in place of the bare number ("-3 dB"), or
// for a spin field's value when its text is empty; "" for the plain value again.
void SetValueText(wxWindow* control, const std::string& text);
// A spin field that shows its value as text(value) and keeps the text read-only: a screen
// reader reads it as a spin button with that text, and each new value as it changes.
void ShowSpinValueAs(wxWindow* spin, std::function<std::string(int value)> text);
}  // namespace gtkaccess
