#include "ui/Systray.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/menu.h>

#include "app/AppState.h"
#include "app/Dispatch.h"
#include "app/FileUtil.h"
#include "app/MenuTree.h"
#include "ui/Run.h"

namespace {
wxBitmap TrayPicture() {
  std::string path = DataFolder() + "Tondrial.bmp";
  std::string bytes;
  if (fileutil::ReadFile(path, bytes) && !bytes.empty()) {
    wxImage img;
    if (img.LoadFile(wxString::FromUTF8(path), wxBITMAP_TYPE_BMP) && img.IsOk()) return wxBitmap(img);
  }
  wxBitmap blank(32, 32, 24);
  if (blank.IsOk()) {
    wxMemoryDC dc(blank);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
  }
  return blank;
}
}  // namespace

Systray::Systray(std::function<void(int)> onCommand) : onCommand_(std::move(onCommand)) {
  wxBitmap picture = TrayPicture();
  if (!picture.IsOk()) FatalCreationError(6);
  wxIcon icon;
  icon.CopyFromBitmap(picture);
  // Without a notification area (a bare X server) the icon cannot show; the program goes on.
  SetIcon(icon, wxString::FromUTF8(App.AppName));
  Bind(wxEVT_TASKBAR_LEFT_DOWN, &Systray::OnLeftClick, this);
  Bind(wxEVT_MENU, &Systray::OnMenu, this);
}

Systray::~Systray() { RemoveIcon(); }

wxMenu* Systray::CreatePopupMenu() {
  auto* menu = new wxMenu;
  for (const auto& n : SystrayMenuTree()) {
    if (n.kind == MenuNode::Separator) {
      menu->AppendSeparator();
      continue;
    }
    std::string text = n.text;
    bool checked = false;
    if (const TrayItem* it = items_ ? items_(n.id) : nullptr) {
      if (it->hasText) text = it->text;
      checked = it->checked;
    }
    wxMenuItem* item = n.checkable ? menu->AppendCheckItem(n.id, wxString::FromUTF8(text.empty() ? " " : text))
                                   : menu->Append(n.id, wxString::FromUTF8(text.empty() ? " " : text));
    if (n.checkable) item->Check(checked);
    item->Enable(n.enabled);
  }
  return menu;
}

void Systray::OnLeftClick(wxTaskBarIconEvent&) { RestoreFromSystray(); }

void Systray::OnMenu(wxCommandEvent& e) { onCommand_(e.GetId()); }
