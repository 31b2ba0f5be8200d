// The narrow interface through which the logic reaches the screen. The wx UI implements it;
// tests use HeadlessShell, which records what the logic showed and answers its questions.
// Every method has a harmless default so a new method never breaks other implementations.
#pragma once
#include <string>
#include <vector>

// Answers of MessageRequester.
inline constexpr int kAnswerYes = 6;  // yes or OK
inline constexpr int kAnswerNo = 7;
inline constexpr int kAnswerCancel = 2;

// Flags of MessageRequester.
enum RequesterFlags {
  kRequesterOk = 0,
  kRequesterYesNo = 1,
  kRequesterYesNoCancel = 2,
  kRequesterError = 16,
  kRequesterWarning = 48,
  kRequesterInfo = 64,
};

struct FileDialogRequest {
  std::string title;
  std::string folder;                 // where the dialog opens ("" = current folder)
  std::string file;                   // proposed file name (save dialogs)
  std::vector<std::pair<std::string, std::string>> filters;  // label, patterns ("*.mp3;*.ogg")
  bool save = false;
  bool multiple = false;
};

// One item of a pop-up menu; items naming the same submenu are grouped under it.
struct PopupItem {
  int id = 0;
  std::string text;
  std::string submenu;  // "" = on the menu itself
  bool enabled = true;
  bool checked = false;
};

class Shell {
 public:
  virtual ~Shell() = default;

  // Menu items by command number.
  virtual void SetMenuItemText(int /*id*/, const std::string& /*text*/) {}
  virtual std::string GetMenuItemText(int /*id*/) { return {}; }
  virtual void SetMenuItemChecked(int /*id*/, bool /*on*/) {}
  virtual void SetMenuItemEnabled(int /*id*/, bool /*on*/) {}
  virtual bool IsMenuItemChecked(int /*id*/) { return false; }

  // Gadgets by window and number.
  virtual void SetGadgetText(int /*window*/, int /*gadget*/, const std::string& /*text*/) {}
  virtual std::string GetGadgetText(int /*window*/, int /*gadget*/) { return {}; }
  virtual void SetGadgetState(int /*window*/, int /*gadget*/, int /*state*/) {}
  virtual int GetGadgetState(int /*window*/, int /*gadget*/) { return 0; }
  virtual void EnableGadget(int /*window*/, int /*gadget*/, bool /*on*/) {}
  virtual int FocusedGadget(int /*window*/) { return -1; }
  virtual void FocusGadget(int /*window*/, int /*gadget*/) {}

  // Main window.
  virtual void SetStatusText(const std::string& /*text*/) {}
  virtual void SetWindowTitle(const std::string& /*text*/) {}
  virtual void SetSystrayInfo(const std::string& /*text*/) {}
  virtual void HideMainWindow() {}
  virtual void RestoreMainWindow() {}
  virtual bool IsMainWindowVisible() { return true; }
  // The main window is the one the user works in (it has the keyboard).
  virtual bool IsMainWindowActive() { return false; }

  // Questions and viewers.
  virtual int MessageRequester(const std::string& /*title*/, const std::string& /*text*/, int /*flags*/) {
    return kAnswerYes;
  }
  // Returns false when the user cancels; value holds the proposal on entry and the answer on return.
  virtual bool InputRequester(const std::string& /*title*/, const std::string& /*prompt*/, std::string& /*value*/) {
    return false;
  }
  virtual void ShowTextWindow(const std::string& /*title*/, const std::string& /*text*/) {}
  // Chosen paths; empty when cancelled.
  virtual std::vector<std::string> FileRequester(const FileDialogRequest& /*request*/) { return {}; }
  virtual std::string FolderRequester(const std::string& /*title*/, const std::string& /*folder*/) { return {}; }
  virtual std::string ClipboardText() { return {}; }
  // Shows a pop-up menu at the keyboard focus; the chosen item comes back as a command.
  virtual void ShowPopupMenu(int /*menu*/, const std::vector<PopupItem>& /*items*/) {}
};

// The shell the logic talks to; never null (a silent shell until the UI or a test sets one).
Shell& TheShell();
void SetShell(Shell* shell);
