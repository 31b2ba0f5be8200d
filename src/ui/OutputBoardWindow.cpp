#include "ui/OutputBoardWindow.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

#include <array>

#include "access/Shortcuts.h"
#include "audio/OutputBoard.h"
#include "lang/Lang.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"

namespace {

// The board's shortcut table (no other window uses this number).
constexpr int kOutputBoardWindow = 4100;

class OutputBoardWindow : public ChildWindow {
 public:
  enum Command : int32_t {
    kNext = kWindowCommandBase, kPrevious, kStepUp, kStepDown, kReset, kAccept, kEscape,
  };

  explicit OutputBoardWindow(wxWindow* parent)
      : ChildWindow(parent, kOutputBoardWindow, Lang("OutputBoard.Title"), false) {
    const int width = 400;
    StartLayout(width);
    // GTK's spin buttons, sliders and drop-down lists need more height than a text row.
    RowLayout().rowHeight = 32;

    wxRect r = Row("BCDE", this, Lang("OutputBoard.Volume"));
    volume_ = new wxSlider(this, wxID_ANY, board_.Value(kBoardVolume), board_.Minimum(kBoardVolume),
                           board_.Maximum(kBoardVolume), r.GetPosition(), r.GetSize());
    gtkaccess::SetName(volume_, Lang("OutputBoard.Volume"));

    r = Row("BC", this, Lang("OutputBoard\\Spin.Tempo"));
    tempo_ = MakeSpin(kBoardTempo, r);
    gtkaccess::SetName(tempo_, Lang("OutputBoard\\Spin.Tempo"));
    r = Row("DE -1", this, "", true);
    tempoText_ = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(board_.TempoText()), r.GetPosition(),
                                  r.GetSize(), wxST_NO_AUTORESIZE);

    r = Row("BC", this, Lang("OutputBoard\\Spin.Pitch"));
    pitch_ = MakeSpin(kBoardPitch, r);
    gtkaccess::SetName(pitch_, Lang("OutputBoard\\Spin.Pitch"));
    r = Row("DE -1", this, "", true);
    pitchText_ = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(board_.PitchText()), r.GetPosition(),
                                  r.GetSize(), wxST_NO_AUTORESIZE);

    r = Row("BCDE", this, Lang("RequestCombo.Effects"));
    effect_ = new wxChoice(this, wxID_ANY, r.GetPosition(), r.GetSize());
    for (const auto& name : board_.EffectNames()) effect_->Append(wxString::FromUTF8(name));
    effect_->SetSelection(board_.Value(kBoardEffect));
    gtkaccess::SetName(effect_, Lang("RequestCombo.Effects"));

    r = Row("BC", this, "", true);
    ok_ = new wxButton(this, wxID_ANY, wxString::FromUTF8(Lang("RequestButton.Ok")), r.GetPosition(), r.GetSize());
    r = Row("DE -1", this, "", true);
    cancel_ = new wxButton(this, wxID_ANY, wxString::FromUTF8(Lang("RequestButton.Cancel")), r.GetPosition(),
                           r.GetSize());
    SetClientSize(width, RowLayout().maxY);

    const bool spinners = board_.SpinnersEnabled();
    tempo_->Enable(spinners);
    pitch_->Enable(spinners);
    controls_ = {volume_, tempo_, pitch_, effect_};

    volume_->Bind(wxEVT_SLIDER, [this](wxCommandEvent&) { Changed(kBoardVolume, volume_->GetValue()); });
    tempo_->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) { Changed(kBoardTempo, tempo_->GetValue()); });
    pitch_->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) { Changed(kBoardPitch, pitch_->GetValue()); });
    effect_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { Changed(kBoardEffect, effect_->GetSelection()); });
    ok_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Finish(true); });
    cancel_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Finish(false); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Finish(false); });

    for (auto [code, command] : std::initializer_list<std::pair<int32_t, int32_t>>{
             {kVkTab, kNext}, {kVkRight, kNext}, {kModShift + kVkTab, kPrevious}, {kVkLeft, kPrevious},
             {kVkPageUp, kStepUp}, {kVkPageDown, kStepDown}, {kVkF1, kReset},
             {kVkReturn, kAccept}, {kVkSpace, kAccept}, {kVkEscape, kEscape}})
      AddWindowShortcut(Window(), code, command);
  }

  wxWindow* First() const { return volume_; }

 protected:
  bool OnWindowCommand(int32_t command) override {
    const int focused = FocusedControl();
    switch (command) {
      case kNext:
      case kPrevious: {
        // From a button, Tab goes back to the first control and Shift+Tab to the last.
        int from = focused >= 0 ? focused : (command == kNext ? kBoardEffect : kBoardVolume);
        controls_[static_cast<size_t>(board_.NextControl(from, command == kNext ? 1 : -1))]->SetFocus();
        return true;
      }
      case kStepUp:
      case kStepDown:
      case kReset:
        if (focused < 0) return false;
        if (command == kStepUp) board_.StepUp(focused);
        else if (command == kStepDown) board_.StepDown(focused);
        else board_.Reset(focused);
        Show(focused);
        return true;
      case kAccept: Finish(wxWindow::FindFocus() != cancel_); return true;
      case kEscape: Finish(false); return true;
      default: return false;
    }
  }

  void AfterCommonCommand(int32_t) override {
    board_.Refresh();
    for (int c = 0; c < kBoardControlCount; ++c) Show(c);
  }

 private:
  wxSpinCtrl* MakeSpin(int control, const wxRect& r) {
    return new wxSpinCtrl(this, wxID_ANY, wxString(), r.GetPosition(), r.GetSize(), wxSP_ARROW_KEYS,
                          board_.Minimum(control), board_.Maximum(control), board_.Value(control));
  }

  int FocusedControl() const {
    wxWindow* f = wxWindow::FindFocus();
    for (int c = 0; c < kBoardControlCount; ++c) {
      wxWindow* w = controls_[static_cast<size_t>(c)];
      // A spin control's text entry may hold the focus itself.
      if (f && (f == w || f->GetParent() == w)) return c;
    }
    return -1;
  }

  void Changed(int control, int value) {
    board_.Change(control, value);
    Show(control);
  }

  // The control and its text show the board's value.
  void Show(int control) {
    const int v = board_.Value(control);
    switch (control) {
      case kBoardVolume:
        if (volume_->GetValue() != v) volume_->SetValue(v);
        break;
      case kBoardTempo:
        if (tempo_->GetValue() != v) tempo_->SetValue(v);
        tempoText_->SetLabel(wxString::FromUTF8(board_.TempoText()));
        break;
      case kBoardPitch:
        if (pitch_->GetValue() != v) pitch_->SetValue(v);
        pitchText_->SetLabel(wxString::FromUTF8(board_.PitchText()));
        break;
      case kBoardEffect:
        if (effect_->GetSelection() != v) effect_->SetSelection(v);
        break;
      default: break;
    }
  }

  void Finish(bool ok) {
    if (finished_) return;
    finished_ = true;
    // A number typed into a spinner and not yet committed by the control counts on OK.
    if (ok && board_.SpinnersEnabled()) {
      if (tempo_->GetValue() != board_.Value(kBoardTempo)) Changed(kBoardTempo, tempo_->GetValue());
      if (pitch_->GetValue() != board_.Value(kBoardPitch)) Changed(kBoardPitch, pitch_->GetValue());
    }
    if (ok) board_.Ok();
    else board_.Cancel();
    EndModal(ok ? wxID_OK : wxID_CANCEL);
  }

  OutputBoard board_;
  wxSlider* volume_ = nullptr;
  wxSpinCtrl* tempo_ = nullptr;
  wxSpinCtrl* pitch_ = nullptr;
  wxStaticText* tempoText_ = nullptr;
  wxStaticText* pitchText_ = nullptr;
  wxChoice* effect_ = nullptr;
  wxButton* ok_ = nullptr;
  wxButton* cancel_ = nullptr;
  std::array<wxWindow*, kBoardControlCount> controls_{};
  bool finished_ = false;
};

}  // namespace

void OpenOutputBoard(wxWindow* parent) {
  OutputBoardWindow window(parent);
  window.Run(window.First());
}
