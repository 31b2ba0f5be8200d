// The shell of the real program: the logic's view of the wx windows.
#pragma once
#include <chrono>
#include <map>
#include <string>

#include "app/Shell.h"

class MainFrame;

class WxShell : public Shell {
 public:
  explicit WxShell(MainFrame* frame) : frame_(frame) {}

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

  // Systray items live in a menu built on each right click; their state is kept here.
  struct TrayItem {
    std::string text;
    bool checked = false;
    bool hasText = false;
  };
  const std::map<int, TrayItem>& TrayItems() const { return tray_; }

 private:
  MainFrame* frame_;
  std::map<int, TrayItem> tray_;
  std::chrono::steady_clock::time_point positionHeard_{};  // when the position slider last told a screen reader
};
