// A shell without a screen: remembers every text, state and check the logic set,
// and answers requesters from queues the test fills.
#pragma once
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/Shell.h"

class HeadlessShell : public Shell {
 public:
  std::map<int, std::string> menuText;
  std::map<int, bool> menuChecked;
  std::map<int, bool> menuEnabled;
  std::map<std::pair<int, int>, std::string> gadgetText;
  std::map<std::pair<int, int>, int> gadgetState;
  std::map<std::pair<int, int>, bool> gadgetEnabled;
  std::string statusText, windowTitle, systrayInfo;
  bool mainVisible = true;
  bool mainActive = true;
  int focusedGadget = -1;

  struct Message {
    std::string title, text;
    int flags;
  };
  std::vector<Message> messages;
  std::deque<int> messageAnswers;  // default kAnswerYes when empty
  std::deque<std::pair<bool, std::string>> inputAnswers;
  std::vector<std::pair<std::string, std::string>> textWindows;
  std::vector<FileDialogRequest> fileRequests;
  std::deque<std::vector<std::string>> fileAnswers;
  std::deque<std::string> folderAnswers;
  std::vector<std::string> folderRequests;  // the folder each folder dialog was to open in
  std::string clipboard;
  std::vector<std::pair<int, std::vector<PopupItem>>> popupMenus;

  void SetMenuItemText(int id, const std::string& t) override { menuText[id] = t; }
  std::string GetMenuItemText(int id) override {
    auto it = menuText.find(id);
    return it == menuText.end() ? std::string() : it->second;
  }
  void SetMenuItemChecked(int id, bool on) override { menuChecked[id] = on; }
  void SetMenuItemEnabled(int id, bool on) override { menuEnabled[id] = on; }
  bool IsMenuItemChecked(int id) override { return menuChecked[id]; }
  void SetGadgetText(int w, int g, const std::string& t) override { gadgetText[{w, g}] = t; }
  std::string GetGadgetText(int w, int g) override { return gadgetText[{w, g}]; }
  void SetGadgetState(int w, int g, int s) override { gadgetState[{w, g}] = s; }
  int GetGadgetState(int w, int g) override { return gadgetState[{w, g}]; }
  void EnableGadget(int w, int g, bool on) override { gadgetEnabled[{w, g}] = on; }
  int FocusedGadget(int) override { return focusedGadget; }
  void FocusGadget(int, int g) override { focusedGadget = g; }
  void SetStatusText(const std::string& t) override { statusText = t; }
  void SetWindowTitle(const std::string& t) override { windowTitle = t; }
  void SetSystrayInfo(const std::string& t) override { systrayInfo = t; }
  void HideMainWindow() override { mainVisible = false; }
  void RestoreMainWindow() override { mainVisible = true; }
  bool IsMainWindowVisible() override { return mainVisible; }
  bool IsMainWindowActive() override { return mainActive; }
  int MessageRequester(const std::string& title, const std::string& t, int flags) override {
    messages.push_back({title, t, flags});
    if (messageAnswers.empty()) return kAnswerYes;
    int a = messageAnswers.front();
    messageAnswers.pop_front();
    return a;
  }
  bool InputRequester(const std::string&, const std::string&, std::string& value) override {
    if (inputAnswers.empty()) return false;
    auto a = inputAnswers.front();
    inputAnswers.pop_front();
    if (a.first) value = a.second;
    return a.first;
  }
  void ShowTextWindow(const std::string& title, const std::string& t) override { textWindows.emplace_back(title, t); }
  std::vector<std::string> FileRequester(const FileDialogRequest& r) override {
    fileRequests.push_back(r);
    if (fileAnswers.empty()) return {};
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
  }
  std::string FolderRequester(const std::string&, const std::string& folder) override {
    folderRequests.push_back(folder);
    if (folderAnswers.empty()) return {};
    auto a = folderAnswers.front();
    folderAnswers.pop_front();
    return a;
  }
  std::string ClipboardText() override { return clipboard; }
  void ShowPopupMenu(int menu, const std::vector<PopupItem>& items) override { popupMenus.emplace_back(menu, items); }
};
