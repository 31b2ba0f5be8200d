// The preferences window without its toolkit: the options it edits (bound to the settings by
// number), the shortcut work list and its editor, the editing font text, and what confirming
// stores. The window mirrors a PreferencesForm and asks it to act.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

inline constexpr int kPreferencesWindow = 24;

// One row of the three option tabs, in window order.
struct PrefRow {
  enum Kind { Language, Text, Check, FontButton } kind;
  int tab;             // 0 general, 1 display, 2 play list
  int32_t id;          // the setting (and control) number; 0 for the language and the font button
  const char* label;   // language key of the label (text rows) or caption (check boxes, button)
  const char* rowLayout;
};
const std::vector<PrefRow>& PreferenceRows();
// Language keys of the four tabs.
inline constexpr const char* kPrefTabs[4] = {"Pref\\General", "Pref\\Display", "Pref\\MainPlay", "Pref\\Shortcut"};

// A copy of a main-window shortcut entry, edited while the window is open.
struct ShortcutWorkEntry {
  int32_t command = 0;
  std::string key;
  int32_t kind = 1;  // 1 window shortcut, 2 global hotkey
  std::string value;
};
// Window shortcuts first, then global hotkeys, each in registration order.
std::vector<ShortcutWorkEntry> ShortcutWorkList();

struct KeyChoice {
  std::string text;
  int32_t code = 0;
};
// "Key.NoKey" (0), then every virtual key that has a name, in code order.
std::vector<KeyChoice> ShortcutKeyList();

// Asks the user; answers as MessageRequester (6 yes/OK, 7 no, 2 cancel).
using PrefAsk = std::function<int(const std::string& title, const std::string& text, int flags)>;

// The shortcut tab as the window shows it.
struct ShortcutEditorState {
  std::vector<ShortcutWorkEntry> work;
  std::vector<std::string> lines;  // one per work entry: label "=" key text
  int selected = -1;               // line of the list
  std::vector<KeyChoice> keys;
  int keyIndex = -1;               // entry of the key list, -1 none
  bool alt = false, ctrl = false, shift = false, win = false;
  bool changed = false;    // a shortcut was set: they are installed again on confirming
  bool focusList = false;  // the window should give the list the focus
  PrefAsk ask;             // null: the shell's requester
};
// "FillKey", "Filllist", "SetCheckBox", "Change", "Update" (any letter case).
void ShortcutEditor(const std::string& action, ShortcutEditorState& s);

// "name;size" of the editing font. A missing or bad size reads as 0.
void SplitFontText(const std::string& font, std::string& name, int& size);
std::string FontText(const std::string& name, int size);

struct PreferencesForm {
  std::map<int32_t, std::string> texts;
  std::map<int32_t, bool> checks;
  std::vector<std::string> languages;
  int language = 0;
  std::string font;  // the editing font chosen
  ShortcutEditorState shortcuts;
  // As they were when the window opened.
  std::string languageInUse, fontInUse;
};

// Fills the form from the settings, the languages and the shortcuts.
void OpenPreferencesForm(PreferencesForm& form);

struct PrefConfirmResult {
  bool languageChanged = false;
  bool shortcutsInstalled = false;
  bool fontChanged = false;  // the program's text fields take the new font
};
// Stores the form, re-installs changed shortcuts and writes the settings file.
PrefConfirmResult ConfirmPreferences(PreferencesForm& form);
