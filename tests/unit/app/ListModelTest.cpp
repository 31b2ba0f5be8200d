#include <gtest/gtest.h>

#include "app/ListModel.h"

namespace {
struct CountingView : ListModel::View {
  int resets = 0, inserts = 0, removes = 0, changes = 0, selections = 0, columns = 0;
  void RowsReset() override { ++resets; }
  void RowInserted(int) override { ++inserts; }
  void RowRemoved(int) override { ++removes; }
  void RowChanged(int) override { ++changes; }
  void SelectionChanged() override { ++selections; }
  void ColumnsChanged() override { ++columns; }
};
}  // namespace

TEST(ListModelTest, RowsSelectionFocusAndNotifications) {
  ListModel m;
  CountingView v;
  m.SetView(&v);
  m.SetColumns({{"A", 10}, {"B", 20}});
  EXPECT_EQ(m.InsertRow(-1, {"a0", "b0"}, 100), 0);
  EXPECT_EQ(m.InsertRow(5, {"a1"}, 101), 1);
  EXPECT_EQ(m.InsertRow(0, {"first"}, 99), 0);
  EXPECT_EQ(m.Count(), 3);
  EXPECT_EQ(m.FindData(101), 2);
  EXPECT_EQ(m.Text(2, 1), "");
  EXPECT_EQ(m.Text(7, 0), "");
  m.SetText(1, 1, "B!");
  m.SetText(1, 1, "B!");  // unchanged text: no redraw
  EXPECT_EQ(v.changes, 1);
  m.SelectOnly(2);
  EXPECT_EQ(m.Focus(), 2);
  m.Select(0, true);
  EXPECT_EQ(m.SelectedRows(), (std::vector<int>{0, 2}));
  m.RemoveRow(0);  // focus follows its row
  EXPECT_EQ(m.Focus(), 1);
  EXPECT_EQ(m.SelectedCount(), 1);
  m.MoveRow(1, 0);
  EXPECT_EQ(m.Data(0), 101);
  EXPECT_TRUE(m.IsSelected(0));
  EXPECT_EQ(m.Focus(), 0);
  m.UserSelection({1, 9}, 1);  // out-of-range rows from a view are ignored
  EXPECT_EQ(m.SelectedRows(), (std::vector<int>{1}));
  EXPECT_EQ(v.inserts, 3);
  EXPECT_EQ(v.removes, 1);
  m.Clear();
  EXPECT_EQ(m.Focus(), -1);
  EXPECT_EQ(m.FirstSelected(), -1);
}

TEST(ListModelTest, AppendRowsIsOneResetAndKeepsSelection) {
  ListModel m;
  CountingView v;
  m.SetView(&v);
  m.SetColumns({{"A", 10}, {"B", 20}});
  m.InsertRow(-1, {"a0", "b0"}, 100);
  m.SelectOnly(0);
  std::vector<ListModel::Row> rows(3);
  for (int i = 0; i < 3; ++i) {
    rows[i].cells = {"r" + std::to_string(i)};
    rows[i].data = 200 + i;
  }
  m.AppendRows(std::move(rows));
  EXPECT_EQ(v.resets, 1);
  EXPECT_EQ(v.inserts, 1);
  EXPECT_EQ(m.Count(), 4);
  EXPECT_EQ(m.Text(3, 0), "r2");
  EXPECT_EQ(m.Text(3, 1), "");  // short rows get every column
  EXPECT_EQ(m.FindData(201), 2);
  EXPECT_EQ(m.Focus(), 0);
  EXPECT_EQ(m.SelectedRows(), (std::vector<int>{0}));
  m.AppendRows({});  // nothing appended: no redraw
  EXPECT_EQ(v.resets, 1);
}
