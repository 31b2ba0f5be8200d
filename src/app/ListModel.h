// A report list without a screen: rows of column texts, each with its item data
// (a track ID for the play list), a selection flag, and one focused row.
// The UI shows it and reports the user's selection back; every list rule is tested on it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class ListModel {
 public:
  // The view that shows the model. Calls arrive on the GUI thread after each change.
  class View {
   public:
    virtual ~View() = default;
    virtual void RowsReset() = 0;                       // everything may have changed
    virtual void RowInserted(int row) = 0;
    virtual void RowRemoved(int row) = 0;
    virtual void RowChanged(int row) = 0;               // texts of the row
    virtual void SelectionChanged() = 0;                // selection or focus
    virtual void ColumnsChanged() = 0;                  // headings or widths
  };

  struct Column {
    std::string title;
    int width = 50;
  };
  struct Row {
    std::vector<std::string> cells;
    int64_t data = 0;
    bool selected = false;
  };

  void SetView(View* v) { view_ = v; }

  // Columns.
  void SetColumns(std::vector<Column> cols);
  const std::vector<Column>& Columns() const { return columns_; }
  void SetColumnWidth(int col, int width);

  // Rows. Out-of-range rows are ignored by setters and read as empty.
  int Count() const { return static_cast<int>(rows_.size()); }
  // Inserts before row (row < 0 or past the end appends); returns the new row's index.
  int InsertRow(int row, const std::vector<std::string>& cells, int64_t data);
  // Appends many rows with one notification (RowsReset): a view told of each row in turn
  // spends time on every one, which a list of thousands makes seconds.
  void AppendRows(std::vector<Row> rows);
  void RemoveRow(int row);
  void Clear();
  void SetText(int row, int col, const std::string& t);
  std::string Text(int row, int col) const;
  void SetData(int row, int64_t data);
  int64_t Data(int row) const;
  int FindData(int64_t data) const;  // -1 when absent
  // Moves a row from one index to another, keeping its selection.
  void MoveRow(int from, int to);

  // Selection and focus.
  bool IsSelected(int row) const;
  void Select(int row, bool on);
  void SelectOnly(int row);  // clears the others, focuses row
  void ClearSelection();
  int SelectedCount() const;
  std::vector<int> SelectedRows() const;
  int FirstSelected() const;  // -1 when none
  int Focus() const { return focus_; }
  void SetFocus(int row);
  // Called by the view when the user changed the selection itself (no notification back).
  void UserSelection(const std::vector<int>& rows, int focus);

 private:
  void Notify(void (View::*f)()) {
    if (view_) (view_->*f)();
  }
  std::vector<Column> columns_;
  std::vector<Row> rows_;
  int focus_ = -1;
  View* view_ = nullptr;
};
