#include "ui/OutputConfigWindow.h"

#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include <algorithm>

#include "audio/OutputConfig.h"
#include "effects/Equalizer.h"
#include "lang/Lang.h"
#include "ui/GtkAccess.h"
#include "ui/SettingsPages.h"

namespace {

constexpr int kOutputSettingsWindow = 4000;
constexpr int kAreaWidth = 560;  // wide enough for the five tabs

class OutputConfigWindow : public SettingsPagesWindow {
 public:
  OutputConfigWindow(wxWindow* parent, int page)
      : SettingsPagesWindow(parent, kOutputSettingsWindow, Lang("Output\\Config.Title"), kAreaWidth, false) {
    OpenOutputConfig(s_, page);

    wxPanel* p = NewPage("Output\\Config.PanelGeneral");
    AddNumber(p, outcfg::MaxVolume, "Output\\Config.MaxVolume", false);
    AddNumber(p, outcfg::MuteVolume, "Output\\Config.MuteVolume", false);
    AddCheck(p, outcfg::LowVolumeInChildWindow, "Config\\Output.LowVolumeInChildWindow", s_.lowVolumeInChildWindow);
    EndPage();

    p = NewPage("Output\\Config.PanelFading");
    AddNumber(p, outcfg::FadingTime, "Output\\Config.Fading", false);
    AddNumber(p, outcfg::FadingDown, "Output\\Config.FadingDown", false);
    AddNumber(p, outcfg::FadingUp, "Output\\Config.FadingUp", false);
    EndPage();

    BuildEqualizer();

    p = NewPage("Output\\Config.PanelCompressor");
    AddNumber(p, outcfg::CompressorGain, "Compressor.Gain", true);
    AddNumber(p, outcfg::CompressorThreshold, "Compressor.Thresold", true);
    AddNumber(p, outcfg::CompressorAttack, "Compressor.Attack", true);
    AddNumber(p, outcfg::CompressorRelease, "Compressor.Release", true);
    AddNumber(p, outcfg::CompressorRatio, "Compressor.Ratio", false);
    wxArrayString models;
    for (const CompressorModel& m : CompressorModels()) models.Add(wxString::FromUTF8(m.name));
    model_ = AddChoice(p, outcfg::CompressorModel, "Compressor.Model", models, s_.compModel);
    EndPage();

    p = NewPage("Output\\Config.PanelDevice");
    AddChoice(p, outcfg::DeviceName, "Output\\Config.DeviceName", RowTexts(s_.devices), s_.devices.FirstSelected());
    AddCheck(p, outcfg::UseDefault, "Config\\Output.UseDefaultDevice", s_.useDefault);
    EndPage();

    FinishPages(s_.page);
  }

  ~OutputConfigWindow() override {
    // Confirmed or not, the stored equaliser is what plays from now on.
    CloseOutputConfig();
  }
  OutputConfigWindow(const OutputConfigWindow&) = delete;
  OutputConfigWindow& operator=(const OutputConfigWindow&) = delete;

 private:
  // One labelled vertical slider per band, the highest gain at the top.
  void BuildEqualizer() {
    wxPanel* p = NewPage("Output\\Config.PanelParamEQ");
    const int n = static_cast<int>(s_.bands.size());
    const int width = n ? std::min(60, (kAreaWidth - 10) / n) : 0;
    for (int i = 0; i < n; ++i) {
      const EqualizerBandControl& b = s_.bands[static_cast<size_t>(i)];
      const int x = 5 + i * width;
      new wxStaticText(p, wxID_ANY, wxString::FromUTF8(b.label), wxPoint(x, 5), wxSize(width, 20),
                       wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
      const int id = outcfg::EqualizerBand + i;
      auto* s = new wxSlider(p, id, b.slider.value, b.slider.minimum, b.slider.maximum, wxPoint(x, 28),
                             wxSize(width, 150), wxSL_VERTICAL | wxSL_INVERSE);
      gtkaccess::SetName(s, b.label);
      AddSlider(id, s);
    }
    EndPage(185);
  }

  SliderControl* Slider(int control) override { return OutputConfigSlider(s_, control); }
  std::string ValueText(int control) override { return OutputConfigValueText(s_, control); }
  void NumberChanged(int control) override { OutputConfigChanged(s_, control); }
  bool SliderKeyPressed(int control, SliderKey key) override { return OutputConfigKey(s_, control, key); }
  void CheckChanged(int control, bool on) override {
    if (control == outcfg::LowVolumeInChildWindow) s_.lowVolumeInChildWindow = on;
    else if (control == outcfg::UseDefault) s_.useDefault = on;
  }
  void ChoiceChanged(int control, int item) override {
    if (control == outcfg::DeviceName) {
      if (item >= 0) s_.devices.SelectOnly(item);
    } else if (control == outcfg::CompressorModel) {
      s_.compModel = item;
      OutputConfigChanged(s_, outcfg::CompressorModel);
    }
  }
  void Confirm() override { StoreOutputConfig(s_); }

  void ShowOtherControls() override {
    if (model_ && model_->GetSelection() != s_.compModel) model_->SetSelection(s_.compModel);
  }

  OutputConfigState s_;
  wxChoice* model_ = nullptr;
};

}  // namespace

void OpenOutputSettings(wxWindow* parent, int page) {
  OutputConfigWindow window(parent, page);
  window.Open();
}
