#include "ui/AboutWindow.h"

#include <wx/button.h>
#include <wx/textctrl.h>

#include "access/Shortcuts.h"
#include "app/About.h"
#include "app/Commands.h"
#include "lang/Lang.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"

namespace {

constexpr int kAboutText = 142, kAboutOk = 144, kAboutWeb = 146;

class AboutWindow : public ChildWindow {
 public:
  // Escape is the window's command 148.
  static constexpr int32_t kClose = kWindowCommandBase + 148;

  explicit AboutWindow(wxWindow* parent) : ChildWindow(parent, gadget::AboutWindow, Lang("About.Title")) {
    const int width = 400;
    StartLayout(width);
    wxRect r = Row("ABCDE 8", this, "", true);
    // Shipped texts use CR LF; the control wants plain line feeds.
    wxString body = wxString::FromUTF8(AboutText());
    body.Replace("\r\n", "\n");
    text_ = new wxTextCtrl(this, kAboutText, body, r.GetPosition(), r.GetSize(), wxTE_MULTILINE | wxTE_READONLY);
    gtkaccess::SetName(text_, Lang("About.Title"));
    r = Row("DE", this, "", true);
    auto* ok = new wxButton(this, kAboutOk, wxString::FromUTF8(Lang("About.ButtonOk")), r.GetPosition(), r.GetSize());
    r = Row("AB -1", this, "", true);
    auto* web = new wxButton(this, kAboutWeb, wxString::FromUTF8(Lang("About.ButtonWWW")), r.GetPosition(), r.GetSize());
    SetClientSize(width, RowLayout().maxY);

    ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });
    web->Bind(wxEVT_BUTTON, [](wxCommandEvent&) { OpenMakerSite(); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndModal(wxID_OK); });
    AddWindowShortcut(Window(), kVkEscape, kClose);
  }

  wxWindow* First() const { return text_; }

 protected:
  bool OnWindowCommand(int32_t command) override {
    if (command != kClose) return false;
    Close();
    return true;
  }

 private:
  wxTextCtrl* text_ = nullptr;
};

}  // namespace

void ShowAbout(wxWindow* parent) {
  AboutWindow window(parent);
  window.Run(window.First());
}
