#include "ui/MainFrame.h"

#include <wx/button.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/tglbtn.h>

#include <csignal>

#include "access/ShortcutTable.h"
#include "access/Shortcuts.h"
#include "app/AppState.h"
#include "audio/Monitor.h"
#include "audio/OutputControls.h"
#include "app/Commands.h"
#include "app/Dispatch.h"
#include "app/FileUtil.h"
#include "app/MenuTree.h"
#include "app/Startup.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"
#include "ui/GtkAccess.h"
#include "ui/KeyMap.h"
#include "ui/PlayListView.h"
#include "ui/Run.h"
#include "ui/Systray.h"

namespace {
wxString U(const std::string& s) { return wxString::FromUTF8(s); }

void AppendMenu(wxMenu* menu, const std::vector<MenuNode>& nodes) {
  for (const auto& n : nodes) {
    switch (n.kind) {
      case MenuNode::Separator: menu->AppendSeparator(); break;
      case MenuNode::Submenu: {
        auto* sub = new wxMenu;
        AppendMenu(sub, n.children);
        menu->AppendSubMenu(sub, U(n.text));
        break;
      }
      case MenuNode::Item: {
        // Empty texts (recent entries before they are filled) would make GTK draw a stock item.
        wxString label = n.text.empty() ? wxString("...") : U(n.text);
        wxMenuItem* it = n.checkable ? menu->AppendCheckItem(n.id, label) : menu->Append(n.id, label);
        it->Enable(n.enabled);
        break;
      }
    }
  }
}
}  // namespace

MainFrame::MainFrame(ListModel& rows)
    : wxFrame(nullptr, gadget::MainWindow, U(App.AppName), wxPoint(App.MainWindowX, App.MainWindowY), wxDefaultSize,
              wxDEFAULT_FRAME_STYLE),
      rows_(rows) {
  SetMinSize(wxSize(600, 400));
#ifdef __WXMSW__
  // The program file's icon in all its sizes: the title bar, the taskbar and Alt+Tab show it.
  SetIcons(wxIconBundle("TONDRIAL", 0));
#endif
  CreateGadgets();
  ApplyFont();
  wxStatusBar* sb = CreateStatusBar(1, wxSTB_DEFAULT_STYLE, gadget::StatusBar);
  if (!sb) FatalCreationError(9);
  gtkaccess::SetStatusBar(sb, App.AppName);
  CreateMenuBar();
  int menuH = GetMenuBar() ? GetMenuBar()->GetSize().GetHeight() : 0;
  SetClientSize(wxSize(std::max(App.MainWindowW, 100), std::max(App.MainWindowH - menuH, 100)));
  Move(App.MainWindowX, App.MainWindowY);
  if (App.MainWindowZ == kWindowMaximized) Maximize(true);

  Bind(wxEVT_CHAR_HOOK, &MainFrame::OnCharHook, this);
  Bind(wxEVT_MENU, &MainFrame::OnMenu, this);
  Bind(wxEVT_BUTTON, &MainFrame::OnButton, this);
  Bind(wxEVT_SLIDER, &MainFrame::OnSlider, this);
  Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, &MainFrame::OnListSelection, this);
  Bind(wxEVT_TIMER, &MainFrame::OnTimer, this);
  Bind(wxEVT_IDLE, &MainFrame::OnIdle, this);
  Bind(wxEVT_SIZE, &MainFrame::OnSize, this);
  Bind(wxEVT_MOVE, &MainFrame::OnMove, this);
  Bind(wxEVT_ICONIZE, &MainFrame::OnIconize, this);
  Bind(wxEVT_CLOSE_WINDOW, &MainFrame::OnClose, this);

  tray_ = std::make_unique<Systray>([this](int id) { Command(id); });
}

MainFrame::~MainFrame() {
  for (auto& t : timers_) t.second->Stop();
}

void MainFrame::CreateGadgets() {
  panel_ = new wxPanel(this, wxID_ANY);
  // Labels come before the controls they name: GTK takes a control's accessible name from it.
  volumeLabel_ = new wxStaticText(panel_, gadget::VolumeLabel, U(Lang("Main\\Text.Volume")), wxPoint(0, 0), wxSize(10, 10));
  volume_ = new wxSlider(panel_, gadget::Volume, 0, 0, 100, wxPoint(0, 0), wxSize(30, 94), wxSL_VERTICAL | wxSL_INVERSE);
  play_ = new wxButton(panel_, gadget::Play, U(Lang("Main\\Button.Play")), wxPoint(0, 0), wxSize(10, 10));
  pause_ = new wxButton(panel_, gadget::Pause, U(Lang("Main\\Button.Pause")), wxPoint(0, 0), wxSize(10, 10));
  stop_ = new wxButton(panel_, gadget::Stop, U(Lang("Main\\Button.Stop")), wxPoint(0, 0), wxSize(10, 10));
  record_ = new wxToggleButton(panel_, gadget::Record, U(Lang("Main\\Button.Record")), wxPoint(0, 0), wxSize(10, 10));
  splitter_ = new wxSplitterWindow(panel_, gadget::PositionSplitter, wxPoint(0, 0), wxSize(485, 25), wxSP_3DSASH | wxSP_LIVE_UPDATE);
  splitter_->SetMinimumPaneSize(20);
  positionLabel_ = new wxStaticText(splitter_, gadget::PositionLabel, U(Lang("Main\\Text.Position")));
  position_ = new wxSlider(splitter_, gadget::Position, 0, 0, 100);
  splitter_->SplitVertically(positionLabel_, position_, 100);
  list_ = new PlayListView(panel_, gadget::PlayList, rows_);
  if (!volumeLabel_ || !volume_ || !play_ || !pause_ || !stop_ || !record_ || !splitter_ || !positionLabel_ ||
      !position_ || !list_)
    FatalCreationError(7);
  gtkaccess::SetName(volume_, Lang("Main\\Text.Volume"));
  gtkaccess::SetName(position_, Lang("Main\\Text.Position"));
  // The program announces each new volume itself ("Volume 61%"): a screen reader's echo of
  // the bare number would say it twice.
  gtkaccess::SetValueHeard(volume_, false);
  gtkaccess::SetName(list_, std::string(wxStripMenuCodes(U(Lang("Menu.PlayList"))).utf8_str()));
}

void MainFrame::ApplyFont() {
  auto parts = text::Split(GetMWValue(setting::FontEdit), ';');
  int size = parts.size() > 1 ? text::ParseInt(parts[1]) : 10;
  if (size <= 0) size = 10;
  wxFont font(wxFontInfo(size).FaceName(parts.empty() ? wxString() : U(text::Trim(parts[0]))));
  if (!font.IsOk()) font = wxFont(wxFontInfo(10));
  for (wxWindow* w : std::initializer_list<wxWindow*>{play_, pause_, stop_, record_, volumeLabel_, positionLabel_, list_})
    w->SetFont(font);
}

void MainFrame::CreateMenuBar() {
  auto* bar = new wxMenuBar;
  bool whatsNew = fileutil::Exists(DataFolder() + "Historique.txt");
  // F10 is a player key, so the menu bar is reached by Alt and a letter: each title gets
  // the first letter not taken by an earlier title.
  std::wstring taken;
  for (const auto& top : MainMenuTree(whatsNew)) {
    auto* menu = new wxMenu;
    AppendMenu(menu, top.children);
    wxString title = U(top.text);
    if (title.Find('&') == wxNOT_FOUND) {
      for (size_t i = 0; i < title.length(); ++i) {
        wxChar c = wxTolower(title[i]);
        if (wxIsalpha(c) && taken.find(c) == std::wstring::npos) {
          taken += c;
          title.insert(i, "&");
          break;
        }
      }
    }
    bar->Append(menu, title);
  }
  SetMenuBar(bar);
}

wxWindow* MainFrame::Gadget(int number) const {
  switch (number) {
    case gadget::MainWindow: return const_cast<MainFrame*>(this);
    case gadget::Play: return play_;
    case gadget::Pause: return pause_;
    case gadget::Stop: return stop_;
    case gadget::Record: return record_;
    case gadget::VolumeLabel: return volumeLabel_;
    case gadget::Volume: return volume_;
    case gadget::PositionLabel: return positionLabel_;
    case gadget::Position: return position_;
    case gadget::PositionSplitter: return splitter_;
    case gadget::PlayList: return list_;
    case gadget::StatusBar: return GetStatusBar();
    default: return nullptr;
  }
}

int MainFrame::GadgetNumber(wxWindow* w) const {
  for (int n : {2, 4, 6, 8, 10, 12, 16, 18, 20, 22})
    if (w && (Gadget(n) == w || (n == gadget::PlayList && list_->Contains(w)))) return n;
  return -1;
}

void MainFrame::SetStatus(const std::string& t) {
  if (t == statusText_) return;
  statusText_ = t;
  SetStatusText(U(t));
  gtkaccess::SetStatusBar(GetStatusBar(), t.empty() ? App.AppName : t);
}

void MainFrame::PlaceGadgets() {
  if (!panel_) return;
  wxSize c = GetClientSize();
  panel_->SetSize(c);
  MainLayout l = LayoutMainWindow(c.GetWidth(), c.GetHeight());
  auto place = [](wxWindow* w, const Rect& r) { w->SetSize(r.x, r.y, std::max(r.w, 1), std::max(r.h, 1)); };
  place(volumeLabel_, l.volumeLabel);
  place(volume_, l.volume);
  place(play_, l.play);
  place(pause_, l.pause);
  place(stop_, l.stop);
  place(record_, l.record);
  place(splitter_, l.position);
  place(list_, l.playList);
  for (int col = 0; col < 6; ++col) rows_.SetColumnWidth(col, l.columns[col]);
}

void MainFrame::StartTimers() {
  for (int t : {timer::SaveSettings, timer::SyncEvents, timer::MonitorCounter, timer::Display}) {
    timers_[t] = std::make_unique<wxTimer>(this, t);
    timers_[t]->Start(timer::Period(t));
  }
}

void MainFrame::InstallShortcuts() { InstallMainShortcuts(); }

void MainFrame::OnCharHook(wxKeyEvent& e) {
  int32_t code = ShortcutCodeOf(e);
  int32_t command = code ? ShortcutCommand(kShortcutMainWindow, code) : 0;
  if (command == kCommandReturn) {
    // Return acts on the play list and the push buttons; elsewhere it keeps its own meaning.
    int g = GadgetNumber(FindFocus());
    if (g != gadget::PlayList && g != gadget::Play && g != gadget::Pause && g != gadget::Stop) {
      e.Skip();
      return;
    }
    ReturnKey();
    return;
  }
  if (command != 0) {
    Command(command);
    return;  // a handled key goes no further (GTK would open the menu bar on F10)
  }
  e.Skip();
}

void MainFrame::ReturnKey() {
  int g = GadgetNumber(FindFocus());
  if (g == gadget::PlayList) Command(cmd::ReturnKey);
  else if (g == gadget::Play) Command(cmd::Play);
  else if (g == gadget::Pause) Command(cmd::Pause);
  else if (g == gadget::Stop) Command(cmd::Stop);
}

void MainFrame::Command(int id) {
  MainWindowCommand(id);
  CheckQuit();
}

void MainFrame::OnMenu(wxCommandEvent& e) { Command(e.GetId()); }

void MainFrame::OnButton(wxCommandEvent& e) {
  switch (e.GetId()) {
    case gadget::Play: Command(cmd::Play); break;
    case gadget::Pause: Command(cmd::Pause); break;
    case gadget::Stop: Command(cmd::Stop); break;
    default: e.Skip(); break;
  }
}

void MainFrame::OnSlider(wxCommandEvent& e) {
  if (e.GetId() == gadget::Volume) SetOutputVolume(volume_->GetValue(), 0, false);
  else if (e.GetId() == gadget::Position) MovePosition(0);
  else e.Skip();
}

void MainFrame::OnListSelection(wxDataViewEvent& e) {
  MonitorFollowSelection();
  e.Skip();
}

void MainFrame::OnTimer(wxTimerEvent& e) {
  if (QuitSignalled()) App.QuitRequested = true;
  MainWindowTimer(e.GetId());
  // The Monitor's double-press count only needs its tick while it runs down: an idle program
  // should not wake for it (OnIdle starts it again after the next Monitor play command).
  if (e.GetId() == timer::MonitorCounter && MonitorRepeatCounter() == 0) timers_[timer::MonitorCounter]->Stop();
  CheckQuit();
}

void MainFrame::OnIdle(wxIdleEvent& e) {
  // Idle events follow every batch of events, from any window, so a count set by a command
  // starts its tick here; an idle program gets none.
  auto it = timers_.find(timer::MonitorCounter);
  if (it != timers_.end() && MonitorRepeatCounter() > 0 && !it->second->IsRunning())
    it->second->Start(timer::Period(timer::MonitorCounter));
  e.Skip();
}

void MainFrame::OnSize(wxSizeEvent& e) {
  if (!IsMaximized() && !IsIconized() && IsShown()) {
    int menuH = GetMenuBar() ? GetMenuBar()->GetSize().GetHeight() : 0;
    App.MainWindowW = GetClientSize().GetWidth();
    App.MainWindowH = GetClientSize().GetHeight() + menuH;
    App.SettingsChanged = true;
  }
  int z = IsMaximized() ? kWindowMaximized : 0;
  if (!IsIconized() && z != App.MainWindowZ) {
    App.MainWindowZ = z;
    App.SettingsChanged = true;
  }
  PlaceGadgets();
  e.Skip();
}

void MainFrame::OnMove(wxMoveEvent& e) {
  if (!IsMaximized() && !IsIconized() && IsShown()) {
    App.MainWindowX = GetPosition().x;
    App.MainWindowY = GetPosition().y;
    App.SettingsChanged = true;
  }
  e.Skip();
}

void MainFrame::OnIconize(wxIconizeEvent& e) {
  if (e.IsIconized()) HideToSystray();
}

void MainFrame::HideIntoSystray() {
  Hide();
  App.HiddenInSystray = true;
}

void MainFrame::RestoreFromSystray() {
  App.HiddenInSystray = false;
  Iconize(false);
  Show(true);
  Maximize(App.MainWindowZ == kWindowMaximized);
  Raise();
  list_->SetFocus();
}

void MainFrame::OnClose(wxCloseEvent& e) {
  if (e.CanVeto()) e.Veto();
  App.QuitRequested = true;
  CheckQuit();
}

void MainFrame::CheckQuit() {
  if (!App.QuitRequested || quitting_) return;
  quitting_ = true;
  for (auto& t : timers_) t.second->Stop();
  ShutDown();  // always 0: the loop ends with the last window
  tray_.reset();
  Destroy();
}
