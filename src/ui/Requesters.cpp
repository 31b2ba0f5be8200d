#include "ui/Requesters.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <chrono>
#include <map>

#include "access/CommonEvents.h"
#include "access/Shortcuts.h"
#include "app/AppHooks.h"
#include "lang/Lang.h"
#include "ui/GtkAccess.h"
#include "ui/KeyMap.h"

namespace {
wxString U(const std::string& s) { return wxString::FromUTF8(s); }
std::string S(const wxString& s) { return std::string(s.utf8_str()); }
wxPoint At(const RequesterRect& r) { return wxPoint(r.x, r.y); }
wxSize Size(const RequesterRect& r) { return wxSize(r.w, r.h); }

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A requester's own shortcut table. A playback key pressed inside one may report an error in
// another requester, so each open requester gets a window number of its own.
constexpr int kRequesterWindowBase = 9100;
int openRequesters = 0;

class ShortcutScope {
 public:
  ShortcutScope() : window_(kRequesterWindowBase + openRequesters++) { SetupChildWindow(window_); }
  ~ShortcutScope() {
    ForgetWindow(window_);
    --openRequesters;
  }
  ShortcutScope(const ShortcutScope&) = delete;
  ShortcutScope& operator=(const ShortcutScope&) = delete;
  int Window() const { return window_; }

 private:
  int window_;
};

// The player's keys inside a requester go where they go in every child window. The timers of
// the main window keep firing during the modal loop, so the requester runs none of its own.
void CommonCommand(int32_t command) {
  if (Hooks().commonEvent) Hooks().commonEvent(command, false);
  else HandleCommonEvent({CommonEvent::Menu, command}, false);
}

bool IsRequesterCommand(int32_t c) { return c >= kReqCmdYes && c <= kReqCmdEscape; }

// The control focused before the requester opened gets the focus back when it closes.
class FocusKeeper {
 public:
  explicit FocusKeeper(wxWindow* parent) : parent_(parent), focus_(wxWindow::FindFocus()) {}
  ~FocusKeeper() {
    if (parent_ && parent_->IsShown()) parent_->Raise();
    if (focus_) focus_->SetFocus();
  }
  FocusKeeper(const FocusKeeper&) = delete;
  FocusKeeper& operator=(const FocusKeeper&) = delete;

 private:
  wxWeakRef<wxWindow> parent_;
  wxWeakRef<wxWindow> focus_;
};

void Place(wxDialog& dlg, wxWindow* parent) {
  if (parent && parent->IsShown()) dlg.CentreOnParent();
  else dlg.CentreOnScreen();
}

// Button ids of our own: wx gives wxID_OK/wxID_CANCEL buttons behaviour we do not want here.
enum { kIdYes = wxID_HIGHEST + 601, kIdNo, kIdCancel };

class MessageDialog : public wxDialog {
 public:
  MessageDialog(wxWindow* parent, const std::string& title, const std::string& text, int set, int window)
      : wxDialog(parent, wxID_ANY, U(title), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
        keys_(set),
        window_(window),
        timer_(this) {
    MessageRequesterGeometry g = MessageRequesterLayout(text, set);
    wxString t = U(text);
    t.Replace("\r\n", "\n");
    message_ = new wxTextCtrl(this, wxID_ANY, t, At(g.message), Size(g.message), wxTE_MULTILINE | wxTE_READONLY);
    for (const auto& [which, r] : g.buttons) {
      int id = which == RequesterControl::No ? kIdNo : which == RequesterControl::Cancel ? kIdCancel : kIdYes;
      // The message box ends 10 pixels below the top of the button row; the buttons go under it.
      RequesterRect below = r;
      below.y += g.message.y;
      auto* b = new wxButton(this, id, U(Lang(RequesterButtonKey(which, set))), At(below), Size(below));
      if (which == g.defaultButton) b->SetDefault();
      buttons_[which] = b;
    }
    // The focus leaves the message for the first button soon after the window opens, and a
    // screen reader then stops reading the message (of several lines it had begun only the
    // first): the button carries the whole message, read where the focus stays.
    auto first = buttons_.find(RequesterControl::Yes);
    if (first != buttons_.end()) gtkaccess::SetDescription(first->second, text);
    SetClientSize(g.width, g.height + g.message.y);
    SetEscapeId(wxID_NONE);
    keys_.InstallKeys(window_);  // after the playback keys, so a requester's letter wins

    Bind(wxEVT_CHAR_HOOK, &MessageDialog::OnCharHook, this);
    Bind(wxEVT_BUTTON, &MessageDialog::OnButton, this);
    Bind(wxEVT_CLOSE_WINDOW, &MessageDialog::OnClose, this);
    Bind(wxEVT_ACTIVATE, &MessageDialog::OnActivate, this);
    Bind(wxEVT_TIMER, &MessageDialog::OnTimer, this);
  }

  int Run() {
    keys_.Activated(NowMs());
    ShowFocus();
    timer_.Start(20);
    int r = ShowModal();
    timer_.Stop();
    return r == kAnswerYes || r == kAnswerNo ? r : kAnswerCancel;
  }

 private:
  void ShowFocus() {
    wxWindow* w = message_;
    if (keys_.Focus() != RequesterControl::Message) w = buttons_[keys_.Focus()];
    shown_ = keys_.Focus();
    if (w && wxWindow::FindFocus() != w) w->SetFocus();
  }

  void EndIfAnswered() {
    if (keys_.Answered() && IsModal()) EndModal(keys_.Result());
  }

  void OnCharHook(wxKeyEvent& e) {
    int32_t code = ShortcutCodeOf(e);
    int32_t command = code ? ShortcutCommand(window_, code) : 0;
    if (command == 0) {
      e.Skip();
      return;
    }
    if (IsRequesterCommand(command)) {
      keys_.Command(command, NowMs());
      ShowFocus();
      EndIfAnswered();
    } else {
      CommonCommand(command);
    }
    // A handled key goes no further: GTK would move the focus on Tab or open things on F10.
  }

  void OnButton(wxCommandEvent& e) {
    switch (e.GetId()) {
      case kIdYes: keys_.Click(RequesterControl::Yes); break;
      case kIdNo: keys_.Click(RequesterControl::No); break;
      case kIdCancel: keys_.Click(RequesterControl::Cancel); break;
      default: e.Skip(); return;
    }
    EndIfAnswered();
  }

  void OnClose(wxCloseEvent&) {
    keys_.Closed();
    EndIfAnswered();
  }

  void OnActivate(wxActivateEvent& e) {
    if (e.GetActive() && !keys_.Answered()) {
      keys_.Activated(NowMs());
      ShowFocus();
    }
    e.Skip();
  }

  void OnTimer(wxTimerEvent&) {
    keys_.Tick(NowMs());
    if (keys_.Focus() != shown_) ShowFocus();
  }

  RequesterKeys keys_;
  int window_;
  wxTimer timer_;
  wxTextCtrl* message_ = nullptr;
  std::map<RequesterControl, wxButton*> buttons_;
  RequesterControl shown_ = RequesterControl::Message;
};

class InputDialog : public wxDialog {
 public:
  InputDialog(wxWindow* parent, const std::string& title, const std::string& prompt, const InputRequesterSetup& s,
              int options, int window)
      : wxDialog(parent, wxID_ANY, U(title), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
        options_(options),
        window_(window) {
    // The prompt is created first: GTK names the answer field after it.
    new wxStaticText(this, wxID_ANY, U(prompt), At(s.prompt), Size(s.prompt));
    if (s.dropDown) {
      wxArrayString items;
      for (const auto& c : s.choices) items.Add(U(c));
      auto* combo = new wxComboBox(this, wxID_ANY, U(s.text), At(s.field), Size(s.field), items, wxCB_DROPDOWN);
      combo->SetSelection(0);
      gtkaccess::SkipDropDownButton(combo);
      field_ = combo;
      entry_ = combo;
    } else {
      auto* text = new wxTextCtrl(this, wxID_ANY, U(s.text), At(s.field), Size(s.field),
                                  s.password ? wxTE_PASSWORD : 0);
      field_ = text;
      entry_ = text;
      if (s.digitsOnly) {
        text->Bind(wxEVT_CHAR, &InputDialog::OnFieldChar, this);
        text->Bind(wxEVT_TEXT, &InputDialog::OnFieldText, this);
      }
    }
    // wx does not tie the prompt to the field on GTK: name the field after it.
    if (s.dropDown) gtkaccess::SetEntryName(field_, prompt);
    else gtkaccess::SetName(field_, prompt);
    if (s.maxLength > 0) entry_->SetMaxLength(static_cast<unsigned long>(s.maxLength));
    auto* ok = new wxButton(this, kIdYes, U(Lang("RequestButton.Ok")), At(s.ok), Size(s.ok));
    ok->SetDefault();
    SetClientSize(s.width, s.height);
    SetEscapeId(wxID_NONE);
    AddWindowShortcut(window_, 13, kReqCmdActivate);
    AddWindowShortcut(window_, 27, kReqCmdEscape);

    Bind(wxEVT_CHAR_HOOK, &InputDialog::OnCharHook, this);
    Bind(wxEVT_BUTTON, &InputDialog::OnButton, this);
    Bind(wxEVT_CLOSE_WINDOW, &InputDialog::OnClose, this);
    Bind(wxEVT_ACTIVATE, &InputDialog::OnActivate, this);
  }

  void Run() {
    FocusField();
    ShowModal();
  }
  InputEnd How() const { return how_; }
  const std::string& Text() const { return text_; }

 private:
  void FocusField() {
    field_->SetFocus();
    entry_->SelectAll();
  }

  void End(InputEnd how) {
    how_ = how;
    text_ = S(entry_->GetValue());
    if (IsModal()) EndModal(wxID_OK);
  }

  void OnCharHook(wxKeyEvent& e) {
    int32_t code = ShortcutCodeOf(e);
    int32_t command = code ? ShortcutCommand(window_, code) : 0;
    if (command == kReqCmdActivate) End(InputEnd::Accepted);
    else if (command == kReqCmdEscape) End(InputEnd::Escaped);
    else if (command != 0 && !IsRequesterCommand(command)) CommonCommand(command);
    else e.Skip();
  }

  void OnFieldChar(wxKeyEvent& e) {
    wxChar c = e.GetUnicodeKey();
    // Editing and moving keys pass; only typed characters are checked.
    if (c == WXK_NONE || c < 32 || e.ControlDown() || e.AltDown() || InputAcceptsChar(options_, c)) e.Skip();
  }

  // Pasted text is cut down to its digits.
  void OnFieldText(wxCommandEvent& e) {
    wxString v = entry_->GetValue(), kept;
    for (wxUniChar c : v)
      if (InputAcceptsChar(options_, static_cast<char32_t>(c.GetValue()))) kept += c;
    if (kept != v) {
      long at = entry_->GetInsertionPoint();
      entry_->ChangeValue(kept);
      entry_->SetInsertionPoint(std::min<long>(at, static_cast<long>(kept.length())));
    }
    e.Skip();
  }

  void OnButton(wxCommandEvent& e) {
    if (e.GetId() == kIdYes) End(InputEnd::Accepted);
    else e.Skip();
  }

  void OnClose(wxCloseEvent&) { End(InputEnd::Closed); }

  void OnActivate(wxActivateEvent& e) {
    if (e.GetActive() && IsModal()) FocusField();
    e.Skip();
  }

  int options_;
  int window_;
  wxWindow* field_ = nullptr;
  wxTextEntry* entry_ = nullptr;
  InputEnd how_ = InputEnd::Closed;
  std::string text_;
};
}  // namespace

int MessageRequester(wxWindow* parent, const std::string& title, const std::string& text, int flags) {
  FocusKeeper keep(parent);
  ShortcutScope scope;
  MessageDialog dlg(parent, title, text, ButtonSetFromFlags(flags), scope.Window());
  Place(dlg, parent);
  gtkaccess::SetDialog(&dlg, title);
  return dlg.Run();
}

std::string InputRequester(wxWindow* parent, const std::string& title, const std::string& prompt,
                           const std::string& defaultText, int options, InputEnd* how) {
  FocusKeeper keep(parent);
  ShortcutScope scope;
  InputDialog dlg(parent, title, prompt, PrepareInputRequester(defaultText, options), options, scope.Window());
  Place(dlg, parent);
  gtkaccess::SetDialog(&dlg, title);
  dlg.Run();
  if (how) *how = dlg.How();
  return InputRequesterAnswer(dlg.How(), dlg.Text(), options);
}
