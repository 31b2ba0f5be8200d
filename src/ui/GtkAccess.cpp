#include "ui/GtkAccess.h"

// The Windows counterparts are in MswAccess.cpp.
#ifdef __WXGTK__
#include <gtk/gtk.h>
#include <wx/dataview.h>
#include <wx/menu.h>
#include <wx/window.h>

#include <map>
#include <string>
#include <utility>

namespace gtkaccess {
void NoSelectOnFocus() {
  if (GtkSettings* settings = gtk_settings_get_default())
    g_object_set(settings, "gtk-entry-select-on-focus", FALSE, nullptr);
}

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

void SetEntryName(wxWindow* comboBox, const std::string& name) {
  GtkWidget* g = Widget(comboBox);
  GtkWidget* entry = g && GTK_IS_COMBO_BOX(g) && gtk_combo_box_get_has_entry(GTK_COMBO_BOX(g))
                         ? gtk_bin_get_child(GTK_BIN(g)) : nullptr;
  if (!entry) return SetName(comboBox, name);
  atk_object_set_name(gtk_widget_get_accessible(entry), name.c_str());
  // An empty name, not none: GTK would name the list after its chosen item.
  atk_object_set_name(gtk_widget_get_accessible(g), "");
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

void SetMenuName(wxMenu* menu, const std::string& name) {
  if (menu && menu->m_menu) atk_object_set_name(gtk_widget_get_accessible(menu->m_menu), name.c_str());
}

namespace {
void KeepOutOfTabOrder(GObject* button, GParamSpec*, gpointer) {
  if (gtk_widget_get_can_focus(GTK_WIDGET(button))) gtk_widget_set_can_focus(GTK_WIDGET(button), FALSE);
}

// The first cell of a row with a text: the one a screen reader reads when told of the row.
AtkObject* FirstTextCell(AtkTable* table, int row) {
  const int columns = atk_table_get_n_columns(table);
  for (int c = 0; c < columns; ++c) {
    AtkObject* cell = atk_table_ref_at(table, row, c);
    if (!cell) continue;
    const char* name = atk_object_get_name(cell);
    if ((name && *name) || c == columns - 1) return cell;
    g_object_unref(cell);
  }
  return nullptr;
}
}  // namespace

void NoHeaderTabStops(wxWindow* table) {
  auto* dv = dynamic_cast<wxDataViewCtrl*>(table);
  GtkWidget* view = dv ? dv->GtkGetTreeView() : nullptr;
  if (!view) return;
  GList* columns = gtk_tree_view_get_columns(GTK_TREE_VIEW(view));
  for (GList* c = columns; c; c = c->next) {
    GtkWidget* button = gtk_tree_view_column_get_button(GTK_TREE_VIEW_COLUMN(c->data));
    if (!button) continue;
    gtk_widget_set_can_focus(button, FALSE);
    // GTK makes a clickable header focusable again whenever it updates the column: keep it off.
    if (!g_object_get_data(G_OBJECT(button), "tondrial-no-tab-stop")) {
      g_object_set_data(G_OBJECT(button), "tondrial-no-tab-stop", GINT_TO_POINTER(1));
      g_signal_connect(button, "notify::can-focus", G_CALLBACK(KeepOutOfTabOrder), nullptr);
    }
  }
  g_list_free(columns);
}

void FocusRowMoved(wxWindow* table, int row) {
  auto* dv = dynamic_cast<wxDataViewCtrl*>(table);
  GtkWidget* view = dv ? dv->GtkGetTreeView() : nullptr;
  if (!view || row < 0) return;
  AtkObject* a = gtk_widget_get_accessible(view);
  if (!a || !ATK_IS_TABLE(a)) return;
  // Its first cell with a text: GTK has already put the focus on the row's first cell, which a
  // screen reader takes for the same (deleted) row when that cell is empty, and says nothing.
  if (AtkObject* cell = FirstTextCell(ATK_TABLE(a), row)) {
    g_signal_emit_by_name(a, "active-descendant-changed", cell);
    g_object_unref(cell);
  }
}

void SetValueHeard(wxWindow* slider, bool heard) {
  GtkWidget* g = Widget(slider);
  if (!g || !GTK_IS_RANGE(g)) return;
  AtkObject* a = gtk_widget_get_accessible(g);
  GtkAdjustment* adj = gtk_range_get_adjustment(GTK_RANGE(g));
  // The accessible hears the adjustment's "value-changed" through a handler of its own
  // (its data is the accessible): blocking that one alone keeps the slider and wx working.
  // Blocks nest in GLib, so the state is kept to block or unblock only once.
  bool quiet = g_object_get_data(G_OBJECT(g), "tondrial-value-quiet") != nullptr;
  if (!a || !adj || quiet == !heard) return;
  if (heard) g_signal_handlers_unblock_matched(adj, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, a);
  else g_signal_handlers_block_matched(adj, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, a);
  g_object_set_data(G_OBJECT(g), "tondrial-value-quiet", heard ? nullptr : GINT_TO_POINTER(1));
}

namespace {
// GTK's accessibles of sliders and spin fields have no value text; screen readers read one
// from the object attribute "valuetext" (as for web sliders). Each accessible class's
// attribute method is wrapped once.
using AttributesFn = AtkAttributeSet* (*)(AtkObject*);
std::map<AtkObjectClass*, AttributesFn>& OriginalAttributes() {
  static std::map<AtkObjectClass*, AttributesFn> originals;
  return originals;
}
AtkAttributeSet* WithValueText(AtkObject* a) {
  auto found = OriginalAttributes().find(ATK_OBJECT_GET_CLASS(a));
  AtkAttributeSet* set = found != OriginalAttributes().end() && found->second ? found->second(a) : nullptr;
  GtkWidget* w = GTK_IS_ACCESSIBLE(a) ? gtk_accessible_get_widget(GTK_ACCESSIBLE(a)) : nullptr;
  auto* text = w ? static_cast<const char*>(g_object_get_data(G_OBJECT(w), "tondrial-valuetext")) : nullptr;
  if (text && *text) {
    auto* attr = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
    attr->name = g_strdup("valuetext");
    attr->value = g_strdup(text);
    set = g_slist_prepend(set, attr);
  }
  return set;
}
}  // namespace

void SetValueText(wxWindow* control, const std::string& text) {
  GtkWidget* g = Widget(control);
  if (!g || !(GTK_IS_RANGE(g) || GTK_IS_SPIN_BUTTON(g))) return;
  AtkObject* a = gtk_widget_get_accessible(g);
  if (!a) return;
  AtkObjectClass* klass = ATK_OBJECT_GET_CLASS(a);
  if (klass->get_attributes != WithValueText) {
    OriginalAttributes()[klass] = klass->get_attributes;
    klass->get_attributes = WithValueText;
  }
  g_object_set_data_full(G_OBJECT(g), "tondrial-valuetext", g_strdup(text.c_str()), g_free);
}

namespace {
struct SpinText {
  std::function<std::string(int)> text;
};
gboolean OnSpinOutput(GtkSpinButton* spin, gpointer data) {
  int value = static_cast<int>(gtk_adjustment_get_value(gtk_spin_button_get_adjustment(spin)));
  std::string shown = static_cast<SpinText*>(data)->text(value);
  // Only a real change goes to the entry: an equal text replaced would be heard as a change.
  if (shown != gtk_entry_get_text(GTK_ENTRY(spin))) gtk_entry_set_text(GTK_ENTRY(spin), shown.c_str());
  return TRUE;
}
// The shown text is not a number: the value is kept as it is when GTK reads the text back.
gint OnSpinInput(GtkSpinButton* spin, gdouble* value, gpointer) {
  *value = gtk_adjustment_get_value(gtk_spin_button_get_adjustment(spin));
  return TRUE;
}
void FreeSpinText(gpointer data, GClosure*) { delete static_cast<SpinText*>(data); }
}  // namespace

void ShowSpinValueAs(wxWindow* spin, std::function<std::string(int value)> text) {
  GtkWidget* g = Widget(spin);
  if (!g || !GTK_IS_SPIN_BUTTON(g)) return;
  gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(g), FALSE);
  gtk_editable_set_editable(GTK_EDITABLE(g), FALSE);
  auto* data = new SpinText{std::move(text)};
  g_signal_connect_data(g, "output", G_CALLBACK(OnSpinOutput), data, FreeSpinText, GConnectFlags(0));
  g_signal_connect(g, "input", G_CALLBACK(OnSpinInput), nullptr);
  OnSpinOutput(GTK_SPIN_BUTTON(g), data);
}
}  // namespace gtkaccess
#endif  // __WXGTK__
