// The file explorer without its window: the places (drives, folders, play lists), their
// entries in ExploreList and in a rows model, the filter, going in and out, adding to the
// play list, and the texts the window shows. The window forwards its events here.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/ListModel.h"
#include "playlist/Track.h"

inline constexpr int kExploreWindow = 3600;

// Items of the filter list.
enum ExploreFilterItem : int {
  kExploreMultiMedia = 0,
  kExploreAudio = 1,
  kExplorePlayLists = 2,
  kExploreVideo = 3,
  kExploreAll = 4,
};
inline constexpr int kExploreFilterCount = 5;

// The control that has the focus when Return or Space is pressed.
enum class ExploreControl { Filter, Source, List, FirstButton, SecondButton, Back, Close };

// The extensions a place is listed with (forAdding false) or added with (true).
std::string ExploreFilter(int item, bool forAdding);
// The texts of the filter list, in item order.
std::vector<std::string> ExploreFilterTexts();
// The drives as explorer entries (negative identifiers); the number appended.
int EnumerateDrives(std::vector<Track>& target);
// The folder above (ending with "/"); the root comes back unchanged.
std::string ParentFolder(const std::string& folder);
// Examines a playable entry and adds a copy to the play list with its row; 1 when added.
int AddExplorerEntry(const Track& entry, int32_t& firstId);
// The row text of an entry (drive: it is one of the drive list): drives and folders say what they are.
std::string ExploreRowText(const Track& entry, bool drive);
// Where the explorer opens for a command (173, 174, 263..282); nothing when the command has
// no place (an empty recent-play-lists entry). An empty place is the drive list.
std::optional<std::string> ExplorePlaceOf(int command);

class Explorer {
 public:
  // Opens on place: a folder ending with "/", a play list, or "" for the drive list.
  explicit Explorer(const std::string& place);
  ~Explorer();
  Explorer(const Explorer&) = delete;
  Explorer& operator=(const Explorer&) = delete;

  ListModel& Rows() { return rows_; }
  const std::string& Source() const { return source_; }
  int FilterItem() const { return filter_; }
  const std::string& Title() const { return title_; }
  const std::string& FirstButtonText() const { return first_; }
  const std::string& SecondButtonText() const { return second_; }
  static std::string BackButtonText();
  int PlayableCount() const { return playable_; }
  // The first track added to the play list while the explorer was open, or 0.
  int32_t FirstAdded() const { return firstAdded_; }

  // Lists the source again and selects the entry whose File is select (else the first
  // playable entry, else the first row).
  void ShowPlace(const std::string& select);
  bool SelectExploreEntry(int32_t id);
  const Track* SelectedEntry() const;
  // What the Monitor pre-listens: the selected entry when it is playable.
  std::optional<Track> MonitorEntry() const;

  // The window's events. Return and Space answer true when the window is to close.
  bool Return(ExploreControl focus);
  bool Space(ExploreControl focus);
  void Back();
  void Open(const Track& entry);
  void ChooseFilter(int item);
  // The user moved the selection in the list: the button texts follow.
  void SelectionChanged();
  void FirstButton();
  void SecondButton();
  // The add actions, each ending with what it says; the number added.
  int AddThisFile();
  int AddAllListed();
  int AddAllOf(const Track& entry);

  // Closing: the play list selects the first added track; ExploreList is emptied.
  int32_t Close();

 private:
  void RefreshButtons();
  // Return and Space on the close, second and back buttons and the source text act alike:
  // true when handled there (close says whether the window closes).
  bool ButtonKey(ExploreControl focus, bool& close);

  ListModel rows_;
  std::string source_;
  int filter_ = kExploreMultiMedia;
  std::string title_, first_, second_;
  int playable_ = 0;
  int32_t firstAdded_ = 0;
  bool closed_ = false;
};
