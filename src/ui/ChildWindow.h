// What every child window of the player shares: modal over its parent, the playback keys and
// timers keep working, the devices are lowered while it is open (when the user asked for it),
// the focus goes back where it was when it closes, and controls are placed by the row layout.
#pragma once
#include <wx/dialog.h>
#include <wx/weakref.h>

#include <cstdint>
#include <string>

#include "access/DialogLayout.h"

class wxBookCtrlBase;
class wxStaticText;

class ChildWindow : public wxDialog {
 public:
  // window: the number of the window's shortcut table (its gadget number); lowerVolume: call
  // EnterChildWindow/LeaveChildWindow around the window's life (every child window but the
  // Output board and the language editor).
  ChildWindow(wxWindow* parent, int window, const std::string& title, bool lowerVolume = true);
  ~ChildWindow() override;
  ChildWindow(const ChildWindow&) = delete;
  ChildWindow& operator=(const ChildWindow&) = delete;

  int Window() const { return window_; }

  // Centres the window on its parent (or the screen), names it for screen readers, focuses
  // `first` and runs the modal loop; returns the EndModal code.
  int Run(wxWindow* first);

  // The row layout of the window: margin 5, row gap 5, row height 22.
  LayoutState& RowLayout() { return layout_; }
  void StartLayout(int areaWidth, int widthReduction = 0, int y = 5);
  // Lays out one row; creates the label (before the control, so GTK names the control after
  // it) unless noLabel or the text is empty. Returns the control's rectangle.
  wxRect Row(const std::string& rowLayout, wxWindow* labelParent, const std::string& label, bool noLabel = false);
  wxStaticText* LastLabel() const { return lastLabel_; }

 protected:
  // A key of the window's own table (added with AddWindowShortcut(Window(), code, command))
  // whose command is not a player command; return true when handled.
  virtual bool OnWindowCommand(int32_t /*command*/) { return false; }
  // A player key was carried out while the window has the focus (a window that shows player
  // values follows them here).
  virtual void AfterCommonCommand(int32_t /*command*/) {}
  // Is `command` one of the window's own commands? By default: at or above kWindowCommandBase.
  virtual bool IsWindowCommand(int32_t command) const { return command >= kWindowCommandBase; }
  static constexpr int32_t kWindowCommandBase = 20000;

 private:
  void OnCharHook(wxKeyEvent& e);

  int window_;
  bool lowerVolume_;
  wxWeakRef<wxWindow> parent_;
  wxWeakRef<wxWindow> focus_;
  bool parentWasEnabled_ = true;
  LayoutState layout_;
  wxStaticText* lastLabel_ = nullptr;
};

// Sends a player command from a child window to the commands that work in every window.
void ChildWindowCommonCommand(int32_t command);
// Ctrl+Tab / Ctrl+Shift+Tab on a tabbed window: next or previous page, without wrapping round
// unless wrap is set (then from the last page to the first and back); the tab strip gets the focus.
void StepTab(wxBookCtrlBase* book, int direction, bool wrap = false);
// The main window (the parent of every child window), or null before it exists.
wxWindow* MainWindow();
