// The shell of the real program: the logic's view of the wx windows.
#pragma once
#include <chrono>
#include <map>
#include <string>

#include "app/Shell.h"
#include "ui/Systray.h"

class MainFrame;

class WxShell : public Shell {
 public:
  // Shows its systray item states in the frame's systray menu.
  explicit WxShell(MainFrame* frame);

  void SetMenuItemText(int id, const std::string& text) override;
  std::string GetMenuItemText(int id) override;
  void SetMenuItemChecked(int id, bool on) override;
  void SetMenuItemEnabled(int id, bool on) override;
  bool IsMenuItemChecked(int id) override;
  void SetGadgetText(int window, int gadget, const std::string& text) override;
  std::string GetGadgetText(int window, int gadget) override;
  void SetGadgetState(int window, int gadget, int state) override;
  int GetGadgetState(int window, int gadget) override;
  void EnableGadget(int window, int gadget, bool on) override;
  int FocusedGadget(int window) override;
  void FocusGadget(int window, int gadget) override;
  void SetStatusText(const std::string& text) override;
  void SetWindowTitle(const std::string& text) override;
  void SetSystrayInfo(const std::string& text) override;
  void HideMainWindow() override;
  void RestoreMainWindow() override;
  bool IsMainWindowVisible() override;
  bool IsMainWindowActive() override;
  int MessageRequester(const std::string& title, const std::string& text, int flags) override;
  bool InputRequester(const std::string& title, const std::string& prompt, std::string& value) override;
  void ShowTextWindow(const std::string& title, const std::string& text) override;
  std::vector<std::string> FileRequester(const FileDialogRequest& request) override;
  std::string FolderRequester(const std::string& title, const std::string& folder) override;
  std::string ClipboardText() override;
  void ShowPopupMenu(int menu, const std::vector<PopupItem>& items) override;

 private:
  MainFrame* frame_;
  std::map<int, TrayItem> tray_;  // the systray menu is built on each right click from these
  std::chrono::steady_clock::time_point positionHeard_{};  // when the position slider last told a screen reader
};
