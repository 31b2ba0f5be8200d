#include "ui/SettingsPages.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

#include <algorithm>

#include "access/Shortcuts.h"
#include "app/ListModel.h"
#include "lang/Lang.h"
#include "ui/GtkAccess.h"

namespace {
wxString U(const std::string& s) { return wxString::FromUTF8(s); }

// GTK's spinners, sliders and drop-down lists are taller than the layout's usual 22 pixels; a
// label beside one is moved level with its text.
constexpr int kRowHeight = 30;
void Level(wxWindow* label) {
  if (label) label->Move(label->GetPosition() + wxPoint(0, 6));
}
}  // namespace

SettingsPagesWindow::SettingsPagesWindow(wxWindow* parent, int window, const std::string& title, int areaWidth,
                                         bool wrapPages)
    : ChildWindow(parent, window, title), areaWidth_(areaWidth), wrapPages_(wrapPages) {
  book_ = new wxNotebook(this, wxID_ANY, wxPoint(5, 5), wxSize(areaWidth_ + 10, 200));
  const int w = Window();
  AddWindowShortcut(w, 27, kCmdCancel);                    // Escape
  AddWindowShortcut(w, 33, kCmdStepUp);                    // Page Up
  AddWindowShortcut(w, 34, kCmdStepDown);                  // Page Down
  AddWindowShortcut(w, 112, kCmdReset);                    // F1
  AddWindowShortcut(w, 131072 + 9, kCmdNextPage);          // Ctrl+Tab
  AddWindowShortcut(w, 131072 + 65536 + 9, kCmdPrevPage);  // Ctrl+Shift+Tab

  Bind(wxEVT_SPINCTRL, [this](wxSpinEvent& e) { Changed(e.GetId(), e.GetPosition()); });
  Bind(wxEVT_SLIDER, [this](wxCommandEvent& e) { Changed(e.GetId(), e.GetInt()); });
  Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& e) { CheckChanged(e.GetId(), e.IsChecked()); });
  Bind(wxEVT_CHOICE, [this](wxCommandEvent& e) {
    ChoiceChanged(e.GetId(), e.GetInt());
    ShowState();
  });
  Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) {
    if (e.GetId() == wxID_OK) {
      Collect();
      Confirm();
      EndModal(wxID_OK);
    } else if (e.GetId() == wxID_CANCEL) {
      EndModal(wxID_CANCEL);
    }
  });
}

bool SettingsPagesWindow::Open() { return Run(book_) == wxID_OK; }

wxPanel* SettingsPagesWindow::NewPage(const std::string& labelKey) {
  auto* p = new wxPanel(book_, wxID_ANY);
  book_->AddPage(p, U(Lang(labelKey)));
  StartLayout(areaWidth_, 0, 5);
  RowLayout().rowHeight = kRowHeight;
  return p;
}

void SettingsPagesWindow::EndPage(int height) { heights_.push_back(height ? height : RowLayout().maxY); }

void SettingsPagesWindow::AddNumber(wxPanel* page, int control, const std::string& labelKey, bool slider) {
  const std::string label = Lang(labelKey);
  const wxRect r = Row("CD", page, label);
  Level(LastLabel());
  const SliderControl* c = Slider(control);
  wxWindow* w = nullptr;
  if (slider) {
    auto* s = new wxSlider(page, control, c->value, c->minimum, c->maximum, r.GetPosition(), r.GetSize());
    sliders_[control] = s;
    w = s;
  } else {
    auto* s = new wxSpinCtrl(page, control, wxEmptyString, r.GetPosition(), r.GetSize(), wxSP_ARROW_KEYS, c->minimum,
                             c->maximum, c->value);
    spins_[control] = s;
    w = s;
  }
  gtkaccess::SetName(w, label);
  if (ValueText(control).empty()) return;
  const wxRect v = Row("E -1", page, "", true);
  values_[control] =
      new wxStaticText(page, wxID_ANY, "", v.GetPosition() + wxPoint(0, 6), v.GetSize(), wxST_NO_AUTORESIZE);
}

wxCheckBox* SettingsPagesWindow::AddCheck(wxPanel* page, int control, const std::string& labelKey, bool on) {
  const wxRect r = Row("ABCDE", page, "", true);
  auto* c = new wxCheckBox(page, control, U(Lang(labelKey)), r.GetPosition(), r.GetSize());
  c->SetValue(on);
  return c;
}

wxChoice* SettingsPagesWindow::AddChoice(wxPanel* page, int control, const std::string& labelKey,
                                         const wxArrayString& items, int selected) {
  const std::string label = Lang(labelKey);
  const wxRect r = Row("CDE", page, label);
  Level(LastLabel());
  auto* c = new wxChoice(page, control, r.GetPosition(), r.GetSize(), items);
  if (selected >= 0) c->SetSelection(selected);
  gtkaccess::SetName(c, label);
  return c;
}

wxArrayString SettingsPagesWindow::RowTexts(const ListModel& list) {
  wxArrayString texts;
  for (int i = 0; i < list.Count(); ++i) texts.Add(U(list.Text(i, 0)));
  return texts;
}

void SettingsPagesWindow::FinishPages(int page) {
  int height = 5;
  for (int h : heights_) height = std::max(height, h);
  book_->SetSize(areaWidth_ + 10, height + 40);
  const int y = book_->GetRect().GetBottom() + 8;
  auto* ok = new wxButton(this, wxID_OK, U(Lang("RequestButton.Ok")), wxPoint(areaWidth_ - 170, y), wxSize(86, 26));
  new wxButton(this, wxID_CANCEL, U(Lang("RequestButton.Cancel")), wxPoint(areaWidth_ - 76, y), wxSize(86, 26));
  ok->SetDefault();
  SetClientSize(areaWidth_ + 20, y + 34);
  if (page >= 0 && page < static_cast<int>(book_->GetPageCount())) book_->SetSelection(static_cast<size_t>(page));
  ShowState();
}

void SettingsPagesWindow::ShowState() {
  for (auto& [id, w] : spins_) {
    const SliderControl* c = Slider(id);
    if (w->GetMax() != c->maximum || w->GetMin() != c->minimum) w->SetRange(c->minimum, c->maximum);
    if (w->GetValue() != c->value) w->SetValue(c->value);
  }
  for (auto& [id, w] : sliders_) {
    const SliderControl* c = Slider(id);
    if (w->GetValue() != c->value) w->SetValue(c->value);
  }
  for (auto& [id, t] : values_) {
    const wxString text = U(ValueText(id));
    if (t->GetLabel() != text) t->SetLabel(text);
  }
  // The value with its unit, for a screen reader, which reads only the bare number: a
  // slider's value is read as that text, a spin field's text is followed by it.
  auto describe = [this](int id, wxWindow* w, bool slider) {
    std::string text = ValueText(id);
    if (text.empty() || described_[id] == text) return;
    described_[id] = text;
    if (slider) gtkaccess::SetValueText(w, text);
    else gtkaccess::SetDescription(w, text);
  };
  for (auto& [id, w] : spins_) describe(id, w, false);
  for (auto& [id, w] : sliders_) describe(id, w, true);
  ShowOtherControls();
}

void SettingsPagesWindow::Changed(int control, int value) {
  SliderControl* c = Slider(control);
  if (!c) return;
  c->value = value;
  NumberChanged(control);
  ShowState();
}

void SettingsPagesWindow::Collect() {
  for (auto& [id, w] : spins_)
    if (const SliderControl* c = Slider(id); c && c->value != w->GetValue()) Changed(id, w->GetValue());
}

bool SettingsPagesWindow::OnWindowCommand(int32_t command) {
  switch (command) {
    case kCmdCancel: EndModal(wxID_CANCEL); return true;
    case kCmdNextPage: StepTab(book_, 1, wrapPages_); return true;
    case kCmdPrevPage: StepTab(book_, -1, wrapPages_); return true;
    default: break;
  }
  int control = 0;
  for (wxWindow* w = wxWindow::FindFocus(); w && w != this && !control; w = w->GetParent())
    if (spins_.count(w->GetId()) || sliders_.count(w->GetId())) control = w->GetId();
  if (!control) return false;
  // A value typed and not yet taken is the one the key starts from.
  Collect();
  const SliderKey key = command == kCmdStepUp     ? SliderKey::StepUp
                        : command == kCmdStepDown ? SliderKey::StepDown
                                                  : SliderKey::Reset;
  if (!SliderKeyPressed(control, key)) return false;
  ShowState();
  return true;
}
