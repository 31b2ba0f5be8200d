#include "playlist/Explorer.h"

#include <algorithm>
#include <utility>

#include "access/Shortcuts.h"
#include "access/Speech.h"
#include "app/Commands.h"
#include "app/FileUtil.h"
#include "app/PathTools.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "platform/Drives.h"
#include "platform/Platform.h"
#include "playlist/AddMedia.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayerPort.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

bool IsFolderEntry(const Track& t) { return t.ID < 0 && !t.File.empty() && t.File.back() == '/'; }

std::string WithKey(const std::string& text, int32_t key) { return text + " (" + KeyName(key) + ")"; }

void SayCount(int count) { Speak(count > 0 ? Lang("Say.NbAdded", std::to_string(count)) : Lang("Say.NothingAdded")); }

}  // namespace

std::string ExploreFilter(int item, bool forAdding) {
  const std::string audio = GetMWValue(setting::FileAudio);
  const std::string video = GetMWValue(setting::FileVideo);
  const std::string lists = GetMWValue(setting::FilePlayList);
  switch (item) {
    case kExploreAudio: return audio;
    // Play lists are shown to be opened; adding a folder with this filter adds no file.
    case kExplorePlayLists: return forAdding ? "###" : lists;
    case kExploreVideo: return video;
    case kExploreAll: return {};
    default: return forAdding ? audio + video : lists + audio + video;
  }
}

std::vector<std::string> ExploreFilterTexts() {
  return {Lang("Filter.MultiMedia"),
          Lang("Filter.Audio") + ", (" + GetMWValue(setting::FileAudio) + ")",
          Lang("Filter.PlayList") + ", (" + GetMWValue(setting::FilePlayList) + ")",
          Lang("Filter.Video") + ", (" + GetMWValue(setting::FileVideo) + ")",
          Lang("Filter.All")};
}

int EnumerateDrives(std::vector<Track>& target) {
  int count = 0;
  for (const platform::Drive& d : platform::LogicalDrives()) {
    Track t;
    t.File = d.root;
    t.ID = -NewTrackID();
    t.Alias = d.label;
    target.push_back(std::move(t));
    ++count;
  }
  return count;
}

std::string ParentFolder(const std::string& folder) {
  std::string s = folder;
  if (!s.empty() && s.back() == '/') s.pop_back();
  size_t slash = s.rfind('/');
  // A root has no folder above it.
  if (slash == std::string::npos || s.empty()) return folder;
  return s.substr(0, slash + 1);
}

int AddExplorerEntry(const Track& entry, int32_t& firstId) {
  if (entry.ID <= 0 || entry.File.empty()) return 0;
  Track t = entry;
  if (!Player().ExamineTrack(t, false)) return 0;
  // The play list's copy gets an identifier of its own: the entry keeps its one while listed.
  t.ID = 0;
  t.State = Ready;
  int32_t id = 0;
  if (AddTrack(t, id) != 1) return 0;
  InsertTrackRow(id, -1);
  if (firstId == 0) firstId = id;
  return 1;
}

std::string ExploreRowText(const Track& entry, bool drive) {
  if (drive) return entry.File + ", " + Lang("Explore\\Name.Volume") + entry.Alias;
  if (IsFolderEntry(entry)) return entry.File.substr(ParentFolder(entry.File).size()) + ", " + Lang("Explore\\Name.Folder");
  return TrackNameOf(entry.File);
}

std::optional<std::string> ExplorePlaceOf(int command) {
  if (command == cmd::Explore) return platform::CurrentFolder();
  if (command == cmd::ExploreMyMusic) {
    std::string folder = GetMWValue(setting::MyMusicFolder);
    if (text::Trim(folder).empty()) return std::string();
    folder = MakeAbsolutePath(folder, "");
    if (folder.back() != '/') folder += '/';
    return folder;
  }
  if (command >= cmd::RecentPlayFileFirst && command <= cmd::RecentPlayFileLast) {
    std::string list = RecentEntry(RecentList::PlayFiles, command - cmd::RecentPlayFileFirst);
    if (list.empty()) return std::nullopt;
    return list;
  }
  return std::nullopt;
}

Explorer::Explorer(const std::string& place) : source_(place) {
  title_ = Lang("Title.Explore");
  rows_.SetColumns({{Lang("Explore\\Column.Name"), 400}});
  ShowPlace("");
}

Explorer::~Explorer() { Close(); }

std::string Explorer::BackButtonText() { return WithKey(Lang("Explorr.Button.Back"), kVkBack); }

void Explorer::ShowPlace(const std::string& select) {
  ExploreList().Clear();
  rows_.Clear();
  std::vector<Track> entries;
  const bool drives = source_.empty();
  if (drives) {
    EnumerateDrives(entries);
  } else if (fileutil::FilePart(source_).empty()) {
    ListFolder(source_, entries, ExploreFilter(filter_, false));  // by name
  } else {
    int options = kLoadExistingOnly | (IsFeatureAllowed(kFeatureKeepTempoPitch) ? kLoadKeepTempoPitch : 0);
    LoadPlayListAny(source_, entries, options);
  }
  ExploreList().Assign(std::move(entries));

  int remembered = -1;
  int firstPlayable = -1;
  playable_ = 0;
  // Folders and drives first, then play lists, then what can be played.
  for (int group = 0; group < 3; ++group) {
    for (const Track& t : ExploreList()) {
      int g = t.ID > 0 ? 2 : (drives || IsFolderEntry(t)) ? 0 : 1;
      if (g != group) continue;
      int row = rows_.InsertRow(-1, {ExploreRowText(t, drives)}, t.ID);
      if (!select.empty() && t.File == select && remembered < 0) remembered = row;
      if (g == 2) {
        ++playable_;
        if (firstPlayable < 0) firstPlayable = row;
      }
    }
  }
  int row = remembered >= 0 ? remembered : firstPlayable >= 0 ? firstPlayable : 0;
  if (row < rows_.Count()) rows_.SelectOnly(row);
  title_ = Lang("Title.ExploreFile", std::to_string(playable_));
  RefreshButtons();
}

bool Explorer::SelectExploreEntry(int32_t id) {
  int row = rows_.FindData(id);
  if (row < 0) return false;
  rows_.SelectOnly(row);
  RefreshButtons();
  return true;
}

const Track* Explorer::SelectedEntry() const {
  int row = rows_.FirstSelected();
  if (row < 0) return nullptr;
  return ExploreList().Find(static_cast<int32_t>(rows_.Data(row)));
}

std::optional<Track> Explorer::MonitorEntry() const {
  const Track* t = SelectedEntry();
  // Folders, drives and play lists have nothing to play.
  if (!t || t->ID <= 0) return std::nullopt;
  return *t;
}

void Explorer::RefreshButtons() {
  const Track* t = SelectedEntry();
  if (!t) {
    first_.clear();
    second_.clear();
  } else if (t->ID > 0) {
    first_ = WithKey(Lang("Explore\\Button.AddFile"), kVkReturn);
    second_ = WithKey(Lang("Explore\\Button.AddAllFile", std::to_string(playable_)), kVkSpace);
  } else {
    first_ = Lang("Explore\\Button.OpenFolder");
    second_ = WithKey(Lang("Explore\\Button.AddAllFileInFolder"), kVkSpace);
  }
}

void Explorer::SelectionChanged() { RefreshButtons(); }

bool Explorer::ButtonKey(ExploreControl focus, bool& close) {
  close = false;
  switch (focus) {
    case ExploreControl::Close: close = true; return true;
    case ExploreControl::SecondButton: AddAllListed(); return true;
    case ExploreControl::Back: Back(); return true;
    case ExploreControl::Source: return true;
    default: return false;
  }
}

bool Explorer::Return(ExploreControl focus) {
  bool close = false;
  if (ButtonKey(focus, close)) return close;
  const Track* t = SelectedEntry();
  if (!t) return false;
  if (t->ID > 0) AddThisFile();
  else Open(*t);
  return false;
}

bool Explorer::Space(ExploreControl focus) {
  bool close = false;
  if (ButtonKey(focus, close)) return close;
  const Track* t = SelectedEntry();
  if (t && t->ID < 0) AddAllOf(*t);
  else AddAllListed();  // with nothing listed, the user hears that nothing was added
  return false;
}

void Explorer::Open(const Track& entry) {
  std::string place = entry.File;  // entry may live in ExploreList, which is rebuilt below
  source_ = place;
  ShowPlace("");
}

void Explorer::Back() {
  const std::string old = source_;
  std::string place = fileutil::FilePart(old).empty() ? ParentFolder(old) : fileutil::FolderPart(old);
  if (place == old) place.clear();
  source_ = place;
  ShowPlace(old);
}

void Explorer::ChooseFilter(int item) {
  if (item < 0 || item >= kExploreFilterCount) item = kExploreMultiMedia;
  const Track* t = SelectedEntry();
  std::string keep = t ? t->File : std::string();
  filter_ = item;
  ShowPlace(keep);
}

void Explorer::FirstButton() {
  const Track* t = SelectedEntry();
  if (!t) return;
  // The button reads "Open" while a folder is selected, so it opens it.
  if (t->ID > 0) AddThisFile();
  else Open(*t);
}

void Explorer::SecondButton() { AddAllListed(); }

int Explorer::AddThisFile() {
  const Track* t = SelectedEntry();
  int added = t ? AddExplorerEntry(*t, firstAdded_) : 0;
  Speak(added ? Lang("Say.Added") : Lang("Say.NothingAdded"));
  return added;
}

int Explorer::AddAllListed() {
  int count = 0;
  // AddExplorerEntry leaves ExploreList alone, but a copy keeps the walk safe whatever it does.
  std::vector<Track> entries = ExploreList().Items();
  for (const Track& t : entries) count += AddExplorerEntry(t, firstAdded_);
  SayCount(count);
  return count;
}

int Explorer::AddAllOf(const Track& entry) {
  std::string path = entry.File;
  int count = AddPath(path, firstAdded_, text::Lower(ExploreFilter(filter_, true)));
  SayCount(count);
  return count;
}

int32_t Explorer::Close() {
  if (closed_) return firstAdded_;
  closed_ = true;
  ExploreList().Clear();
  rows_.Clear();
  if (firstAdded_ != 0) {
    SelectTrackRow(PlayListRows(), firstAdded_, 0);
    UpdatePlayControls();
    UpdateNextPrevItems();
  }
  return firstAdded_;
}
