#include "ui/PreferencesWindow.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dataview.h>
#include <wx/fontdlg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

#include <map>

#include "access/Preferences.h"
#include "access/ShortcutTable.h"
#include "access/Shortcuts.h"
#include "app/TextUtil.h"
#include "audio/Playback.h"
#include "lang/Lang.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"
#include "ui/MainFrame.h"
#include "ui/Requesters.h"

namespace {
wxString U(const std::string& s) { return wxString::FromUTF8(s); }
std::string S(const wxString& s) { return std::string(s.utf8_str()); }

// Control numbers of the window's own controls (the option controls carry their setting's).
enum : int { kIdLanguage = 1000, kIdFont, kIdList, kIdAlt, kIdCtrl, kIdShift, kIdWin, kIdKey, kIdSet, kIdConfirm,
             kIdCancel };

class PreferencesWindow : public ChildWindow {
 public:
  explicit PreferencesWindow(wxWindow* parent) : ChildWindow(parent, kPreferencesWindow, Lang("Pref.Title")) {
    OpenPreferencesForm(form_);
    // The editor's messages belong over this window, not over the disabled main window.
    form_.shortcuts.ask = [this](const std::string& title, const std::string& text, int flags) {
      return MessageRequester(this, title, text, flags);
    };
    Build();
    ShowShortcuts();
    ShowSelected();

    AddWindowShortcut(Window(), 27, kCmdCancel);
    AddWindowShortcut(Window(), 13, kCmdConfirm);
    AddWindowShortcut(Window(), kModCtrl + 9, kCmdNextTab);
    AddWindowShortcut(Window(), kModCtrl + kModShift + 9, kCmdPreviousTab);
    Bind(wxEVT_BUTTON, &PreferencesWindow::OnButton, this);
    Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, &PreferencesWindow::OnSelect, this, kIdList);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndModal(wxID_CANCEL); });
  }

  void Open() { Run(book_); }

 protected:
  bool OnWindowCommand(int32_t command) override {
    switch (command) {
      case kCmdCancel: EndModal(wxID_CANCEL); return true;
      case kCmdConfirm:
        // Return confirms the window, except on a button, which it presses: Return on
        // Cancel must not store what the user meant to drop.
        if (auto* button = dynamic_cast<wxButton*>(FindFocus()); button && wxGetTopLevelParent(button) == this)
          Press(button->GetId());
        else
          Confirm();
        return true;
      case kCmdNextTab: StepTab(book_, 1); return true;
      case kCmdPreviousTab: StepTab(book_, -1); return true;
      default: return false;
    }
  }

 private:
  static constexpr int32_t kCmdCancel = kWindowCommandBase + 1;
  static constexpr int32_t kCmdConfirm = kWindowCommandBase + 2;
  static constexpr int32_t kCmdNextTab = kWindowCommandBase + 3;
  static constexpr int32_t kCmdPreviousTab = kWindowCommandBase + 4;

  void Build() {
    book_ = new wxNotebook(this, wxID_ANY, wxPoint(5, 5), wxSize(390, 300));
    int tallest = 0;
    for (int tab = 0; tab < 4; ++tab) {
      auto* page = new wxPanel(book_, wxID_ANY);
      StartLayout(390, 10, 5);
      if (tab < 3) BuildOptions(page, tab);
      else BuildShortcuts(page);
      tallest = std::max(tallest, RowLayout().maxY);
      book_->AddPage(page, U(Lang(kPrefTabs[tab])), tab == 0);
    }
    // The panel holds the tallest tab and its strip.
    wxSize full = book_->CalcSizeFromPage(wxSize(380, tallest));
    book_->SetSize(5, 5, 390, std::max(full.GetHeight(), tallest + 30));
    gtkaccess::SetName(book_, Lang("Pref.Title"));

    StartLayout(400, 0, book_->GetRect().GetBottom() + 6);
    wxRect r = Row("DE", this, "", true);
    auto* confirm = new wxButton(this, kIdConfirm, U(Lang("Pref\\Button.Ok")), r.GetPosition(), r.GetSize());
    confirm->SetDefault();
    r = Row("AB -1", this, "", true);
    new wxButton(this, kIdCancel, U(Lang("Pref\\Button.Cancel")), r.GetPosition(), r.GetSize());
    SetClientSize(400, RowLayout().maxY);
  }

  void BuildOptions(wxWindow* page, int tab) {
    for (const auto& row : PreferenceRows()) {
      if (row.tab != tab) continue;
      switch (row.kind) {
        case PrefRow::Language: {
          wxRect r = Row(row.rowLayout, page, Lang(row.label));
          wxArrayString names;
          for (const auto& n : form_.languages) names.Add(U(n));
          // A plain drop-down list (no text entry inside): a screen reader reads its label once,
          // with the language chosen.
          language_ = new wxChoice(page, kIdLanguage, r.GetPosition(), r.GetSize(), names);
          if (!names.empty()) language_->SetSelection(form_.language);
          // GTK names a drop-down list after its choice, not after its label.
          gtkaccess::SetName(language_, Lang(row.label));
          break;
        }
        case PrefRow::Text: {
          wxRect r = Row(row.rowLayout, page, Lang(row.label));
          texts_[row.id] = new wxTextCtrl(page, row.id, U(form_.texts[row.id]), r.GetPosition(), r.GetSize());
          gtkaccess::SetName(texts_[row.id], Lang(row.label));
          break;
        }
        case PrefRow::Check: {
          wxRect r = Row(row.rowLayout, page, "", true);
          auto* box = new wxCheckBox(page, row.id, U(Lang(row.label)), r.GetPosition(), r.GetSize());
          box->SetValue(form_.checks[row.id]);
          checks_[row.id] = box;
          break;
        }
        case PrefRow::FontButton: {
          wxRect r = Row(row.rowLayout, page, "", true);
          new wxButton(page, kIdFont, U(Lang(row.label)), r.GetPosition(), r.GetSize());
          break;
        }
      }
    }
  }

  void BuildShortcuts(wxWindow* page) {
    wxRect r = Row("ABCDE 3", page, Lang("Pref\\Shortcut.List"));
    list_ = new wxDataViewListCtrl(page, kIdList, r.GetPosition(), r.GetSize(), wxDV_SINGLE | wxDV_NO_HEADER);
    list_->AppendTextColumn(U(Lang("Pref\\Shortcut.List")), wxDATAVIEW_CELL_INERT, r.GetWidth() - 30);
    gtkaccess::SetName(list_, Lang("Pref\\Shortcut.List"));
    auto check = [&](const char* rowLayout, int id, const char* key) {
      wxRect c = Row(rowLayout, page, "", true);
      return new wxCheckBox(page, id, U(Lang(key)), c.GetPosition(), c.GetSize());
    };
    alt_ = check("AB", kIdAlt, "Pref\\Shortcut.Alt");
    ctrl_ = check("DE -1", kIdCtrl, "Pref\\Shortcut.Control");
    shift_ = check("AB", kIdShift, "Pref\\Shortcut.Shift");
    win_ = check("DE -1", kIdWin, "Pref\\Shortcut.Win");
    r = Row("C", page, Lang("Pref\\Shortcut.Key"));
    wxArrayString keys;
    for (const auto& k : form_.shortcuts.keys) keys.Add(U(k.text));
    // A plain drop-down list, as the language: a screen reader hears each key the arrows
    // choose. In a read-only entry the arrows changed the text without a word.
    key_ = new wxChoice(page, kIdKey, r.GetPosition(), r.GetSize(), keys);
    gtkaccess::SetName(key_, Lang("Pref\\Shortcut.Key"));
    r = Row("DE -1", page, "", true);
    new wxButton(page, kIdSet, U(Lang("Pref\\Shortcut.Set")), r.GetPosition(), r.GetSize());
  }

  // A line as heard: "Open files: Ctrl+O", "Open files: No key", rather than a raw "=" and
  // silence for a command without a key.
  std::string Shown(size_t row) const {
    const auto& s = form_.shortcuts;
    if (row >= s.work.size()) return row < s.lines.size() ? s.lines[row] : std::string();
    std::string key = KeyName(text::ParseInt(s.work[row].value));
    return Lang(s.work[row].key) + ": " + (key.empty() ? Lang("Key.NoKey") : key);
  }

  void ShowShortcuts() {
    list_->DeleteAllItems();
    for (size_t i = 0; i < form_.shortcuts.lines.size(); ++i) {
      wxVector<wxVariant> row;
      row.push_back(wxVariant(U(Shown(i))));
      list_->AppendItem(row);
    }
    if (form_.shortcuts.selected >= 0) list_->SelectRow(static_cast<unsigned>(form_.shortcuts.selected));
  }

  // The modifiers and key of the selected shortcut.
  void ShowSelected() {
    const auto& s = form_.shortcuts;
    alt_->SetValue(s.alt);
    ctrl_->SetValue(s.ctrl);
    shift_->SetValue(s.shift);
    win_->SetValue(s.win);
    key_->SetSelection(s.keyIndex >= 0 ? s.keyIndex : wxNOT_FOUND);
  }

  void OnSelect(wxDataViewEvent& e) {
    int row = list_->GetSelectedRow();
    if (row != wxNOT_FOUND) {
      form_.shortcuts.selected = row;
      ShortcutEditor("SetCheckBox", form_.shortcuts);
      ShowSelected();
    }
    e.Skip();
  }

  void SetShortcut() {
    auto& s = form_.shortcuts;
    s.alt = alt_->GetValue();
    s.ctrl = ctrl_->GetValue();
    s.shift = shift_->GetValue();
    s.win = win_->GetValue();
    s.keyIndex = key_->GetSelection();
    ShortcutEditor("Change", s);
    if (!s.focusList) return;
    s.focusList = false;
    unsigned row = static_cast<unsigned>(s.selected);
    list_->SetTextValue(U(Shown(row)), row, 0);
    gtkaccess::RowChanged(list_, static_cast<int>(row));
    list_->SelectRow(row);
    list_->SetFocus();
  }

  bool Press(int id) {
    switch (id) {
      case kIdFont: form_.font = ChooseEditFont(form_.font, this); return true;
      case kIdSet: SetShortcut(); return true;
      case kIdConfirm: Confirm(); return true;
      case kIdCancel: EndModal(wxID_CANCEL); return true;
      default: return false;
    }
  }

  void OnButton(wxCommandEvent& e) {
    if (!Press(e.GetId())) e.Skip();
  }

  void Confirm() {
    for (auto& [id, field] : texts_) form_.texts[id] = S(field->GetValue());
    for (auto& [id, box] : checks_) form_.checks[id] = box->GetValue();
    if (language_ && language_->GetSelection() != wxNOT_FOUND) form_.language = language_->GetSelection();
    PrefConfirmResult r = ConfirmPreferences(form_);
    if (r.fontChanged)
      if (auto* main = dynamic_cast<MainFrame*>(MainWindow())) main->ApplyFont();
    // The order of name and program in the title may have changed.
    RefreshTitleDisplay();
    EndModal(wxID_OK);
  }

  PreferencesForm form_;
  wxNotebook* book_ = nullptr;
  wxChoice* language_ = nullptr;
  std::map<int32_t, wxTextCtrl*> texts_;
  std::map<int32_t, wxCheckBox*> checks_;
  wxDataViewListCtrl* list_ = nullptr;
  wxCheckBox *alt_ = nullptr, *ctrl_ = nullptr, *shift_ = nullptr, *win_ = nullptr;
  wxChoice* key_ = nullptr;
};

}  // namespace

std::string ChooseEditFont(const std::string& font, wxWindow* parent) {
  std::string name;
  int size = 0;
  SplitFontText(font, name, size);
  wxFontData data;
  wxFont initial(wxFontInfo(size > 0 ? size : 10).FaceName(U(name)));
  if (initial.IsOk()) data.SetInitialFont(initial);
  wxFontDialog dlg(parent, data);
  if (dlg.ShowModal() != wxID_OK) return font;
  wxFont chosen = dlg.GetFontData().GetChosenFont();
  if (!chosen.IsOk()) return font;
  return FontText(S(chosen.GetFaceName()), chosen.GetPointSize());
}

void OpenPreferences(wxWindow* parent) {
  // The window goes before the focus is given back to the main window (ChildWindow's end).
  PreferencesWindow window(parent);
  window.Open();
}
