#include "ui/ExploreWindow.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/textctrl.h>

#include "access/Shortcuts.h"
#include "app/Commands.h"
#include "audio/Monitor.h"
#include "lang/Lang.h"
#include "playlist/Explorer.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"
#include "ui/PlayListView.h"

namespace {

wxString U(const std::string& s) { return wxString::FromUTF8(s); }

class ExploreDialog : public ChildWindow {
 public:
  ExploreDialog(wxWindow* parent, const std::string& place)
      : ChildWindow(parent, kExploreWindow, Lang("Title.Explore")), model_(place) {
    const int width = parent ? parent->GetSize().GetWidth() * 9 / 10 : 600;
    StartLayout(width);
    // A GTK drop-down list needs more height than a row has: its row gets what it needs.
    filter_ = new wxChoice(this, wxID_ANY);
    for (const std::string& t : ExploreFilterTexts()) filter_->Append(U(t));
    const int rowHeight = RowLayout().rowHeight;
    RowLayout().rowHeight = std::max(rowHeight, filter_->GetBestSize().GetHeight());
    wxRect r = Row("CDE", this, Lang("Explore\\Combo.Filter"));
    RowLayout().rowHeight = rowHeight;
    filter_->SetSize(r);
    filter_->SetSelection(kExploreMultiMedia);
    // GTK names neither a drop-down list nor a read-only field after the label before it.
    gtkaccess::SetName(filter_, Lang("Explore\\Combo.Filter"));
    r = Row("CDE", this, Lang("Explore\\String.Source"));
    source_ = new wxTextCtrl(this, wxID_ANY, U(model_.Source()), r.GetPosition(), r.GetSize(), wxTE_READONLY);
    gtkaccess::SetName(source_, Lang("Explore\\String.Source"));
    r = Row("ABCDE 12", this, "", true);
    list_ = new PlayListView(this, wxID_ANY, model_.Rows(), wxDV_SINGLE | wxDV_ROW_LINES);
    list_->SetSize(r);
    gtkaccess::SetName(list_, Lang("Title.Explore"));
    r = Row("AB", this, "", true);
    first_ = new wxButton(this, wxID_ANY, "", r.GetPosition(), r.GetSize());
    r = Row("CDE -1", this, "", true);
    second_ = new wxButton(this, wxID_ANY, "", r.GetPosition(), r.GetSize());
    r = Row("AB", this, "", true);
    back_ = new wxButton(this, wxID_ANY, U(Explorer::BackButtonText()), r.GetPosition(), r.GetSize());
    r = Row("DE -1", this, "", true);
    close_ = new wxButton(this, wxID_ANY, U(Lang("RequestButton.Close")), r.GetPosition(), r.GetSize());
    SetClientSize(width, RowLayout().maxY);

    // After the player's keys, so these win where they meet.
    AddWindowShortcut(Window(), kVkEscape, kCmdClose);
    AddWindowShortcut(Window(), kVkReturn, kCmdReturn);
    AddWindowShortcut(Window(), kVkSpace, kCmdSpace);
    AddWindowShortcut(Window(), kVkBack, kCmdBack);
    AddWindowShortcut(Window(), kVkLeft | kModAlt, kCmdBack);

    Bind(wxEVT_BUTTON, &ExploreDialog::OnButton, this);
    filter_->Bind(wxEVT_CHOICE, &ExploreDialog::OnFilter, this);
    Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, &ExploreDialog::OnSelection, this, list_->GetId());
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndModal(0); });

    // The Monitor pre-listens what this list has selected while the window is open.
    SetMonitorSource([this] {
      MonitorSelection s;
      if (auto t = model_.MonitorEntry()) {
        s.found = true;
        s.track = *t;
      }
      return s;
    });
    SyncView();
  }

  ~ExploreDialog() override { SetMonitorSource(nullptr); }

  int32_t RunExplorer() {
    Run(list_);
    return model_.Close();
  }

 protected:
  bool OnWindowCommand(int32_t command) override {
    switch (command) {
      case kCmdClose: EndModal(0); return true;
      case kCmdReturn:
        if (model_.Return(Focused())) EndModal(0);
        else SyncView();
        return true;
      case kCmdSpace:
        if (model_.Space(Focused())) EndModal(0);
        else SyncView();
        return true;
      case kCmdBack:
        model_.Back();
        SyncView();
        return true;
      default: return false;
    }
  }

 private:
  enum : int32_t { kCmdClose = kWindowCommandBase, kCmdReturn, kCmdSpace, kCmdBack };

  ExploreControl Focused() const {
    wxWindow* f = FindFocus();
    if (f == filter_) return ExploreControl::Filter;
    if (f == source_) return ExploreControl::Source;
    if (f == first_) return ExploreControl::FirstButton;
    if (f == second_) return ExploreControl::SecondButton;
    if (f == back_) return ExploreControl::Back;
    if (f == close_) return ExploreControl::Close;
    return ExploreControl::List;
  }

  // Shows what the model holds now; a text is set only when it changed, so a screen reader
  // does not hear an unchanged button again.
  void SyncView() {
    wxString title = U(model_.Title());
    if (GetTitle() != title) {
      SetTitle(title);
      gtkaccess::SetDialog(this, model_.Title());
    }
    wxString source = U(model_.Source());
    if (source_->GetValue() != source) source_->ChangeValue(source);
    if (filter_->GetSelection() != model_.FilterItem()) filter_->SetSelection(model_.FilterItem());
    for (auto [button, text] : {std::pair{first_, &model_.FirstButtonText()}, std::pair{second_, &model_.SecondButtonText()}}) {
      wxString label = U(*text);
      if (button->GetLabel() != label) button->SetLabel(label);
      // A button without a text has nothing to do: it leaves the tab order.
      button->Enable(!text->empty());
    }
  }

  void OnButton(wxCommandEvent& e) {
    wxObject* b = e.GetEventObject();
    if (b == close_) {
      EndModal(0);
      return;
    }
    if (b == first_) model_.FirstButton();
    else if (b == second_) model_.SecondButton();
    else if (b == back_) model_.Back();
    else {
      e.Skip();
      return;
    }
    SyncView();
  }

  void OnFilter(wxCommandEvent&) {
    model_.ChooseFilter(filter_->GetSelection());
    SyncView();
  }

  void OnSelection(wxDataViewEvent& e) {
    model_.SelectionChanged();
    MonitorFollowSelection();
    SyncView();
    e.Skip();
  }

  Explorer model_;
  wxChoice* filter_ = nullptr;
  wxTextCtrl* source_ = nullptr;
  PlayListView* list_ = nullptr;
  wxButton* first_ = nullptr;
  wxButton* second_ = nullptr;
  wxButton* back_ = nullptr;
  wxButton* close_ = nullptr;
};

}  // namespace

int32_t ExplorerWindow(const std::string& place, wxWindow* parent) {
  ExploreDialog dlg(parent, place);
  return dlg.RunExplorer();
}

void OpenExplorerFor(int command) {
  if (auto place = ExplorePlaceOf(command)) ExplorerWindow(*place, MainWindow());
}
