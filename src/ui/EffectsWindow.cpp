#include "ui/EffectsWindow.h"

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <array>
#include <cmath>

#include "access/Shortcuts.h"
#include "effects/EffectsEditor.h"
#include "lang/Lang.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"

namespace {

// The window's number in the shortcut tables.
constexpr int kEffectsWindow = 4600;

constexpr int kWidth = 406, kBookWidth = 400, kMargin = 3, kRowHeight = 22, kRowGap = 3;

wxString Text(const std::string& s) { return wxString::FromUTF8(s); }

#ifdef __WXGTK__
// The spin button shows the parameter's own text ("50 ms", "1 KHz") instead of the bare
// integer, and reads a typed text back in the same form.
gboolean SpinOutput(GtkSpinButton* spin, gpointer param) {
  int value = static_cast<int>(std::lround(gtk_adjustment_get_value(gtk_spin_button_get_adjustment(spin))));
  std::string t = EffectParamText(GPOINTER_TO_INT(param), value);
  if (t != gtk_entry_get_text(GTK_ENTRY(spin))) gtk_entry_set_text(GTK_ENTRY(spin), t.c_str());
  return TRUE;
}

gint SpinInput(GtkSpinButton* spin, gdouble* value, gpointer param) {
  int v = 0;
  if (!EffectControlFromText(GPOINTER_TO_INT(param), gtk_entry_get_text(GTK_ENTRY(spin)), v)) return GTK_INPUT_ERROR;
  *value = v;
  return TRUE;
}
#endif

class EffectsWindow : public ChildWindow {
 public:
  EffectsWindow(wxWindow* parent, EffectsEditor& e)
      : ChildWindow(parent, kEffectsWindow, EffectsEditorTitle(e)), e_(e) {
    Build();
    AddWindowShortcut(Window(), kVkEscape, kCmdCancel);
    AddWindowShortcut(Window(), kVkReturn, kCmdReturn);
    AddWindowShortcut(Window(), kModCtrl | kVkTab, kCmdNextPage);
    AddWindowShortcut(Window(), kModCtrl | kModShift | kVkTab, kCmdPreviousPage);
    AddWindowShortcut(Window(), kVkF1, kCmdF1);
    AddWindowShortcut(Window(), kVkPageUp, kCmdPageUp);
    AddWindowShortcut(Window(), kVkPageDown, kCmdPageDown);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Finish(false); });
  }

  wxWindow* First() const { return book_; }

 protected:
  bool OnWindowCommand(int32_t command) override {
    switch (command) {
      case kCmdCancel: Finish(false); return true;
      case kCmdReturn: Finish(!FocusIsIn(cancel_)); return true;
      case kCmdNextPage: StepTab(book_, 1, true); return true;
      case kCmdPreviousPage: StepTab(book_, -1, true); return true;
      case kCmdF1: return F1();
      case kCmdPageUp:
      case kCmdPageDown: {
        int param = FocusedParam();
        if (param < 0) return false;
        ReadSpins();  // a value typed just before counts
        StepEffectsParam(e_, param, command == kCmdPageUp);
        ShowParams(param, param + 1);
        return true;
      }
      default: return false;
    }
  }

 private:
  enum : int32_t {
    kCmdCancel = kWindowCommandBase,
    kCmdReturn,
    kCmdNextPage,
    kCmdPreviousPage,
    kCmdF1,
    kCmdPageUp,
    kCmdPageDown,
  };

  // One row of a page: the label right-aligned in the left half, the control in the right half.
  wxRect RowRect(int& y, wxWindow* page, const std::string& label) {
    int half = (kBookWidth - 2 * kMargin) / 2;
    if (!label.empty())
      new wxStaticText(page, wxID_ANY, Text(label), wxPoint(kMargin, y + 3), wxSize(half - 2 * kMargin, kRowHeight),
                       wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
    wxRect r(kMargin + half, y, half - kMargin, kRowHeight);
    y += kRowHeight + kRowGap;
    return r;
  }
  wxRect WideRow(int& y) {
    wxRect r(kMargin, y, kBookWidth - 4 * kMargin, kRowHeight);
    y += kRowHeight + kRowGap;
    return r;
  }

  void Build() {
    book_ = new wxNotebook(this, wxID_ANY, wxPoint(kMargin, kMargin), wxSize(kBookWidth, 300));
    static const char* const kPages[kEffectsPageCount] = {"Effects\\Panel.General", "Effects\\Panel.APF",
                                                          "Effects\\Panel.AutoWah", "Effects\\Panel.Chorus",
                                                          "Effects\\Panel.Echo2",   "Effects\\Panel.Reverb"};
    static const char* const kChecks[kEffectsPageCount] = {"", "Effects\\Check.APF", "Effects\\Check.AutoWah",
                                                           "Effects\\Check.Chorus", "Effects\\Check.Echo2",
                                                           "Effects\\Check.Reverbe"};
    static const char* const kCombos[kEffectsPageCount] = {"", "Effects\\Combo.APFModel",
                                                           "Effects\\Combo.AutoWahModel", "Effects\\Combo.ChorusModel",
                                                           "Effects\\Combo.Echo2Model", ""};
    for (int page = 0; page < kEffectsPageCount; ++page) {
      auto* panel = new wxPanel(book_);
      book_->AddPage(panel, Text(Lang(kPages[page])), page == 0);
      int y = 5;
      if (page == kEffectsPageGeneral) {
        std::string label = Lang("Effects\\String.Name");
        wxRect r = RowRect(y, panel, label);
        name_ = new wxTextCtrl(panel, wxID_ANY, Text(e_.name), r.GetPosition(), r.GetSize());
        gtkaccess::SetName(name_, label);
        name_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { e_.name = std::string(name_->GetValue().utf8_str()); });
        name_->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& ev) {
          CallAfter([this] { name_->SelectAll(); });
          ev.Skip();
        });
        testMonitor_ = Check(panel, WideRow(y), "Effects\\Check.TestOnMonitor", e_.testOnMonitor);
        testOutput_ = Check(panel, WideRow(y), "Effects\\Check.TestOnOutput", e_.testOnOutput);
        continue;
      }
      enable_[page] = Check(panel, WideRow(y), kChecks[page], e_.enabled[page]);
      auto [first, last] = EffectsPageParams(page);
      for (int i = first; i < last; ++i) {
        std::string label = Lang(EffectParam(i).labelKey);
        wxRect r = RowRect(y, panel, label);
        const SliderControl& c = e_.params[i];
        auto* spin = new wxSpinCtrl(panel, wxID_ANY, wxEmptyString, r.GetPosition(), r.GetSize(),
                                    wxSP_ARROW_KEYS, c.minimum, c.maximum, c.value);
#ifdef __WXGTK__
        auto* gtk = GTK_SPIN_BUTTON(spin->GetHandle());
        gtk_spin_button_set_numeric(gtk, FALSE);
        // The text first: reading the bare number the toolkit put there as a text of the
        // control's own form would change the value.
        SpinOutput(gtk, GINT_TO_POINTER(i));
        g_signal_connect(gtk, "output", G_CALLBACK(SpinOutput), GINT_TO_POINTER(i));
        g_signal_connect(gtk, "input", G_CALLBACK(SpinInput), GINT_TO_POINTER(i));
#else
        // Windows' spin field is numeric: its number stays, a screen reader reads the text.
        gtkaccess::ShowSpinValueAs(spin, [i](int value) { return EffectParamText(i, value); });
#endif
        gtkaccess::SetName(spin, label);
        spin->Bind(wxEVT_SPINCTRL, [this, i, spin](wxSpinEvent&) {
          SetEffectsParam(e_, i, spin->GetValue());
          ShowParams(i, i + 1);
        });
        spins_[i] = spin;
      }
      if (*kCombos[page]) {
        std::string label = Lang(kCombos[page]);
        wxRect r = RowRect(y, panel, label);
        // The last row of its page: the drop-down list takes the height GTK needs for its text.
        auto* combo = new wxChoice(panel, wxID_ANY, r.GetPosition(), wxSize(r.GetWidth(), -1));
        const ListModel& list = e_.presets[page];
        for (int row = 0; row < list.Count(); ++row) combo->Append(Text(list.Text(row, 0)));
        combo->SetSelection(list.FirstSelected());
        gtkaccess::SetName(combo, label);
        combo->Bind(wxEVT_CHOICE, [this, page, combo](wxCommandEvent&) {
          e_.presets[page].SelectOnly(combo->GetSelection());
        });
        presets_[page] = combo;
      }
    }
    int buttonsY = kMargin + 300 + 2 * kMargin;
    int buttonW = (kBookWidth - 3 * kMargin) / 2;
    ok_ = new wxButton(this, wxID_OK, Text(Lang("RequestButton.Ok")), wxPoint(kMargin + kMargin, buttonsY),
                       wxSize(buttonW, 30));
    cancel_ = new wxButton(this, wxID_CANCEL, Text(Lang("RequestButton.Cancel")),
                           wxPoint(2 * kMargin + buttonW + kMargin, buttonsY), wxSize(buttonW, 30));
    ok_->SetDefault();
    ok_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Finish(true); });
    cancel_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Finish(false); });
    SetClientSize(kWidth, buttonsY + 30 + 2 * kMargin);
  }

  wxCheckBox* Check(wxWindow* page, const wxRect& r, const std::string& key, bool on) {
    auto* box = new wxCheckBox(page, wxID_ANY, Text(Lang(key)), r.GetPosition(), r.GetSize());
    box->SetValue(on);
    box->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
      ReadBoxes();
      TestCurrentSet(e_);
    });
    return box;
  }

  void ReadBoxes() {
    e_.testOnMonitor = testMonitor_->GetValue();
    e_.testOnOutput = testOutput_->GetValue();
    for (int page = kEffectsPageAPF; page < kEffectsPageCount; ++page) e_.enabled[page] = enable_[page]->GetValue();
  }

  // A value typed into a spin button reaches the control when it is read.
  void ReadSpins() {
    for (int i = 0; i < kEffectParamCount; ++i)
      if (spins_[i]) e_.params[i].value = spins_[i]->GetValue();
  }

  void ShowParams(int first, int last) {
    for (int i = first; i < last; ++i)
      if (spins_[i] && spins_[i]->GetValue() != e_.params[i].value) {
        spins_[i]->SetValue(e_.params[i].value);
#ifndef __WXGTK__
        gtkaccess::SetValueText(spins_[i], EffectParamText(i, e_.params[i].value));
#endif
      }
  }

  // Asked of the toolkit: a drop-down list is focused in an inner button the wx focus
  // tracking does not see.
  bool FocusIsIn(wxWindow* w) const {
    if (!w) return false;
#ifdef __WXGTK__
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(GetHandle()));
    GtkWidget* widget = static_cast<GtkWidget*>(w->GetHandle());
    return focus && widget && (focus == widget || gtk_widget_is_ancestor(focus, widget));
#else
    for (wxWindow* f = wxWindow::FindFocus(); f; f = f->GetParent())
      if (f == w) return true;
    return false;
#endif
  }

  int FocusedParam() const {
    for (int i = 0; i < kEffectParamCount; ++i)
      if (FocusIsIn(spins_[i])) return i;
    return -1;
  }

  bool F1() {
    for (int page = kEffectsPageAPF; page < kEffectsPageCount; ++page) {
      if (!FocusIsIn(presets_[page])) continue;
      ReadSpins();
      if (ApplyEffectsPreset(e_, page)) {
        auto [first, last] = EffectsPageParams(page);
        ShowParams(first, last);
      }
      return true;
    }
    int param = FocusedParam();
    if (param < 0) return false;
    ResetEffectsParam(e_, param);
    ShowParams(param, param + 1);
    return true;
  }

  void Finish(bool confirmed) {
    if (!IsModal()) return;
    ReadSpins();
    ReadBoxes();
    e_.name = std::string(name_->GetValue().utf8_str());
    EndModal(confirmed ? wxID_OK : wxID_CANCEL);
  }

  EffectsEditor& e_;
  wxNotebook* book_ = nullptr;
  wxTextCtrl* name_ = nullptr;
  wxCheckBox* testMonitor_ = nullptr;
  wxCheckBox* testOutput_ = nullptr;
  std::array<wxCheckBox*, kEffectsPageCount> enable_{};
  std::array<wxSpinCtrl*, kEffectParamCount> spins_{};
  std::array<wxChoice*, kEffectsPageCount> presets_{};
  wxButton* ok_ = nullptr;
  wxButton* cancel_ = nullptr;
};

}  // namespace

int EditEffectSet(int set, wxWindow* parent) {
  EffectsEditor e;
  if (!OpenEffectsEditor(e, set)) return 0;
  int result = wxID_CANCEL;
  {
    // The window closes (volume back, parent enabled) before the sets go back on the devices.
    EffectsWindow window(parent, e);
    result = window.Run(window.First());
  }
  bool confirmed = result == wxID_OK;
  CloseEffectsEditor(e, confirmed);
  return confirmed ? 1 : 0;
}
