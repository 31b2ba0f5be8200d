// Window 0: buttons, volume and position bars, the play list, menus, status bar and timers.
#pragma once
#include <wx/frame.h>
#include <wx/timer.h>

#include <map>
#include <memory>
#include <string>

class wxButton;
class wxToggleButton;
class wxSlider;
class wxStaticText;
class wxSplitterWindow;
class wxPanel;
class wxMenu;
class wxDataViewEvent;
class PlayListView;
class Systray;
class ListModel;

class MainFrame : public wxFrame {
 public:
  explicit MainFrame(ListModel& rows);
  ~MainFrame() override;

  wxWindow* Gadget(int number) const;
  int GadgetNumber(wxWindow* w) const;
  void SetStatus(const std::string& text);
  void HideIntoSystray();
  void RestoreFromSystray();
  Systray* Tray() const { return tray_.get(); }
  void StartTimers();
  // Applies the installed shortcuts (read from the settings).
  void InstallShortcuts();
  // The editing font ("Main\\Font.Edit") on the program's text fields.
  void ApplyFont();
  // Runs the quit sequence when a quit was requested.
  void CheckQuit();

 private:
  void CreateGadgets();
  void CreateMenuBar();
  void PlaceGadgets();
  void OnCharHook(wxKeyEvent& e);
  void OnMenu(wxCommandEvent& e);
  void OnButton(wxCommandEvent& e);
  void OnSlider(wxCommandEvent& e);
  void OnListSelection(wxDataViewEvent& e);
  void OnTimer(wxTimerEvent& e);
  void OnIdle(wxIdleEvent& e);
  void OnSize(wxSizeEvent& e);
  void OnMove(wxMoveEvent& e);
  void OnIconize(wxIconizeEvent& e);
  void OnClose(wxCloseEvent& e);
  void Command(int id);
  void ReturnKey();

  ListModel& rows_;
  wxPanel* panel_ = nullptr;
  wxButton* play_ = nullptr;
  wxButton* pause_ = nullptr;
  wxButton* stop_ = nullptr;
  wxToggleButton* record_ = nullptr;
  wxStaticText* volumeLabel_ = nullptr;
  wxSlider* volume_ = nullptr;
  wxSplitterWindow* splitter_ = nullptr;
  wxStaticText* positionLabel_ = nullptr;
  wxSlider* position_ = nullptr;
  PlayListView* list_ = nullptr;
  std::unique_ptr<Systray> tray_;
  std::map<int, std::unique_ptr<wxTimer>> timers_;
  std::string statusText_;
  bool quitting_ = false;
};
