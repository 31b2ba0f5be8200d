#include "ui/ChildWindow.h"

#include <wx/app.h>
#include <wx/bookctrl.h>
#include <wx/stattext.h>

#include "access/CommonEvents.h"
#include "access/Shortcuts.h"
#include "app/AppHooks.h"
#include "audio/OutputControls.h"
#include "ui/GtkAccess.h"
#include "ui/KeyMap.h"

void ChildWindowCommonCommand(int32_t command) {
  if (Hooks().commonEvent) Hooks().commonEvent(command, false);
  else HandleCommonEvent({CommonEvent::Menu, command}, false);
}

wxWindow* MainWindow() { return wxTheApp ? wxTheApp->GetTopWindow() : nullptr; }

void StepTab(wxBookCtrlBase* book, int direction, bool wrap) {
  if (!book) return;
  int count = static_cast<int>(book->GetPageCount());
  int page = book->GetSelection() + (direction < 0 ? -1 : 1);
  if (wrap && count > 0) page = (page + count) % count;
  if (page >= 0 && page < static_cast<int>(book->GetPageCount())) book->SetSelection(static_cast<size_t>(page));
  book->SetFocus();
}

ChildWindow::ChildWindow(wxWindow* parent, int window, const std::string& title, bool lowerVolume)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(title), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE),
      window_(window),
      lowerVolume_(lowerVolume),
      parent_(parent),
      focus_(wxWindow::FindFocus()) {
  SetName(wxString::FromUTF8(title));
  if (parent) {
    parentWasEnabled_ = parent->IsEnabled();
    parent->Disable();
  }
  SetupChildWindow(window_);
  if (lowerVolume_) EnterChildWindow();
  // Escape is the window's to decide (cancel, close or nothing), never wx's.
  SetEscapeId(wxID_NONE);
  Bind(wxEVT_CHAR_HOOK, &ChildWindow::OnCharHook, this);
}

ChildWindow::~ChildWindow() {
  ForgetWindow(window_);
  if (lowerVolume_) LeaveChildWindow();
  if (parent_) {
    if (parentWasEnabled_) parent_->Enable();
    if (parent_->IsShown()) parent_->Raise();
  }
  if (focus_) focus_->SetFocus();
}

int ChildWindow::Run(wxWindow* first) {
  if (parent_ && parent_->IsShown()) CentreOnParent();
  else CentreOnScreen();
  gtkaccess::SetDialog(this, std::string(GetTitle().utf8_str()));
  if (first) first->SetFocus();
  return ShowModal();
}

void ChildWindow::StartLayout(int areaWidth, int widthReduction, int y) {
  layout_ = LayoutState{};
  layout_.areaWidth = areaWidth;
  layout_.widthReduction = widthReduction;
  layout_.currentY = y;
}

wxRect ChildWindow::Row(const std::string& rowLayout, wxWindow* labelParent, const std::string& label, bool noLabel) {
  LayoutRow(rowLayout, layout_, noLabel);
  lastLabel_ = nullptr;
  if (!noLabel && !label.empty()) {
    long style = layout_.labelAlign == kLabelRight ? wxALIGN_RIGHT : wxALIGN_CENTRE_HORIZONTAL;
    lastLabel_ = new wxStaticText(labelParent ? labelParent : this, wxID_ANY, wxString::FromUTF8(label),
                                  wxPoint(layout_.labelX, layout_.labelY), wxSize(layout_.labelW, layout_.labelH),
                                  style | wxST_NO_AUTORESIZE);
  }
  return wxRect(layout_.controlX, layout_.controlY, layout_.controlW, layout_.controlH);
}

void ChildWindow::OnCharHook(wxKeyEvent& e) {
  int32_t code = ShortcutCodeOf(e);
  int32_t command = code ? ShortcutCommand(window_, code) : 0;
  if (command == 0) {
    e.Skip();
    return;
  }
  if (IsWindowCommand(command)) {
    if (!OnWindowCommand(command)) e.Skip();
    return;
  }
  // A player key: handled here and stopped, so GTK does not also act on it (F10 opens menus).
  ChildWindowCommonCommand(command);
  AfterCommonCommand(command);
}
