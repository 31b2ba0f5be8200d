// A child window of tabbed settings pages: labelled spinners and sliders with their value text
// beside, check boxes and drop-down lists in rows, OK and Cancel below, and the keys such
// windows share: Escape cancels, Page Up / Page Down / F1 move the focused slider or spinner,
// Ctrl+Tab / Ctrl+Shift+Tab change the page. The window's logic keeps the values.
#pragma once
#include <wx/arrstr.h>

#include <map>
#include <string>
#include <vector>

#include "access/Sliders.h"
#include "audio/OutputConfig.h"
#include "ui/ChildWindow.h"

class ListModel;
class wxCheckBox;
class wxChoice;
class wxNotebook;
class wxPanel;
class wxSlider;
class wxSpinCtrl;

class SettingsPagesWindow : public ChildWindow {
 public:
  // wrapPages: Ctrl+Tab on the last page goes to the first (and back).
  SettingsPagesWindow(wxWindow* parent, int window, const std::string& title, int areaWidth, bool wrapPages);

  // Runs the window with the tab strip focused; true when confirmed.
  bool Open();

 protected:
  wxNotebook* Book() const { return book_; }
  wxPanel* NewPage(const std::string& labelKey);
  // Ends the page being built; height 0: the rows' height.
  void EndPage(int height = 0);
  void AddNumber(wxPanel* page, int control, const std::string& labelKey, bool slider);
  // A slider placed by the window itself, kept up to date like the others.
  void AddSlider(int control, wxSlider* slider) { sliders_[control] = slider; }
  wxCheckBox* AddCheck(wxPanel* page, int control, const std::string& labelKey, bool on);
  wxChoice* AddChoice(wxPanel* page, int control, const std::string& labelKey, const wxArrayString& items,
                      int selected);
  static wxArrayString RowTexts(const ListModel& list);
  // After the pages: the buttons, the window's size, the first page shown and the controls' texts.
  void FinishPages(int page);
  // The values of the logic into the controls.
  void ShowState();

  // What the window's logic supplies.
  virtual SliderControl* Slider(int control) = 0;
  virtual std::string ValueText(int control) = 0;
  // A spinner or slider took a new value (already in its SliderControl).
  virtual void NumberChanged(int /*control*/) {}
  virtual bool SliderKeyPressed(int control, SliderKey key) = 0;
  virtual void CheckChanged(int /*control*/, bool /*on*/) {}
  virtual void ChoiceChanged(int /*control*/, int /*item*/) {}
  // Controls of the window's own to bring up to date after the others.
  virtual void ShowOtherControls() {}
  virtual void Confirm() = 0;

 private:
  enum : int32_t { kCmdCancel = kWindowCommandBase, kCmdStepUp, kCmdStepDown, kCmdReset, kCmdNextPage, kCmdPrevPage };
  bool OnWindowCommand(int32_t command) override;
  void Changed(int control, int value);
  // Values typed into a spinner and not yet taken.
  void Collect();

  int areaWidth_;
  bool wrapPages_;
  wxNotebook* book_ = nullptr;
  std::vector<int> heights_;
  std::map<int, wxSpinCtrl*> spins_;
  std::map<int, wxSlider*> sliders_;
  std::map<int, wxStaticText*> values_;
  std::map<int, std::string> described_;
};
