#include "ui/PlayListView.h"

#include "lang/Lang.h"
#include "ui/GtkAccess.h"

PlayListView::PlayListView(wxWindow* parent, int id, ListModel& model, long style)
    : wxDataViewListCtrl(parent, id, wxPoint(0, 0), wxSize(10, 10), style),
      model_(model) {
  if (model_.Columns().empty()) {
    std::vector<ListModel::Column> cols;
    for (const char* key : {"ListIcon\\State", "ListIcon\\Designation", "ListIcon\\Duration", "ListIcon\\Start",
                            "ListIcon\\End", "ListIcon\\TempoPitch"})
      cols.push_back({Lang(key), 50});
    model_.SetColumns(cols);
  }
  model_.SetView(this);
  ColumnsChanged();
  RowsReset();
  Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, &PlayListView::OnSelection, this);
}

PlayListView::~PlayListView() { model_.SetView(nullptr); }

bool PlayListView::Contains(wxWindow* w) const {
  for (; w; w = w->GetParent())
    if (w == this) return true;
  return false;
}

wxVector<wxVariant> PlayListView::Values(int row) const {
  wxVector<wxVariant> v;
  for (size_t c = 0; c < model_.Columns().size(); ++c) v.push_back(wxVariant(wxString::FromUTF8(model_.Text(row, c))));
  return v;
}

void PlayListView::ColumnsChanged() {
  const auto& cols = model_.Columns();
  if (GetColumnCount() != cols.size()) {
    ClearColumns();
    for (const auto& c : cols) AppendTextColumn(wxString::FromUTF8(c.title), wxDATAVIEW_CELL_INERT, c.width);
    gtkaccess::NoHeaderTabStops(this);
    RowsReset();
    return;
  }
  for (unsigned i = 0; i < cols.size(); ++i) {
    wxDataViewColumn* col = GetColumn(i);
    col->SetTitle(wxString::FromUTF8(cols[i].title));
    if (col->GetWidth() != cols[i].width) col->SetWidth(cols[i].width);
  }
  gtkaccess::NoHeaderTabStops(this);
}

void PlayListView::RowsReset() {
  syncing_ = true;
  DeleteAllItems();
  for (int r = 0; r < model_.Count(); ++r) AppendItem(Values(r), static_cast<wxUIntPtr>(model_.Data(r)));
  syncing_ = false;
  SelectionChanged();
}

void PlayListView::RowInserted(int row) {
  syncing_ = true;
  InsertItem(row, Values(row), static_cast<wxUIntPtr>(model_.Data(row)));
  syncing_ = false;
}

void PlayListView::RowRemoved(int row) {
  syncing_ = true;
  DeleteItem(row);
  syncing_ = false;
  focusRowGone_ = true;
}

void PlayListView::RowChanged(int row) {
  for (size_t c = 0; c < model_.Columns().size(); ++c)
    SetTextValue(wxString::FromUTF8(model_.Text(row, c)), row, c);
  gtkaccess::RowChanged(this, row);
}

void PlayListView::SelectionChanged() {
  syncing_ = true;
  wxDataViewItemArray items;
  for (int r : model_.SelectedRows()) items.push_back(RowToItem(r));
  SetSelections(items);
  if (model_.Focus() >= 0) {
    wxDataViewItem it = RowToItem(model_.Focus());
    SetCurrentItem(it);
    EnsureVisible(it);
    if (focusRowGone_) gtkaccess::FocusRowMoved(this, model_.Focus());
  }
  focusRowGone_ = false;
  syncing_ = false;
}

void PlayListView::OnSelection(wxDataViewEvent& e) {
  if (syncing_) return;
  wxDataViewItemArray items;
  GetSelections(items);
  std::vector<int> rows;
  for (const auto& it : items) rows.push_back(ItemToRow(it));
  model_.UserSelection(rows, ItemToRow(GetCurrentItem()));
  e.Skip();
}
