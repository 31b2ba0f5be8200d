// The language editor without a screen: the list of every entry of the language table, the
// text being edited, and what each button and key does. It works on the table itself, so a
// change is seen by every lookup at once and stays for the run even when nothing is saved.
#pragma once
#include <cstdint>
#include <string>

#include "app/ListModel.h"

namespace langedit {
// Window and gadget numbers of the editor.
inline constexpr int kWindow = 1000;
inline constexpr int kList = 1004;
inline constexpr int kListLabel = 1005;
inline constexpr int kText = 1006;
inline constexpr int kTextLabel = 1007;
inline constexpr int kUpdate = 1008;
inline constexpr int kDelete = 1010;
inline constexpr int kPrior = 1012;
inline constexpr int kNext = 1014;
inline constexpr int kSave = 1016;
inline constexpr int kQuit = 1018;
// Keyboard commands of the window.
inline constexpr int kCmdReturn = 1020;     // Return
inline constexpr int kCmdPrior = 1022;      // Ctrl+Up
inline constexpr int kCmdNext = 1024;       // Ctrl+Down
inline constexpr int kCmdClose = -1;        // the close box

// Its captions are fixed: the editor must stay usable whatever state the table is in.
inline constexpr int kWidth = 400;
inline constexpr const char* kTitle = "Language Edit";
inline constexpr const char* kPriorCaption = "Prior empty LabelText (Control+Up)";
inline constexpr const char* kNextCaption = "Next empty LabelText (Control+Down)";
inline constexpr const char* kDeleteCaption = "Delete LabelText";
inline constexpr const char* kListCaption = "LabelText List";
inline constexpr const char* kTextCaption = "Text";
inline constexpr const char* kUpdateCaption = "Update LabelText";
inline constexpr const char* kSaveCaption = "Quit and Save Language File";
inline constexpr const char* kQuitCaption = "Quit without saving";
inline constexpr const char* kSaveErrorTitle = "Error";
inline constexpr const char* kSaveErrorText = "Can't save file !";
}  // namespace langedit

class LangEditor {
 public:
  explicit LangEditor(std::string language);

  // One row per table entry ("key = text"); the row's data is the entry's table position.
  ListModel& List() { return list_; }
  const std::string& Language() const { return language_; }

  // The content of the text field as the editor last set it; the window copies it in.
  const std::string& FieldText() const { return field_; }
  // Set each time the editor wants the list focused; the window clears it once done.
  bool listFocusWanted = false;

  // Sorts the table by key and lists it, selecting row `select` (none when out of range).
  void Fill(int select);
  // Puts the selected entry's text into the field (the field keeps its text when none is valid).
  void ShowSelected();
  // The entry takes the field's text; its row is marked " == " as edited in this session.
  void UpdateSelected(const std::string& fieldText);
  // Selects the next (+1) or previous (-1) entry still empty or French; false when there is none.
  bool FindEmpty(int direction, bool listHasFocus);
  // Removes the selected entry from the table; the row before it becomes the selection.
  void DeleteSelected();
  // Writes the language file; on failure the user is told and the editor stays open.
  bool Save();

  // A button, key command or the close box. focused: the gadget with the focus (-1 none);
  // fieldText: what the text field holds now. Returns true when the editor must close.
  bool Event(int source, int focused, const std::string& fieldText);

  // An item text counts as empty when the part between its first and second "=" is blank
  // after trimming or holds the French marker.
  static bool IsEmptyItem(const std::string& itemText);
  static std::string ItemText(const std::string& key, const std::string& text, bool edited);

 private:
  // The table position of the selected row, or -1.
  long SelectedEntry() const;
  std::string language_;
  std::string field_;
  ListModel list_;
};
