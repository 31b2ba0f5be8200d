#include "ui/LangEditWindow.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "access/Shortcuts.h"
#include "lang/LangEditor.h"
#include "ui/ChildWindow.h"
#include "ui/GtkAccess.h"
#include "ui/PlayListView.h"

namespace {

// The window command of Escape (beside the editor's own commands, which are its gadgets).
constexpr int kEscape = 900;

class LangEditWindow : public ChildWindow {
 public:
  LangEditWindow(wxWindow* parent, const std::string& language)
      : ChildWindow(parent, langedit::kWindow, langedit::kTitle, false), editor_(language) {
    using namespace langedit;
    // Only the editor's own keys: the player's keys would take the text field's editing keys.
    ForgetWindow(Window());
    AddWindowShortcut(Window(), kVkReturn, kWindowCommandBase + kCmdReturn);
    AddWindowShortcut(Window(), kModCtrl + kVkUp, kWindowCommandBase + kCmdPrior);
    AddWindowShortcut(Window(), kModCtrl + kVkDown, kWindowCommandBase + kCmdNext);
    // Escape does what the close box does: quit without saving (the edits stay for this run).
    AddWindowShortcut(Window(), kVkEscape, kWindowCommandBase + kEscape);

    StartLayout(kWidth);
    AddButton(kPrior, kPriorCaption, Row("ABCDE", this, "", true));
    AddButton(kNext, kNextCaption, Row("ABCDE", this, "", true));
    AddButton(kDelete, kDeleteCaption, Row("ABCDE", this, "", true));
    // Taller than one row, so that a sighted helper sees more than one entry at a time.
    wxRect r = Row("ABCDE 8", this, kListCaption);
    if (LastLabel()) LastLabel()->SetId(kListLabel);
    // The multiple-selection table: in single mode GTK leaves its keyboard cursor behind when
    // the editor moves the selection itself (the next arrow key went on from the old row).
    list_ = new PlayListView(this, kList, editor_.List());
    list_->SetSize(r);
    gtkaccess::SetName(list_, kListCaption);
    r = Row("CDE", this, kTextCaption);
    if (LastLabel()) LastLabel()->SetId(kTextLabel);
    field_ = new wxTextCtrl(this, kText, wxEmptyString, r.GetPosition(), r.GetSize());
    gtkaccess::SetName(field_, kTextCaption);
    AddButton(kUpdate, kUpdateCaption, Row("", this, "", true));
    AddButton(kSave, kSaveCaption, Row("", this, "", true));
    AddButton(kQuit, kQuitCaption, Row("", this, "", true));
    SetClientSize(kWidth, RowLayout().maxY);

    Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) { Handle(e.GetId()); });
    Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, [this](wxDataViewEvent&) { Handle(kList); }, kList);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Handle(kCmdClose); });

    editor_.Fill(0);
    editor_.ShowSelected();
    SyncField();
  }
  // The list shows the editor's model: it goes before the model does.
  ~LangEditWindow() override { DestroyChildren(); }

  int Start() { return Run(list_); }

 protected:
  bool OnWindowCommand(int32_t command) override {
    int c = command - kWindowCommandBase;
    if (c == kEscape) c = langedit::kCmdClose;
    if (c == langedit::kCmdReturn && Focused() != langedit::kText && Focused() != langedit::kUpdate) return false;
    Handle(c);
    return true;
  }

 private:
  void AddButton(int id, const char* caption, const wxRect& r) {
    new wxButton(this, id, wxString::FromUTF8(caption), r.GetPosition(), r.GetSize());
  }

  int Focused() const {
    wxWindow* f = wxWindow::FindFocus();
    if (!f) return -1;
    if (list_->Contains(f)) return langedit::kList;
    return f->GetParent() == this ? f->GetId() : -1;
  }

  void Handle(int source) {
    bool quit = editor_.Event(source, Focused(), std::string(field_->GetValue().utf8_str()));
    SyncField();
    if (quit && IsModal()) EndModal(wxID_OK);
  }

  void SyncField() {
    wxString t = wxString::FromUTF8(editor_.FieldText());
    if (field_->GetValue() != t) field_->ChangeValue(t);
    if (editor_.listFocusWanted) {
      editor_.listFocusWanted = false;
      list_->SetFocus();
    }
  }

  LangEditor editor_;
  PlayListView* list_ = nullptr;
  wxTextCtrl* field_ = nullptr;
};

}  // namespace

void EditLanguage(const std::string& name, wxWindow* parent) {
  LangEditWindow w(parent, name);
  w.Start();
}
