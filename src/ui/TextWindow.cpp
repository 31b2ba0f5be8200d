#include "ui/TextWindow.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "app/Commands.h"
#include "lang/Lang.h"
#include "app/Shell.h"
#include "ui/GtkAccess.h"
#include "ui/Requesters.h"

void ShowTextWindow(wxWindow* parent, const std::string& title, const std::string& body) {
  wxWindow* hadFocus = wxWindow::FindFocus();
  int width = parent ? parent->GetSize().GetWidth() : 600;
  int height = parent ? parent->GetSize().GetHeight() * 2 / 3 : 400;
  wxDialog dlg;
  if (!dlg.Create(parent, gadget::TextWindow, wxString::FromUTF8(title), wxDefaultPosition, wxSize(width, height),
                  wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)) {
    MessageRequester(parent, Lang("Msg.Error"), Lang("Msg\\DisplayWindow.NoCreated"), kRequesterOk);
    return;
  }
  // Text files use CR LF; the control wants plain line feeds.
  wxString t = wxString::FromUTF8(body);
  t.Replace("\r\n", "\n");
  auto* text = new wxTextCtrl(&dlg, 152, t, wxDefaultPosition, wxDefaultSize,
                              wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP);
  auto* close = new wxButton(&dlg, gadget::TextWindowClose, wxString::FromUTF8(Lang("RequestButton.Close")));
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(text, 1, wxEXPAND | wxALL, 5);
  sizer->Add(close, 0, wxALIGN_RIGHT | wxALL, 5);
  dlg.SetSizer(sizer);
  dlg.SetEscapeId(gadget::TextWindowClose);
  dlg.SetAffirmativeId(gadget::TextWindowClose);
  if (parent) dlg.CentreOnParent();
  gtkaccess::SetDialog(&dlg, title);
  text->SetFocus();
  text->SetInsertionPoint(0);
  dlg.ShowModal();
  if (hadFocus) hadFocus->SetFocus();
}
