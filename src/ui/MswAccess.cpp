// The Windows side of the accessibility calls: MSAA through wx's accessible objects. A native
// control answers everything it is not told here itself (wx then asks the system's own object).
#include "ui/GtkAccess.h"

#ifdef __WXMSW__
#include <wx/access.h>
#include <wx/dataview.h>
#include <wx/menu.h>
#include <wx/spinctrl.h>
#include <wx/window.h>

#include <optional>
#include <utility>

namespace gtkaccess {
namespace {

wxString Text(const std::string& s) { return wxString::FromUTF8(s); }

class Described : public wxAccessible {
 public:
  explicit Described(wxWindow* w) : wxAccessible(w) {}
  std::optional<wxString> name, description, value;
  std::optional<wxAccRole> role;

  wxAccStatus GetName(int child, wxString* out) override { return Answer(child, name, out); }
  wxAccStatus GetDescription(int child, wxString* out) override { return Answer(child, description, out); }
  wxAccStatus GetValue(int child, wxString* out) override { return Answer(child, value, out); }
  wxAccStatus GetRole(int child, wxAccRole* out) override {
    if (child != wxACC_SELF || !role) return wxACC_NOT_IMPLEMENTED;
    *out = *role;
    return wxACC_OK;
  }

 private:
  static wxAccStatus Answer(int child, const std::optional<wxString>& v, wxString* out) {
    if (child != wxACC_SELF || !v) return wxACC_NOT_IMPLEMENTED;
    *out = *v;
    return wxACC_OK;
  }
};

// The window's own accessible, made on first use (the window owns and deletes it).
Described* Of(wxWindow* w) {
  if (!w) return nullptr;
  if (auto* d = dynamic_cast<Described*>(w->GetAccessible())) return d;
  // A control with an accessible of its own (the data view's) keeps it.
  if (w->GetAccessible()) return nullptr;
  auto* d = new Described(w);
  w->SetAccessible(d);
  return d;
}

void Changed(wxWindow* w, int what, int child = wxACC_SELF) {
  if (w) wxAccessible::NotifyEvent(what, w, wxOBJID_CLIENT, child);
}

}  // namespace

// Windows' text fields do not race the screen reader for the focus: nothing to change.
void NoSelectOnFocus() {}

void SetStatusBar(wxWindow* statusBar, const std::string& name) {
  if (Described* d = Of(statusBar)) {
    d->role = wxROLE_SYSTEM_STATUSBAR;
    d->name = Text(name);
  }
}

void SetName(wxWindow* w, const std::string& name) {
  if (Described* d = Of(w)) {
    d->name = Text(name);
    Changed(w, wxACC_EVENT_OBJECT_NAMECHANGE);
  } else if (w) {
    w->SetName(Text(name));
  }
}

void SetEntryName(wxWindow* comboBox, const std::string& name) { SetName(comboBox, name); }

void SetDescription(wxWindow* w, const std::string& text) {
  if (Described* d = Of(w)) d->description = Text(text);
}

// A Windows drop-down list has no button of its own in the Tab order.
void SkipDropDownButton(wxWindow*) {}

void SetDialog(wxWindow* w, const std::string& name) {
  if (Described* d = Of(w)) {
    d->role = wxROLE_SYSTEM_DIALOG;
    d->name = Text(name);
  }
}

void RowChanged(wxWindow* table, int row) {
  if (row >= 0) Changed(table, wxACC_EVENT_OBJECT_NAMECHANGE, row + 1);
}

// Windows names a pop-up menu itself ("context menu").
void SetMenuName(wxMenu*, const std::string&) {}

// The data view's header is not a Tab stop on Windows.
void NoHeaderTabStops(wxWindow*) {}

void FocusRowMoved(wxWindow* table, int row) {
  if (row >= 0) Changed(table, wxACC_EVENT_OBJECT_FOCUS, row + 1);
}

// A trackbar reports its own changes of value; the announcement the program makes itself
// comes on top (no per-control switch in MSAA).
void SetValueHeard(wxWindow*, bool) {}

void SetValueText(wxWindow* control, const std::string& text) {
  if (Described* d = Of(control)) {
    if (text.empty()) d->value.reset();
    else d->value = Text(text);
    Changed(control, wxACC_EVENT_OBJECT_VALUECHANGE);
  }
}

void ShowSpinValueAs(wxWindow* spin, std::function<std::string(int value)> text) {
  auto* s = dynamic_cast<wxSpinCtrl*>(spin);
  if (!s) return;
  // The edit field keeps the number (Windows' spin field is numeric); what is read is the text.
  auto show = [s, text = std::move(text)] { SetValueText(s, text(s->GetValue())); };
  show();
  s->Bind(wxEVT_SPINCTRL, [show](wxSpinEvent& e) {
    show();
    e.Skip();
  });
}

}  // namespace gtkaccess
#endif  // __WXMSW__
