#include "playlist/AddMedia.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "access/Speech.h"
#include "app/PathTools.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayerPort.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

std::string ListSetting(int id) { return text::Lower(GetMWValue(id)); }

// Whether ext (lower case, not empty) is one whole entry of a ";"-separated lower-case list, so
// "a.3" or "a.av" is not taken for "mp3;" or "wav;". With endedOnly, an entry counts only when
// a ";" ends it (a list's last entry without one is not known).
bool ListHolds(const std::string& list, const std::string& ext, bool endedOnly) {
  size_t from = 0;
  while (from <= list.size()) {
    size_t end = list.find(';', from);
    if (end == std::string::npos && endedOnly) return false;
    if (end == std::string::npos) end = list.size();
    if (text::Trim(list.substr(from, end - from)) == ext) return true;
    from = end + 1;
  }
  return false;
}

// Select the first added row, start it when opening, and say how many were added.
void CommonEnding(int add, int count, int32_t firstId) {
  UpdateNextPrevItems();
  UpdatePlayControls();
  SelectTrackRow(PlayListRows(), firstId, 0);
  if (!add && firstId != 0) PlayTrack(firstId, false);
  Speak(count > 0 ? Lang("Say.NbAdded", std::to_string(count)) : Lang("Say.NothingAdded"));
}

}  // namespace

std::string FileExtension(const std::string& path) {
  std::string name = path;
  size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : text::Lower(name.substr(dot + 1));
}

bool IsAudioFile(const std::string& path) {
  std::string ext = FileExtension(path);
  return !ext.empty() && ListHolds(ListSetting(setting::FileAudio), ext, true);
}

bool IsPlayListFile(const std::string& path) {
  std::string ext = FileExtension(path);
  return !ext.empty() && ListHolds(ListSetting(setting::FilePlayList), ext, true);
}

bool IsVideoFile(const std::string& path) {
  std::string ext = FileExtension(path);
  return !ext.empty() && ListHolds(ListSetting(setting::FileVideo), ext, false);
}

void ListFolder(const std::string& folder, std::vector<Track>& target, const std::string& rawFilter) {
  std::string filter = text::Lower(rawFilter);
  std::string playLists = ListSetting(setting::FilePlayList);
  const size_t before = target.size();
  std::error_code ec;
  std::filesystem::directory_iterator it(platform::FsPath(folder), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = platform::Utf8Of(it->path().filename());
    if (name == "." || name == "..") continue;
    std::error_code typeError;
    Track t;
    if (it->is_directory(typeError)) {
      t.File = folder + name + "/";
      t.ID = -NewTrackID();
    } else {
      std::string ext = FileExtension(name);
      // A file without extension matches no filter (as it matches no extension list).
      if (!filter.empty() && (ext.empty() || !ListHolds(filter, ext, false))) continue;
      t.File = folder + name;
      t.ID = NewTrackID();
      if (!ext.empty() && ListHolds(playLists, ext, false)) t.ID = -t.ID;
    }
    target.push_back(std::move(t));
  }
  // The file system gives its entries in no useful order (hash order on most Linux file
  // systems): a book's chapters or a show's tracks come by name, as a user reads them.
  std::stable_sort(target.begin() + static_cast<std::ptrdiff_t>(before), target.end(),
                   [](const Track& a, const Track& b) {
                     std::string la = text::Lower(a.File), lb = text::Lower(b.File);
                     return la != lb ? la < lb : a.File < b.File;
                   });
}

int AddEntry(Track track, int32_t& firstId, const std::string& filter, int depth) {
  const std::string path = track.File;
  std::vector<Track> inner;
  bool examined = false;
  if (IsURL(path) || IsAudioFile(path) || IsVideoFile(path)) {
    examined = Player().ExamineTrack(track, false) != 0;
  } else if (IsPlayListFile(path) && depth > 0) {
    int options = kLoadExistingOnly | (IsBookProfile() ? kLoadKeepTempoPitch : 0);
    if (LoadPlayListAny(path, inner, options) > 0) AddRecent(RecentList::PlayFiles, path, true, false);
  } else if (!path.empty() && path.back() == '/' && depth > 0) {
    ListFolder(path, inner, filter);
  } else if (!GetMWFlag(setting::OnlyGoodExtension)) {
    examined = Player().ExamineTrack(track, false) != 0;
  }
  int count = 0;
  for (Track& t : inner) count += AddEntry(std::move(t), firstId, filter, depth - 1);
  if (examined) {
    int32_t id = 0;
    if (AddTrack(track, id) == 1) {
      InsertTrackRow(id, -1);
      ++count;
      if (firstId == 0) firstId = id;
    }
  }
  return count;
}

int AddPath(const std::string& path, int32_t& firstId, const std::string& filter) {
  Track t;
  t.File = path;
  return AddEntry(std::move(t), firstId, filter, 1);
}

std::string ExtensionPattern(const std::string& list) {
  std::string out;
  for (const std::string& part : text::Split(list, ';')) {
    std::string p = text::Trim(part);
    if (!p.empty()) out += "*." + p + ";";
  }
  return out.empty() ? out : "|" + out + "|";
}

std::string DialogPatterns(const std::string& list) {
  std::string p = ExtensionPattern(list);
  if (p.size() < 2) return {};
  p = p.substr(1, p.size() - 2);
  if (!p.empty() && p.back() == ';') p.pop_back();
  return p;
}

std::vector<std::pair<std::string, std::string>> AddFilesFilters() {
  std::string audio = GetMWValue(setting::FileAudio);
  std::string video = GetMWValue(setting::FileVideo);
  std::string lists = GetMWValue(setting::FilePlayList);
  std::vector<std::pair<std::string, std::string>> filters;
  // One entry offering every kind at once, then one per kind.
  std::string all;
  for (const std::string* l : {&audio, &video, &lists}) {
    std::string p = DialogPatterns(*l);
    if (p.empty()) continue;
    if (!all.empty()) all += ";";
    all += p;
  }
  filters.emplace_back(Lang("Filter.MultiMedia"), all);
  filters.emplace_back(Lang("Filter.Audio") + ", (" + audio + ")", DialogPatterns(audio));
  filters.emplace_back(Lang("Filter.PlayList") + ", (" + lists + ")", DialogPatterns(lists));
  filters.emplace_back(Lang("Filter.Video") + ", (" + video + ")", DialogPatterns(video));
  if (GetMWValue(setting::OnlyGoodExtension).empty()) filters.emplace_back(Lang("Filter.All"), "*.*");
  return filters;
}

int AddFilesCommand(int add) {
  FileDialogRequest request;
  request.title = Lang(add ? "Title.AddFile" : "Title.OpenFile");
  request.filters = AddFilesFilters();
  request.multiple = true;
  std::vector<std::string> files = TheShell().FileRequester(request);
  int count = 0;
  int32_t firstId = 0;
  bool first = true;
  for (const std::string& f : files) {
    if (first && !add) ClearPlayList();
    first = false;
    count += AddPath(MakeAbsolutePath(f, ""), firstId, "");
  }
  CommonEnding(add, count, firstId);
  return count;
}

int AddFolderCommand(int add) {
  std::string title = Lang(add ? "Title.AddFolder" : "Title.OpenFolder");
  std::string filter;
  if (GetMWValue(setting::OnlyGoodExtension).empty())
    filter = GetMWValue(setting::FileAudio) + GetMWValue(setting::FileVideo);
  // The folder the file dialogs and the explorer start in: without one, the toolkit's dialog
  // opens on its recent places, where no folder can be chosen and a typed path is not taken.
  std::string folder = TheShell().FolderRequester(title, platform::CurrentFolder());
  int count = 0;
  int32_t firstId = 0;
  if (!folder.empty()) {
    if (folder.back() != '/') folder += '/';
    count = AddPath(folder, firstId, filter);
  }
  CommonEnding(add, count, firstId);
  return count;
}

int AddURLCommand(int add) {
  std::string title = Lang(add ? "Title.AddURL" : "Title.OpenURL");
  std::string clip = TheShell().ClipboardText();
  std::string answer = IsURL(clip) ? text::Trim(clip) : std::string();
  // A cancelled answer adds nothing.
  if (!TheShell().InputRequester(title, Lang("Msg.WriteURL"), answer)) answer.clear();
  return AddURL(add, answer);
}

int AddURL(int add, const std::string& address) {
  std::string answer = CleanText(address);
  int count = 0;
  int32_t firstId = 0;
  if (!answer.empty()) count = AddPath(answer, firstId, "");
  CommonEnding(add, count, firstId);
  return count;
}

int AddRecentFileCommand(int item) {
  std::string path = RecentEntry(RecentList::Files, item - cmd::RecentFileFirst);
  int32_t firstId = 0;
  int count = path.empty() ? 0 : AddPath(path, firstId, "");
  UpdateNextPrevItems();
  UpdatePlayControls();
  if (count > 0) SelectTrackRow(PlayListRows(), firstId, 0);
  Speak(count > 0 ? Lang("Say.NbAdded", std::to_string(count)) : Lang("Say.NothingAdded"));
  return count;
}

bool AddMediaCommand(int id) {
  switch (id) {
    case cmd::OpenFile: AddFilesCommand(0); return true;
    case cmd::OpenFolder: AddFolderCommand(0); return true;
    case cmd::OpenURL: AddURLCommand(0); return true;
    case cmd::AddFile: AddFilesCommand(1); return true;
    case cmd::AddFolder: AddFolderCommand(1); return true;
    case cmd::AddURL: AddURLCommand(1); return true;
    default:
      if (id >= cmd::RecentFileFirst && id <= cmd::RecentFileLast) {
        AddRecentFileCommand(id);
        return true;
      }
      return false;
  }
}
