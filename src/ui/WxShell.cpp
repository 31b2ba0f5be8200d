#include "ui/WxShell.h"

#include <wx/clipbrd.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/slider.h>
#include <wx/tglbtn.h>

#include "access/ShortcutTable.h"
#include "app/Commands.h"
#include "audio/OutputControls.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "settings/Settings.h"
#include "ui/HotkeyGrabber.h"
#include "ui/KeyMap.h"
#include "ui/GtkAccess.h"
#include "ui/MainFrame.h"
#include "ui/Requesters.h"
#include "ui/TextWindow.h"

namespace {
// While a child window is open the Output and Monitor are lowered when the user asked for it.
struct ChildWindowScope {
  ChildWindowScope() { EnterChildWindow(); }
  ~ChildWindowScope() { LeaveChildWindow(); }
  ChildWindowScope(const ChildWindowScope&) = delete;
  ChildWindowScope& operator=(const ChildWindowScope&) = delete;
};
wxString U(const std::string& s) { return wxString::FromUTF8(s); }
std::string S(const wxString& s) { return std::string(s.utf8_str()); }
bool IsTrayItem(int id) { return (id >= cmd::OnTopOrSystrayOut && id <= cmd::HotkeyInfo) || id == cmd::SystrayInfoItem; }
}  // namespace

WxShell::WxShell(MainFrame* frame) : frame_(frame) {
  if (Systray* tray = frame_ ? frame_->Tray() : nullptr)
    tray->SetItemSource([this](int id) -> const TrayItem* {
      auto it = tray_.find(id);
      return it != tray_.end() ? &it->second : nullptr;
    });
}

void WxShell::SetMenuItemText(int id, const std::string& text) {
  if (IsTrayItem(id)) {
    tray_[id].text = text;
    tray_[id].hasText = true;
  }
  wxMenuBar* bar = frame_->GetMenuBar();
  wxMenuItem* it = bar ? bar->FindItem(id) : nullptr;
  if (!it) return;
  // The key text after a tab is shown by the toolkit's own accelerator label (which screen
  // readers announce), built from the stored code: wx cannot parse translated key names.
  size_t tab = text.find('\t');
  it->SetItemLabel(U(text.empty() ? "..." : text.substr(0, tab)));
  if (tab == std::string::npos) return;
  const Setting* s = FindSetting(id);
  int32_t code = s ? text::ParseInt(s->Value) : 0;
  int key = WxKeyOf(code & 0xFF);
  if (key == 0) return;
  int flags = wxACCEL_NORMAL;
  if (code & kModShift) flags |= wxACCEL_SHIFT;
  if (code & kModCtrl) flags |= wxACCEL_RAW_CTRL;
  if (code & kModAlt) flags |= wxACCEL_ALT;
  wxAcceleratorEntry accel(flags, key, id);
  it->SetAccel(&accel);
}

std::string WxShell::GetMenuItemText(int id) {
  if (wxMenuBar* bar = frame_->GetMenuBar())
    if (wxMenuItem* it = bar->FindItem(id)) return S(it->GetItemLabel());
  auto t = tray_.find(id);
  return t != tray_.end() ? t->second.text : std::string();
}

void WxShell::SetMenuItemChecked(int id, bool on) {
  if (IsTrayItem(id)) tray_[id].checked = on;
  if (wxMenuBar* bar = frame_->GetMenuBar())
    if (wxMenuItem* it = bar->FindItem(id); it && it->IsCheckable()) it->Check(on);
}

void WxShell::SetMenuItemEnabled(int id, bool on) {
  if (wxMenuBar* bar = frame_->GetMenuBar())
    if (wxMenuItem* it = bar->FindItem(id)) it->Enable(on);
}

bool WxShell::IsMenuItemChecked(int id) {
  if (wxMenuBar* bar = frame_->GetMenuBar())
    if (wxMenuItem* it = bar->FindItem(id); it && it->IsCheckable()) return it->IsChecked();
  auto t = tray_.find(id);
  return t != tray_.end() && t->second.checked;
}

void WxShell::SetGadgetText(int window, int gadget, const std::string& text) {
  if (window != gadget::MainWindow) return;
  if (wxWindow* w = frame_->Gadget(gadget)) w->SetLabel(U(text));
}

std::string WxShell::GetGadgetText(int window, int gadget) {
  if (window != gadget::MainWindow) return {};
  wxWindow* w = frame_->Gadget(gadget);
  return w ? S(w->GetLabel()) : std::string();
}

void WxShell::SetGadgetState(int window, int gadget, int state) {
  if (window != gadget::MainWindow) return;
  wxWindow* w = frame_->Gadget(gadget);
  if (auto* s = dynamic_cast<wxSlider*>(w)) {
    if (s->GetValue() == state) return;
    if (gadget == gadget::Position) {
      // Playback moves the position every second: a focused slider reporting each step would
      // talk all the time. It moves on screen; a screen reader hears it once in 10 seconds
      // (the position keys say it on request).
      auto now = std::chrono::steady_clock::now();
      bool heard = now - positionHeard_ >= std::chrono::seconds(10);
      if (heard) positionHeard_ = now;
      gtkaccess::SetValueHeard(s, heard);
      s->SetValue(state);
      gtkaccess::SetValueHeard(s, true);
      return;
    }
    s->SetValue(state);
  } else if (auto* t = dynamic_cast<wxToggleButton*>(w)) {
    t->SetValue(state != 0);
  }
}

int WxShell::GetGadgetState(int window, int gadget) {
  if (window != gadget::MainWindow) return 0;
  wxWindow* w = frame_->Gadget(gadget);
  if (auto* s = dynamic_cast<wxSlider*>(w)) return s->GetValue();
  if (auto* t = dynamic_cast<wxToggleButton*>(w)) return t->GetValue() ? 1 : 0;
  return 0;
}

void WxShell::EnableGadget(int window, int gadget, bool on) {
  if (window != gadget::MainWindow) return;
  if (wxWindow* w = frame_->Gadget(gadget)) w->Enable(on);
}

int WxShell::FocusedGadget(int window) {
  if (window != gadget::MainWindow) return -1;
  return frame_->GadgetNumber(wxWindow::FindFocus());
}

void WxShell::FocusGadget(int window, int gadget) {
  if (window != gadget::MainWindow) return;
  frame_->Enable(true);
  // Raising a hidden frame would show it: a window kept in the systray only takes the focus.
  if (frame_->IsShown()) frame_->Raise();
  if (wxWindow* w = frame_->Gadget(gadget)) w->SetFocus();
}

void WxShell::SetStatusText(const std::string& text) { frame_->SetStatus(text); }

void WxShell::SetWindowTitle(const std::string& text) {
  if (S(frame_->GetTitle()) != text) frame_->SetTitle(U(text));
}

void WxShell::SetSystrayInfo(const std::string& text) {
  tray_[cmd::SystrayInfoItem].text = text;
  tray_[cmd::SystrayInfoItem].hasText = true;
}

void WxShell::HideMainWindow() { frame_->HideIntoSystray(); }
void WxShell::RestoreMainWindow() { frame_->RestoreFromSystray(); }
bool WxShell::IsMainWindowVisible() { return frame_->IsShown(); }
bool WxShell::IsMainWindowActive() { return frame_->IsShown() && HasKeyboardFocus(frame_); }

int WxShell::MessageRequester(const std::string& title, const std::string& text, int flags) {
  ChildWindowScope child;
  return ::MessageRequester(frame_, title, text, flags);
}

bool WxShell::InputRequester(const std::string& title, const std::string& prompt, std::string& value) {
  ChildWindowScope child;
  InputEnd how = InputEnd::Closed;
  std::string answer = ::InputRequester(frame_, title, prompt, value, 0, &how);
  if (how != InputEnd::Accepted) return false;
  value = answer;
  return true;
}

void WxShell::ShowTextWindow(const std::string& title, const std::string& text) {
  ChildWindowScope child;
  ::ShowTextWindow(frame_, title, text);
}

namespace {
// GTK matches file patterns with letter case; "*.Mp3" must also find "song.MP3".
wxString AnyCasePattern(const std::string& pattern) {
  wxString out;
  for (wxUniChar c : U(pattern)) {
    wxUniChar lo = wxTolower(c), up = wxToupper(c);
    if (lo != up) out << "[" << lo << up << "]";
    else out << c;
  }
  return out;
}
}  // namespace

std::vector<std::string> WxShell::FileRequester(const FileDialogRequest& r) {
  ChildWindowScope child;
  wxString wildcard;
  for (const auto& f : r.filters) {
    if (!wildcard.empty()) wildcard += "|";
    wildcard += U(f.first) + "|" + AnyCasePattern(f.second);
  }
  long style = r.save ? (wxFD_SAVE | wxFD_OVERWRITE_PROMPT) : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (r.multiple && !r.save) style |= wxFD_MULTIPLE;
  wxFileDialog dlg(frame_, U(r.title), U(r.folder), U(r.file), wildcard.empty() ? wxString("*") : wildcard, style);
  std::vector<std::string> out;
  if (dlg.ShowModal() != wxID_OK) return out;
  wxArrayString paths;
  if (r.multiple && !r.save) dlg.GetPaths(paths);
  else paths.Add(dlg.GetPath());
  for (const auto& p : paths) out.push_back(S(p));
  return out;
}

std::string WxShell::FolderRequester(const std::string& title, const std::string& folder) {
  ChildWindowScope child;
  wxDirDialog dlg(frame_, U(title), U(folder));
  if (dlg.ShowModal() != wxID_OK) return {};
  std::string p = S(dlg.GetPath());
  if (!p.empty() && p.back() != '/') p += '/';
  return p;
}

std::string WxShell::ClipboardText() {
  std::string out;
  if (wxTheClipboard->Open()) {
    if (wxTheClipboard->IsSupported(wxDF_UNICODETEXT)) {
      wxTextDataObject data;
      wxTheClipboard->GetData(data);
      out = S(data.GetText());
    }
    wxTheClipboard->Close();
  }
  return out;
}

void WxShell::ShowPopupMenu(int which, const std::vector<PopupItem>& items) {
  wxMenu menu;
  std::map<std::string, wxMenu*> subs;
  for (const auto& it : items) {
    wxMenu* target = &menu;
    if (!it.submenu.empty()) {
      auto found = subs.find(it.submenu);
      if (found == subs.end()) {
        auto* sub = new wxMenu;
        menu.AppendSubMenu(sub, U(it.submenu));
        found = subs.emplace(it.submenu, sub).first;
      }
      target = found->second;
    }
    wxMenuItem* item = it.checked ? target->AppendCheckItem(it.id, U(it.text)) : target->Append(it.id, U(it.text));
    if (it.checked) item->Check(true);
    item->Enable(it.enabled);
  }
  if (which == gadget::TrackMenu) gtkaccess::SetMenuName(&menu, Lang("Menu\\Track.Popup"));
  // The chosen item reaches the frame as a menu command, like the menu bar's items.
  wxWindow* list = frame_->Gadget(gadget::PlayList);
  (list ? list : frame_)->PopupMenu(&menu);
}
