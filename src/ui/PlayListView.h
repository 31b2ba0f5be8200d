// Shows a ListModel in a native table that screen readers can read (rows, headers, cells).
#pragma once
#include <wx/dataview.h>

#include "app/ListModel.h"

class PlayListView : public wxDataViewListCtrl, public ListModel::View {
 public:
  // style: the play list selects several rows; a list of places selects one (wxDV_SINGLE).
  PlayListView(wxWindow* parent, int id, ListModel& model, long style = wxDV_MULTIPLE | wxDV_ROW_LINES);
  ~PlayListView() override;
  bool Contains(wxWindow* w) const;

  void RowsReset() override;
  void RowInserted(int row) override;
  void RowRemoved(int row) override;
  void RowChanged(int row) override;
  void SelectionChanged() override;
  void ColumnsChanged() override;

 private:
  void OnSelection(wxDataViewEvent& e);
  wxVector<wxVariant> Values(int row) const;
  ListModel& model_;
  bool syncing_ = false;
  bool focusRowGone_ = false;  // a row was removed since the selection was last shown
};
