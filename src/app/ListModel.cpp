#include "app/ListModel.h"

#include <algorithm>

void ListModel::SetColumns(std::vector<Column> cols) {
  columns_ = std::move(cols);
  for (auto& r : rows_) r.cells.resize(columns_.size());
  Notify(&View::ColumnsChanged);
}

void ListModel::SetColumnWidth(int col, int width) {
  if (col < 0 || col >= static_cast<int>(columns_.size())) return;
  columns_[col].width = width;
  Notify(&View::ColumnsChanged);
}

int ListModel::InsertRow(int row, const std::vector<std::string>& cells, int64_t data) {
  if (row < 0 || row > Count()) row = Count();
  Row r;
  r.cells = cells;
  r.cells.resize(std::max(columns_.size(), cells.size()));
  r.data = data;
  rows_.insert(rows_.begin() + row, std::move(r));
  if (focus_ >= row) ++focus_;
  if (view_) view_->RowInserted(row);
  return row;
}

void ListModel::AppendRows(std::vector<Row> rows) {
  if (rows.empty()) return;
  rows_.reserve(rows_.size() + rows.size());
  for (Row& r : rows) {
    r.cells.resize(std::max(columns_.size(), r.cells.size()));
    rows_.push_back(std::move(r));
  }
  Notify(&View::RowsReset);
}

void ListModel::RemoveRow(int row) {
  if (row < 0 || row >= Count()) return;
  rows_.erase(rows_.begin() + row);
  if (focus_ > row) --focus_;
  else if (focus_ == row) focus_ = std::min(row, Count() - 1);
  if (view_) view_->RowRemoved(row);
}

void ListModel::Clear() {
  rows_.clear();
  focus_ = -1;
  Notify(&View::RowsReset);
}

void ListModel::SetText(int row, int col, const std::string& t) {
  if (row < 0 || row >= Count() || col < 0) return;
  auto& cells = rows_[row].cells;
  if (col >= static_cast<int>(cells.size())) cells.resize(col + 1);
  if (cells[col] == t) return;
  cells[col] = t;
  if (view_) view_->RowChanged(row);
}

std::string ListModel::Text(int row, int col) const {
  if (row < 0 || row >= Count() || col < 0 || col >= static_cast<int>(rows_[row].cells.size())) return {};
  return rows_[row].cells[col];
}

void ListModel::SetData(int row, int64_t data) {
  if (row >= 0 && row < Count()) rows_[row].data = data;
}

int64_t ListModel::Data(int row) const { return row >= 0 && row < Count() ? rows_[row].data : 0; }

int ListModel::FindData(int64_t data) const {
  for (int i = 0; i < Count(); ++i)
    if (rows_[i].data == data) return i;
  return -1;
}

void ListModel::MoveRow(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  Row r = std::move(rows_[from]);
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + to, std::move(r));
  if (focus_ == from) focus_ = to;
  else if (from < focus_ && focus_ <= to) --focus_;
  else if (to <= focus_ && focus_ < from) ++focus_;
  Notify(&View::RowsReset);
}

bool ListModel::IsSelected(int row) const { return row >= 0 && row < Count() && rows_[row].selected; }

void ListModel::Select(int row, bool on) {
  if (row < 0 || row >= Count() || rows_[row].selected == on) return;
  rows_[row].selected = on;
  Notify(&View::SelectionChanged);
}

void ListModel::SelectOnly(int row) {
  for (auto& r : rows_) r.selected = false;
  if (row >= 0 && row < Count()) {
    rows_[row].selected = true;
    focus_ = row;
  }
  Notify(&View::SelectionChanged);
}

void ListModel::ClearSelection() {
  for (auto& r : rows_) r.selected = false;
  Notify(&View::SelectionChanged);
}

int ListModel::SelectedCount() const {
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; }));
}

std::vector<int> ListModel::SelectedRows() const {
  std::vector<int> out;
  for (int i = 0; i < Count(); ++i)
    if (rows_[i].selected) out.push_back(i);
  return out;
}

int ListModel::FirstSelected() const {
  for (int i = 0; i < Count(); ++i)
    if (rows_[i].selected) return i;
  return -1;
}

void ListModel::SetFocus(int row) {
  if (row < -1 || row >= Count()) return;
  focus_ = row;
  Notify(&View::SelectionChanged);
}

void ListModel::UserSelection(const std::vector<int>& rows, int focus) {
  for (auto& r : rows_) r.selected = false;
  for (int i : rows)
    if (i >= 0 && i < Count()) rows_[i].selected = true;
  focus_ = (focus >= 0 && focus < Count()) ? focus : -1;
}
