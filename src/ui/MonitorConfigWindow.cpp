#include "ui/MonitorConfigWindow.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

#include <map>

#include "access/Shortcuts.h"
#include "audio/MonitorConfig.h"
#include "lang/Lang.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"

namespace {

constexpr int kMonitorSettingsWindow = 4200;
constexpr int kAreaWidth = 400;

wxString U(const std::string& s) { return wxString::FromUTF8(s); }

// A label beside a control taller than a line: level with the control's text.
void Level(wxWindow* label) {
  if (label) label->Move(label->GetPosition() + wxPoint(0, 6));
}

class MonitorConfigWindow : public ChildWindow {
 public:
  explicit MonitorConfigWindow(wxWindow* parent) : ChildWindow(parent, kMonitorSettingsWindow, Lang("MonitorConfig\\Title.Edit")) {
    OpenMonitorConfig(s_);
    book_ = new wxNotebook(this, wxID_ANY, wxPoint(5, 5), wxSize(kAreaWidth + 10, 200));

    wxPanel* general = NewPage("MonitorConfig\\Panel.General");
    AddSpin(general, moncfg::LowVolume, "MonitorConfig\\Volume.Low");
    AddSpin(general, moncfg::HighVolume, "MonitorConfig\\Volume.High");
    AddCheck(general, moncfg::LowVolumeInChildWindow, "Config\\Monitor.LowVolumeInChildWindow", s_.lowVolumeInChildWindow);
    int height = RowLayout().maxY;

    wxPanel* device = NewPage("MonitorConfig\\Panel.Device");
    const std::string label = Lang("MonitorConfig\\Monitor.Name");
    wxRect r = Row("CDE", device, label);
    Level(LastLabel());
    wxArrayString names;
    for (int i = 0; i < s_.devices.Count(); ++i) names.Add(U(s_.devices.Text(i, 0)));
    auto* chooser = new wxChoice(device, moncfg::DeviceName, r.GetPosition(), r.GetSize(), names);
    if (s_.devices.FirstSelected() >= 0) chooser->SetSelection(s_.devices.FirstSelected());
    gtkaccess::SetName(chooser, label);
    AddCheck(device, moncfg::UseDefault, "Config\\Monitor.UseDefaultDevice", s_.useDefault);
    height = std::max(height, RowLayout().maxY);

    book_->SetSize(kAreaWidth + 10, height + 40);
    const int y = book_->GetRect().GetBottom() + 8;
    auto* ok = new wxButton(this, wxID_OK, U(Lang("RequestButton.Ok")), wxPoint(kAreaWidth - 170, y), wxSize(86, 26));
    new wxButton(this, wxID_CANCEL, U(Lang("RequestButton.Cancel")), wxPoint(kAreaWidth - 76, y), wxSize(86, 26));
    ok->SetDefault();
    SetClientSize(kAreaWidth + 20, y + 34);

    const int w = Window();
    AddWindowShortcut(w, 27, kCmdCancel);                    // Escape
    AddWindowShortcut(w, 33, kCmdStepUp);                    // Page Up
    AddWindowShortcut(w, 34, kCmdStepDown);                  // Page Down
    AddWindowShortcut(w, 112, kCmdReset);                    // F1
    AddWindowShortcut(w, 131072 + 9, kCmdNextPage);          // Ctrl+Tab
    AddWindowShortcut(w, 131072 + 65536 + 9, kCmdPrevPage);  // Ctrl+Shift+Tab

    Bind(wxEVT_SPINCTRL, [this](wxSpinEvent& e) {
      if (SliderControl* c = MonitorConfigSlider(s_, e.GetId())) c->value = e.GetPosition();
      ShowState();
    });
    Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& e) {
      if (e.GetId() == moncfg::LowVolumeInChildWindow) s_.lowVolumeInChildWindow = e.IsChecked();
      else if (e.GetId() == moncfg::UseDefault) s_.useDefault = e.IsChecked();
    });
    Bind(wxEVT_CHOICE, [this](wxCommandEvent& e) {
      if (e.GetId() == moncfg::DeviceName && e.GetInt() >= 0) s_.devices.SelectOnly(e.GetInt());
    });
    Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) {
      if (e.GetId() == wxID_OK) {
        Collect();
        StoreMonitorConfig(s_);
        EndModal(wxID_OK);
      } else if (e.GetId() == wxID_CANCEL) {
        EndModal(wxID_CANCEL);
      }
    });
    ShowState();
  }

  int Open() { return Run(book_); }

 private:
  enum : int32_t {
    kCmdCancel = kWindowCommandBase,
    kCmdStepUp,
    kCmdStepDown,
    kCmdReset,
    kCmdNextPage,
    kCmdPrevPage,
  };

  wxPanel* NewPage(const std::string& key) {
    auto* p = new wxPanel(book_, wxID_ANY);
    book_->AddPage(p, U(Lang(key)));
    StartLayout(kAreaWidth, 0, 5);
    // GTK's spinners and drop-down lists are taller than the layout's usual 22 pixels.
    RowLayout().rowHeight = 30;
    return p;
  }

  void AddSpin(wxPanel* p, int control, const std::string& labelKey) {
    const std::string label = Lang(labelKey);
    wxRect r = Row("CD", p, label);
    Level(LastLabel());
    const SliderControl* c = MonitorConfigSlider(s_, control);
    auto* s = new wxSpinCtrl(p, control, wxEmptyString, r.GetPosition(), r.GetSize(), wxSP_ARROW_KEYS, c->minimum,
                             c->maximum, c->value);
    gtkaccess::SetName(s, label);
    spins_[control] = s;
    wxRect v = Row("E -1", p, "", true);
    values_[control] = new wxStaticText(p, wxID_ANY, "", v.GetPosition() + wxPoint(0, 6), v.GetSize(),
                                        wxST_NO_AUTORESIZE);
  }

  void AddCheck(wxPanel* p, int control, const std::string& labelKey, bool on) {
    wxRect r = Row("ABCDE", p, "", true);
    auto* c = new wxCheckBox(p, control, U(Lang(labelKey)), r.GetPosition(), r.GetSize());
    c->SetValue(on);
  }

  void ShowState() {
    for (auto& [id, w] : spins_) {
      const SliderControl* c = MonitorConfigSlider(s_, id);
      if (w->GetValue() != c->value) w->SetValue(c->value);
    }
    for (auto& [id, t] : values_) {
      const wxString text = U(MonitorConfigValueText(s_, id));
      if (t->GetLabel() != text) t->SetLabel(text);
    }
  }

  // Values typed into a spinner and not yet taken.
  void Collect() {
    for (auto& [id, w] : spins_) MonitorConfigSlider(s_, id)->value = w->GetValue();
  }

  bool OnWindowCommand(int32_t command) override {
    switch (command) {
      case kCmdCancel: EndModal(wxID_CANCEL); return true;
      case kCmdNextPage: StepTab(book_, 1, true); return true;
      case kCmdPrevPage: StepTab(book_, -1, true); return true;
      default: break;
    }
    int control = 0;
    for (wxWindow* w = wxWindow::FindFocus(); w && w != this && !control; w = w->GetParent())
      if (spins_.count(w->GetId())) control = w->GetId();
    if (!control) return false;
    Collect();
    const SliderKey key = command == kCmdStepUp ? SliderKey::StepUp
                          : command == kCmdStepDown ? SliderKey::StepDown
                                                    : SliderKey::Reset;
    if (!MonitorConfigKey(s_, control, key)) return false;
    ShowState();
    return true;
  }

  MonitorConfigState s_;
  // The Monitor play key pre-listens the play list's selection while this window is open.
  MonitorSourceWhileConfiguring source_;
  wxNotebook* book_ = nullptr;
  std::map<int, wxSpinCtrl*> spins_;
  std::map<int, wxStaticText*> values_;
};

}  // namespace

void OpenMonitorSettings(wxWindow* parent) {
  MonitorConfigWindow window(parent);
  window.Open();
}
