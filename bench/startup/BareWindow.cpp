// A bare window with a table of N rows of six columns, filled before it is shown, as the
// player's main window is: what the toolkit alone costs for a list of that size.
// Usage: bare_window N
#include <wx/dataview.h>
#include <wx/wx.h>

#include <cstdlib>
#include <string>

class BareApp : public wxApp {
 public:
  bool OnInit() override {
    long rows = argc > 1 ? std::strtol(argv[1].utf8_str(), nullptr, 10) : 0;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Bare window", wxDefaultPosition, wxSize(800, 600));
    auto* list = new wxDataViewListCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                        wxDV_MULTIPLE | wxDV_ROW_LINES);
    for (const char* title : {"State", "Name", "Length", "Start", "End", "Tempo"}) list->AppendTextColumn(title);
    for (long r = 0; r < rows; ++r) {
      wxVector<wxVariant> values;
      values.push_back(wxVariant(""));
      values.push_back(wxVariant(wxString::Format("Chapter %ld.mp3", r)));
      values.push_back(wxVariant("00:03:25"));
      values.push_back(wxVariant("00:00:00"));
      values.push_back(wxVariant("00:03:25"));
      values.push_back(wxVariant(""));
      list->AppendItem(values);
    }
    frame->Show();
    return true;
  }
};

wxIMPLEMENT_APP(BareApp);
