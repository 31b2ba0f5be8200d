#include "ui/OutputConfigWindow.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

#include <map>

#include "access/Shortcuts.h"
#include "audio/OutputConfig.h"
#include "effects/Equalizer.h"
#include "lang/Lang.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"

namespace {

constexpr int kOutputSettingsWindow = 4000;
constexpr int kAreaWidth = 560;  // wide enough for the five tabs

wxString U(const std::string& s) { return wxString::FromUTF8(s); }

// A label beside a control taller than a line: level with the control's text.
void Level(wxWindow* label) {
  if (label) label->Move(label->GetPosition() + wxPoint(0, 6));
}

class OutputConfigWindow : public ChildWindow {
 public:
  OutputConfigWindow(wxWindow* parent, int page)
      : ChildWindow(parent, kOutputSettingsWindow, Lang("Output\\Config.Title")) {
    OpenOutputConfig(s_, page);
    book_ = new wxNotebook(this, wxID_ANY, wxPoint(5, 5), wxSize(kAreaWidth + 10, 240));
    BuildGeneral();
    BuildFading();
    BuildEqualizer();
    BuildCompressor();
    BuildDevice();
    int height = 5;
    for (int h : heights_) height = std::max(height, h);
    book_->SetSize(kAreaWidth + 10, height + 40);
    const int y = book_->GetRect().GetBottom() + 8;
    ok_ = new wxButton(this, wxID_OK, U(Lang("RequestButton.Ok")), wxPoint(kAreaWidth - 170, y), wxSize(86, 26));
    cancel_ = new wxButton(this, wxID_CANCEL, U(Lang("RequestButton.Cancel")), wxPoint(kAreaWidth - 76, y),
                           wxSize(86, 26));
    ok_->SetDefault();
    SetClientSize(kAreaWidth + 20, y + 34);
    book_->SetSelection(static_cast<size_t>(s_.page));

    const int w = Window();
    AddWindowShortcut(w, 27, kCmdCancel);                   // Escape
    AddWindowShortcut(w, 33, kCmdStepUp);                   // Page Up
    AddWindowShortcut(w, 34, kCmdStepDown);                 // Page Down
    AddWindowShortcut(w, 112, kCmdReset);                   // F1
    AddWindowShortcut(w, 131072 + 9, kCmdNextPage);         // Ctrl+Tab
    AddWindowShortcut(w, 131072 + 65536 + 9, kCmdPrevPage);  // Ctrl+Shift+Tab

    Bind(wxEVT_SPINCTRL, [this](wxSpinEvent& e) { Changed(e.GetId(), e.GetPosition()); });
    Bind(wxEVT_SLIDER, [this](wxCommandEvent& e) { Changed(e.GetId(), e.GetInt()); });
    Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& e) {
      if (e.GetId() == outcfg::LowVolumeInChildWindow) s_.lowVolumeInChildWindow = e.IsChecked();
      else if (e.GetId() == outcfg::UseDefault) s_.useDefault = e.IsChecked();
    });
    Bind(wxEVT_CHOICE, [this](wxCommandEvent& e) {
      if (e.GetId() == outcfg::DeviceName) {
        if (e.GetInt() >= 0) s_.devices.SelectOnly(e.GetInt());
      } else if (e.GetId() == outcfg::CompressorModel) {
        s_.compModel = e.GetInt();
        OutputConfigChanged(s_, outcfg::CompressorModel);
        ShowState();
      }
    });
    Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) {
      if (e.GetId() == wxID_OK) {
        Collect();
        StoreOutputConfig(s_);
        EndModal(wxID_OK);
      } else if (e.GetId() == wxID_CANCEL) {
        EndModal(wxID_CANCEL);
      }
    });
    ShowState();
  }

  int Open() {
    const int answer = Run(book_);
    // Confirmed or not, the stored equaliser is what plays from now on.
    CloseOutputConfig();
    return answer;
  }

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
    // GTK's spinners, sliders and drop-down lists are taller than the layout's usual 22 pixels.
    RowLayout().rowHeight = 30;
    return p;
  }
  void EndPage() { heights_.push_back(RowLayout().maxY); }

  // A spinner or slider with its label before it and its value text after it.
  void AddNumber(wxPanel* p, int control, const std::string& labelKey, bool slider) {
    const std::string label = Lang(labelKey);
    wxRect r = Row("CD", p, label);
    Level(LastLabel());
    SliderControl* c = OutputConfigSlider(s_, control);
    wxWindow* w = nullptr;
    if (slider) {
      auto* s = new wxSlider(p, control, c->value, c->minimum, c->maximum, r.GetPosition(), r.GetSize());
      sliders_[control] = s;
      w = s;
    } else {
      auto* s = new wxSpinCtrl(p, control, wxEmptyString, r.GetPosition(), r.GetSize(), wxSP_ARROW_KEYS, c->minimum,
                               c->maximum, c->value);
      spins_[control] = s;
      w = s;
    }
    gtkaccess::SetName(w, label);
    if (OutputConfigValueText(s_, control).empty()) return;
    wxRect v = Row("E -1", p, "", true);
    values_[control] = new wxStaticText(p, wxID_ANY, "", v.GetPosition() + wxPoint(0, 6), v.GetSize(),
                                        wxST_NO_AUTORESIZE);
  }

  wxCheckBox* AddCheck(wxPanel* p, int control, const std::string& labelKey, bool on) {
    wxRect r = Row("ABCDE", p, "", true);
    auto* c = new wxCheckBox(p, control, U(Lang(labelKey)), r.GetPosition(), r.GetSize());
    c->SetValue(on);
    return c;
  }

  wxChoice* AddChoice(wxPanel* p, int control, const std::string& labelKey, const wxArrayString& items, int selected) {
    const std::string label = Lang(labelKey);
    wxRect r = Row("CDE", p, label);
    Level(LastLabel());
    auto* c = new wxChoice(p, control, r.GetPosition(), r.GetSize(), items);
    if (selected >= 0) c->SetSelection(selected);
    gtkaccess::SetName(c, label);
    return c;
  }

  void BuildGeneral() {
    wxPanel* p = NewPage("Output\\Config.PanelGeneral");
    AddNumber(p, outcfg::MaxVolume, "Output\\Config.MaxVolume", false);
    AddNumber(p, outcfg::MuteVolume, "Output\\Config.MuteVolume", false);
    AddCheck(p, outcfg::LowVolumeInChildWindow, "Config\\Output.LowVolumeInChildWindow", s_.lowVolumeInChildWindow);
    EndPage();
  }

  void BuildFading() {
    wxPanel* p = NewPage("Output\\Config.PanelFading");
    AddNumber(p, outcfg::FadingTime, "Output\\Config.Fading", false);
    AddNumber(p, outcfg::FadingDown, "Output\\Config.FadingDown", false);
    AddNumber(p, outcfg::FadingUp, "Output\\Config.FadingUp", false);
    EndPage();
  }

  // One labelled vertical slider per band, the highest gain at the top.
  void BuildEqualizer() {
    wxPanel* p = NewPage("Output\\Config.PanelParamEQ");
    const int n = static_cast<int>(s_.bands.size());
    const int width = n ? std::min(60, (kAreaWidth - 10) / n) : 0;
    for (int i = 0; i < n; ++i) {
      const EqualizerBandControl& b = s_.bands[static_cast<size_t>(i)];
      const int x = 5 + i * width;
      new wxStaticText(p, wxID_ANY, U(b.label), wxPoint(x, 5), wxSize(width, 20),
                       wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
      const int id = outcfg::EqualizerBand + i;
      auto* s = new wxSlider(p, id, b.slider.value, b.slider.minimum, b.slider.maximum, wxPoint(x, 28),
                             wxSize(width, 150), wxSL_VERTICAL | wxSL_INVERSE);
      gtkaccess::SetName(s, b.label);
      sliders_[id] = s;
    }
    heights_.push_back(185);
  }

  void BuildCompressor() {
    wxPanel* p = NewPage("Output\\Config.PanelCompressor");
    AddNumber(p, outcfg::CompressorGain, "Compressor.Gain", true);
    AddNumber(p, outcfg::CompressorThreshold, "Compressor.Thresold", true);
    AddNumber(p, outcfg::CompressorAttack, "Compressor.Attack", true);
    AddNumber(p, outcfg::CompressorRelease, "Compressor.Release", true);
    AddNumber(p, outcfg::CompressorRatio, "Compressor.Ratio", false);
    wxArrayString models;
    for (const CompressorModel& m : CompressorModels()) models.Add(U(m.name));
    model_ = AddChoice(p, outcfg::CompressorModel, "Compressor.Model", models, s_.compModel);
    EndPage();
  }

  void BuildDevice() {
    wxPanel* p = NewPage("Output\\Config.PanelDevice");
    wxArrayString names;
    for (int i = 0; i < s_.devices.Count(); ++i) names.Add(U(s_.devices.Text(i, 0)));
    AddChoice(p, outcfg::DeviceName, "Output\\Config.DeviceName", names, s_.devices.FirstSelected());
    AddCheck(p, outcfg::UseDefault, "Config\\Output.UseDefaultDevice", s_.useDefault);
    EndPage();
  }

  // The state into the controls: values, limits, texts and the chosen model.
  void ShowState() {
    for (auto& [id, w] : spins_) {
      const SliderControl* c = OutputConfigSlider(s_, id);
      if (w->GetMax() != c->maximum || w->GetMin() != c->minimum) w->SetRange(c->minimum, c->maximum);
      if (w->GetValue() != c->value) w->SetValue(c->value);
    }
    for (auto& [id, w] : sliders_) {
      const SliderControl* c = OutputConfigSlider(s_, id);
      if (w->GetValue() != c->value) w->SetValue(c->value);
    }
    for (auto& [id, t] : values_) {
      const wxString text = U(OutputConfigValueText(s_, id));
      if (t->GetLabel() != text) t->SetLabel(text);
    }
    if (model_ && model_->GetSelection() != s_.compModel) model_->SetSelection(s_.compModel);
  }

  // Values typed into a spinner and not yet taken.
  void Collect() {
    for (auto& [id, w] : spins_)
      if (SliderControl* c = OutputConfigSlider(s_, id); c && c->value != w->GetValue()) Changed(id, w->GetValue());
  }

  void Changed(int control, int value) {
    SliderControl* c = OutputConfigSlider(s_, control);
    if (!c) return;
    c->value = value;
    OutputConfigChanged(s_, control);
    ShowState();
  }

  int FocusedControl() {
    for (wxWindow* w = wxWindow::FindFocus(); w && w != this; w = w->GetParent())
      if (spins_.count(w->GetId()) || sliders_.count(w->GetId())) return w->GetId();
    return 0;
  }

  bool OnWindowCommand(int32_t command) override {
    switch (command) {
      case kCmdCancel: EndModal(wxID_CANCEL); return true;
      case kCmdNextPage: StepTab(book_, 1); return true;
      case kCmdPrevPage: StepTab(book_, -1); return true;
      default: break;
    }
    const int control = FocusedControl();
    if (!control) return false;
    // A value typed and not yet taken is the one the key starts from.
    if (auto it = spins_.find(control); it != spins_.end()) OutputConfigSlider(s_, control)->value = it->second->GetValue();
    const SliderKey key = command == kCmdStepUp ? SliderKey::StepUp
                          : command == kCmdStepDown ? SliderKey::StepDown
                                                    : SliderKey::Reset;
    if (!OutputConfigKey(s_, control, key)) return false;
    ShowState();
    return true;
  }

  OutputConfigState s_;
  wxNotebook* book_ = nullptr;
  wxChoice* model_ = nullptr;
  wxButton* ok_ = nullptr;
  wxButton* cancel_ = nullptr;
  std::map<int, wxSpinCtrl*> spins_;
  std::map<int, wxSlider*> sliders_;
  std::map<int, wxStaticText*> values_;
  std::vector<int> heights_;
};

}  // namespace

void OpenOutputSettings(wxWindow* parent, int page) {
  OutputConfigWindow window(parent, page);
  window.Open();
}
