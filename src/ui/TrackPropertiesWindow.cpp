#include "ui/TrackPropertiesWindow.h"

#include <wx/button.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>

#include "access/Shortcuts.h"
#include "audio/Monitor.h"
#include "lang/Lang.h"
#include "playlist/PlayListView.h"
#include "playlist/TrackProperties.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"

namespace {

wxString U(const std::string& s) { return wxString::FromUTF8(s); }

class PropertiesWindow : public ChildWindow {
 public:
  PropertiesWindow(wxWindow* parent, TrackPropertiesForm& form)
      : ChildWindow(parent, kPropertiesWindow, form.title), form_(form) {
    const int width = parent ? parent->GetSize().GetWidth() : 600;
    StartLayout(width);
    wxRect r = Row("CDE", this, Lang("Property\\AliasName"));
    alias_ = new wxTextCtrl(this, wxID_ANY, U(form_.alias), r.GetPosition(), r.GetSize());
    gtkaccess::SetName(alias_, Lang("Property\\AliasName"));
    r = Row("ABCDE 3", this, "", true);
    wxString desc = U(form_.description);
    description_ = new wxTextCtrl(this, wxID_ANY, desc, r.GetPosition(), r.GetSize(), wxTE_MULTILINE | wxTE_READONLY);
    // Spin fields showing their value as spoken time: a screen reader reads name, role and
    // text on the focus, and each new text after a step.
    r = Row("CDE", this, Lang("Property\\Edit.Start"));
    start_ = new wxSpinCtrl(this, wxID_ANY, wxString(), r.GetPosition(), r.GetSize(), wxSP_ARROW_KEYS,
                            form_.start.minimum, form_.start.maximum, form_.start.value);
    gtkaccess::SetName(start_, Lang("Property\\Edit.Start"));
    gtkaccess::ShowSpinValueAs(start_, [this](int) { return form_.StartText(); });
    r = Row("CDE", this, Lang("Property\\Edit.End"));
    end_ = new wxSpinCtrl(this, wxID_ANY, wxString(), r.GetPosition(), r.GetSize(), wxSP_ARROW_KEYS,
                          form_.end.minimum, form_.end.maximum, form_.end.value);
    gtkaccess::SetName(end_, Lang("Property\\Edit.End"));
    gtkaccess::ShowSpinValueAs(end_, [this](int) { return form_.EndText(); });
    r = Row("D", this, "", true);
    ok_ = new wxButton(this, wxID_ANY, U(Lang("Property\\Button.Ok")), r.GetPosition(), r.GetSize());
    r = Row("E -1", this, "", true);
    cancel_ = new wxButton(this, wxID_ANY, U(Lang("RequestButton.Cancel")), r.GetPosition(), r.GetSize());
    SetClientSize(width, RowLayout().maxY + RowLayout().margin);

    // After the player's keys (installed by the base), so these win where they overlap.
    const int w = Window();
    AddWindowShortcut(w, kVkEscape, propcmd::Cancel);
    AddWindowShortcut(w, kVkReturn, propcmd::Confirm);
    AddWindowShortcut(w, kVkSpace, propcmd::PreListen);
    AddWindowShortcut(w, kVkF1, propcmd::Reset);
    AddWindowShortcut(w, kVkPageUp, propcmd::StepUp);
    AddWindowShortcut(w, kVkPageDown, propcmd::StepDown);
    AddWindowShortcut(w, kVkUp, propcmd::SecondUp);
    AddWindowShortcut(w, kVkDown, propcmd::SecondDown);

    ok_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_OK); });
    cancel_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_CANCEL); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndModal(wxID_CANCEL); });
    alias_->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
      alias_->CallAfter([this] { alias_->SelectAll(); });
      e.Skip();
    });
    // The spin arrows clicked with the mouse change the value without our keys.
    for (wxSpinCtrl* spin : {start_, end_})
      spin->Bind(wxEVT_SPINCTRL, [this, spin](wxSpinEvent&) {
        (spin == start_ ? form_.start : form_.end).value = spin->GetValue();
        ShowTimes();
      });
    // The three description lines: a screen reader reads the line the caret is on, so the
    // other two are its description.
    auto lines = form_.description.find('\n');
    if (lines != std::string::npos) gtkaccess::SetDescription(description_, form_.description.substr(lines + 1));
    ShowTimes();
  }

  wxWindow* First() const { return description_; }
  std::string Alias() const { return std::string(alias_->GetValue().utf8_str()); }

 protected:
  bool IsWindowCommand(int32_t command) const override {
    return (command >= 3800 && command < 3900) || ChildWindow::IsWindowCommand(command);
  }

  bool OnWindowCommand(int32_t command) override {
    bool handled = false;
    PropertiesAction a = TrackPropertiesCommand(form_, command, Focused(), &handled);
    if (a == PropertiesAction::Confirm) EndModal(wxID_OK);
    else if (a == PropertiesAction::Cancel) EndModal(wxID_CANCEL);
    else if (handled) ShowTimes();
    return handled;
  }

 private:
  PropertyField Focused() const {
    wxWindow* f = wxWindow::FindFocus();
    if (f == start_) return PropertyField::Start;
    if (f == end_) return PropertyField::End;
    if (f == ok_) return PropertyField::Ok;
    if (f == cancel_) return PropertyField::Cancel;
    if (f == alias_) return PropertyField::Alias;
    return PropertyField::Description;
  }

  void ShowTimes() {
    // The text follows the value (shown by the spin field's own text of it).
    if (start_->GetValue() != form_.start.value) start_->SetValue(form_.start.value);
    if (end_->GetValue() != form_.end.value) end_->SetValue(form_.end.value);
    // At its maximum the end field is empty (the track plays to its end): a screen reader
    // reads what that end is as its value.
    gtkaccess::SetValueText(end_, form_.EndText().empty() ? form_.EndLengthText() : std::string());
  }

  TrackPropertiesForm& form_;
  wxTextCtrl* alias_ = nullptr;
  wxTextCtrl* description_ = nullptr;
  wxSpinCtrl* start_ = nullptr;
  wxSpinCtrl* end_ = nullptr;
  wxButton* ok_ = nullptr;
  wxButton* cancel_ = nullptr;
};

}  // namespace

bool OpenTrackPropertiesWindow(int32_t id) {
  TrackPropertiesForm form;
  if (!FillTrackProperties(form, id)) return false;
  bool confirmed = false;
  {
    PlayListMonitorSource source;
    PropertiesWindow w(MainWindow(), form);
    confirmed = w.Run(w.First()) == wxID_OK;
    if (confirmed) form.alias = w.Alias();
  }
  return confirmed && ApplyTrackProperties(form);
}
