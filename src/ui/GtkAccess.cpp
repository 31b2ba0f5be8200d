#include "ui/GtkAccess.h"

#include <gtk/gtk.h>
#include <wx/dataview.h>
#include <wx/window.h>

namespace gtkaccess {
namespace {
GtkWidget* Widget(wxWindow* w) {
  if (!w) return nullptr;
  if (auto* dv = dynamic_cast<wxDataViewCtrl*>(w)) return dv->GtkGetTreeView();
  return static_cast<GtkWidget*>(w->GetHandle());
}
AtkObject* Accessible(wxWindow* w) {
  GtkWidget* g = Widget(w);
  return g ? gtk_widget_get_accessible(g) : nullptr;
}
}  // namespace

void SetStatusBar(wxWindow* statusBar, const std::string& name) {
  if (AtkObject* a = Accessible(statusBar)) {
    atk_object_set_role(a, ATK_ROLE_STATUSBAR);
    atk_object_set_name(a, name.c_str());
  }
}

void SetName(wxWindow* w, const std::string& name) {
  if (AtkObject* a = Accessible(w)) atk_object_set_name(a, name.c_str());
  // An editable drop-down list is focused in its entry, which is what a screen reader names.
  GtkWidget* g = Widget(w);
  if (g && GTK_IS_COMBO_BOX(g) && gtk_combo_box_get_has_entry(GTK_COMBO_BOX(g)))
    if (GtkWidget* entry = gtk_bin_get_child(GTK_BIN(g)))
      atk_object_set_name(gtk_widget_get_accessible(entry), name.c_str());
}

void SetDescription(wxWindow* w, const std::string& text) {
  if (AtkObject* a = Accessible(w)) atk_object_set_description(a, text.c_str());
}

namespace {
// The button sits inside the combo's own box: look through its internal children too.
void NoFocusOnButtons(GtkWidget* child, gpointer) {
  if (GTK_IS_BUTTON(child)) gtk_widget_set_can_focus(child, FALSE);
  else if (GTK_IS_CONTAINER(child) && !GTK_IS_ENTRY(child))
    gtk_container_forall(GTK_CONTAINER(child), NoFocusOnButtons, nullptr);
}
}  // namespace

void SkipDropDownButton(wxWindow* comboBox) {
  GtkWidget* g = Widget(comboBox);
  if (g && GTK_IS_COMBO_BOX(g)) gtk_container_forall(GTK_CONTAINER(g), NoFocusOnButtons, nullptr);
}

void SetDialog(wxWindow* w, const std::string& name) {
  if (AtkObject* a = Accessible(w)) {
    atk_object_set_role(a, ATK_ROLE_DIALOG);
    atk_object_set_name(a, name.c_str());
  }
}
void RowChanged(wxWindow* table, int row) {
  auto* dv = dynamic_cast<wxDataViewCtrl*>(table);
  GtkWidget* view = dv ? dv->GtkGetTreeView() : nullptr;
  GtkTreeModel* model = view ? gtk_tree_view_get_model(GTK_TREE_VIEW(view)) : nullptr;
  if (!model || row < 0) return;
  GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
  GtkTreeIter iter;
  if (gtk_tree_model_get_iter(model, &iter, path)) gtk_tree_model_row_changed(model, path, &iter);
  gtk_tree_path_free(path);
}
}  // namespace gtkaccess
