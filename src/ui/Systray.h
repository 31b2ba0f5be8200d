// The notification-area icon (236) and its menu (238).
#pragma once
#include <wx/taskbar.h>

#include <functional>
#include <string>

// What the shell last set for one item of the menu (the menu is built on each right click).
struct TrayItem {
  std::string text;
  bool checked = false;
  bool hasText = false;
};

class Systray : public wxTaskBarIcon {
 public:
  // onCommand runs a chosen menu item as the main window's menu does.
  explicit Systray(std::function<void(int)> onCommand);
  ~Systray() override;
  // Where the menu finds the items' texts and checks (null: as the menu tree gives them).
  void SetItemSource(std::function<const TrayItem*(int)> source) { items_ = std::move(source); }

 protected:
  wxMenu* CreatePopupMenu() override;

 private:
  void OnLeftClick(wxTaskBarIconEvent& e);
  void OnMenu(wxCommandEvent& e);
  std::function<void(int)> onCommand_;
  std::function<const TrayItem*(int)> items_;
};
