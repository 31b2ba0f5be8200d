#include "ui/PlayedListWindow.h"

#include <wx/button.h>
#include <wx/timer.h>

#include <chrono>

#include "access/Shortcuts.h"
#include "app/Commands.h"
#include "audio/Monitor.h"
#include "lang/Lang.h"
#include "playlist/PlayedWindow.h"
#include "playlist/Track.h"
#include "settings/Settings.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"
#include "ui/PlayListView.h"

namespace {

wxString U(const std::string& s) { return wxString::FromUTF8(s); }

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The auto-play deadline is checked this often; the two seconds themselves are the logic's.
constexpr int kTickMs = 100;

class PlayedWindow : public ChildWindow {
 public:
  explicit PlayedWindow(wxWindow* parent)
      : ChildWindow(parent, kPlayedWindow, Lang("Played\\Title.PlayedList")), timer_(this) {
    const int width = (parent ? parent->GetSize().GetWidth() : 600) * 9 / 10;
    state_.Open(NowMs());
    StartLayout(width);
    wxRect r = Row("ABCDE 10", this, "", true);
    list_ = new PlayListView(this, wxID_ANY, state_.Rows(), wxDV_SINGLE | wxDV_ROW_LINES);
    list_->SetSize(r);
    gtkaccess::SetName(list_, Lang("Played\\Title.PlayedList"));
    r = Row("D", this, "", true);
    play_ = new wxButton(this, wxID_ANY, U(Lang("Played\\Button.Play")), r.GetPosition(), r.GetSize());
    r = Row("E -1", this, "", true);
    cancel_ = new wxButton(this, wxID_ANY, U(Lang("Played\\Button.Cancel")), r.GetPosition(), r.GetSize());
    SetClientSize(width, RowLayout().maxY + RowLayout().margin);

    const int w = Window();
    AddWindowShortcut(w, GetMWNumber(cmd::PreviousTrack), playedcmd::Previous);
    AddWindowShortcut(w, kVkEscape, playedcmd::Cancel);
    AddWindowShortcut(w, kVkReturn, playedcmd::Play);

    // On the window, not the list: the list's own handler has put the selection in the rows
    // by the time the event climbs up here.
    Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, [this](wxDataViewEvent&) { state_.SelectionChanged(NowMs()); });
    play_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Decide(state_.Button(PlayedControl::Play, NowMs())); });
    cancel_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Decide(state_.Button(PlayedControl::Cancel, NowMs())); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Decide(PlayedAction::Cancel); });
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Decide(state_.Tick(NowMs())); });
    timer_.Start(kTickMs);
  }
  ~PlayedWindow() override { timer_.Stop(); }

  wxWindow* First() const { return list_; }
  int32_t Chosen() const { return chosen_; }
  // What the Monitor's play key takes here: the selected entry's play list track.
  MonitorSelection Selection() {
    MonitorSelection s;
    int row = state_.Rows().FirstSelected();
    if (const Track* t = row < 0 ? nullptr : FindTrack(static_cast<int32_t>(state_.Rows().Data(row)))) {
      s.found = true;
      s.track = *t;
    }
    return s;
  }

 protected:
  bool IsWindowCommand(int32_t command) const override {
    return (command >= 3400 && command < 3500) || ChildWindow::IsWindowCommand(command);
  }
  // A player key pressed here is the user at work too: the two seconds start again.
  void AfterCommonCommand(int32_t /*command*/) override { state_.Activity(NowMs()); }
  bool OnWindowCommand(int32_t command) override {
    PlayedControl focused = wxWindow::FindFocus() == cancel_ ? PlayedControl::Cancel
                            : wxWindow::FindFocus() == play_  ? PlayedControl::Play
                                                              : PlayedControl::List;
    Decide(state_.Command(command, focused, NowMs()));
    return true;
  }

 private:
  void Decide(PlayedAction a) {
    if (a == PlayedAction::None || !IsModal()) return;
    timer_.Stop();
    chosen_ = a == PlayedAction::Play ? state_.ChosenID() : 0;
    EndModal(a == PlayedAction::Play ? wxID_OK : wxID_CANCEL);
  }

  PlayedWindowState state_;
  wxTimer timer_;
  PlayListView* list_ = nullptr;
  wxButton* play_ = nullptr;
  wxButton* cancel_ = nullptr;
  int32_t chosen_ = 0;
};

}  // namespace

int32_t OpenPlayedListWindow() {
  int32_t chosen = 0;
  {
    PlayedWindow w(MainWindow());
    SetMonitorSource([&w] { return w.Selection(); });
    chosen = w.Run(w.First()) == wxID_OK ? w.Chosen() : 0;
  }
  SetMonitorSource(nullptr);
  return chosen;
}
