// The notification-area icon (236) and its menu (238).
#pragma once
#include <wx/taskbar.h>

class MainFrame;

class Systray : public wxTaskBarIcon {
 public:
  explicit Systray(MainFrame* frame);
  ~Systray() override;

 protected:
  wxMenu* CreatePopupMenu() override;

 private:
  void OnLeftClick(wxTaskBarIconEvent& e);
  void OnMenu(wxCommandEvent& e);
  MainFrame* frame_;
};
