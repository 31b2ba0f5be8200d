// Common set-up of the play list tests: registered settings, a small language table,
// recorded speech, a headless shell, a stand-in Output engine and a scratch folder.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "access/Speech.h"
#include "app/AppState.h"
#include "app/FileUtil.h"
#include "app/HeadlessShell.h"
#include "app/Shell.h"
#include "lang/Lang.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayedWindow.h"
#include "playlist/PlayerPort.h"
#include "playlist/Profiles.h"
#include "playlist/Track.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

// Plays nothing, but moves track states and the history as the Output engine does,
// and answers stream lengths from a table (other existing files last 60 s).
class StandInPlayer : public PlayerPort {
 public:
  std::map<std::string, int32_t> lengths;  // by file-name part
  int32_t playing = 0;
  bool busy = false;
  bool failPlay = false;
  bool fadeOnStop = false;  // the stopped track fades out instead of ending at once
  std::vector<int32_t> started;
  int stops = 0;
  int examined = 0;
  // The Monitor: pre-listens asked for (track, seconds), tracks it was told to play.
  std::vector<std::pair<int32_t, int32_t>> preListens;
  std::vector<int32_t> monitorTracks;
  bool monitorPlaying = false;

  int OutputPlay(const Track* t, bool stop) override {
    if (!stop && (failPlay || !t)) return 0;
    if (playing) {
      AddToPlayedList(playing);
      SetTrackState(playing, fadeOnStop ? FadeOut : Played);
    }
    if (stop) {
      playing = 0;
      busy = false;
      ++stops;
      return 1;
    }
    playing = t->ID;
    busy = true;
    SetTrackState(t->ID, Playing);
    started.push_back(t->ID);
    return 1;
  }
  bool IsOutputBusy() override { return busy; }
  int32_t OutputTrackID() override { return playing; }
  int32_t StreamLengthSeconds(const std::string& f) override {
    ++examined;
    auto it = lengths.find(fileutil::FilePart(f));
    if (it != lengths.end()) return it->second;
    return fileutil::Exists(f) && !fileutil::IsFolder(f) ? 60 : -1;
  }
  int MonitorPreListen(int32_t id, int32_t seconds) override {
    preListens.emplace_back(id, seconds);
    return 1;
  }
  bool IsMonitorPlaying() override { return monitorPlaying; }
  void MonitorPlayTrack(int32_t id) override { monitorTracks.push_back(id); }
};

class PlayListTest : public ::testing::Test {
 protected:
  HeadlessShell shell;
  RecordingSpeech speech;
  StandInPlayer player;
  std::string dir;  // scratch folder of this test, ending in "/"

  void SetUp() override {
    ResetAppState();
    ResetSettings();
    RegisterSettings();
    ResetLang();
    static const std::pair<const char*, const char*> kTexts[] = {
        {"State.Playing", "playing"},       {"State.Pause", "paused"},
        {"State.Played", "played"},         {"State.FadeOut", "fading"},
        {"State.BookReaded", "read %s1%%"}, {"Flag.ToLoop", "loop"},
        {"Say.MovedUp", "up above %s1%"},   {"Say.MovedDown", "down below %s1%"},
        {"Say.Joined", "%s1% joined"},      {"Say.NbAdded", "%s1% added"},
        {"Say.NothingAdded", "nothing added"}, {"Say.Profil", "profile %s1%"},
        {"Profil.Default", "Default"},      {"Profil.Musik", "Musik"},
        {"Profil.Book", "Book"},            {"Profil.Radio", "Radio"},
        {"Say.LoopingOn", "looping on"},    {"Say.LoopingOff", "looping off"},
        {"Say.FadingOn", "fading on"},      {"Say.FadingOff", "fading off"},
        {"Say.RemovePlayedOn", "remove played on"}, {"Say.RemovePlayedOff", "remove played off"},
        {"Msg\\Play.Error", "cannot play"}, {"Say\\Error.BadSource", "bad source"},
        {"Property\\Title.Edit", "Properties of %s1%"}, {"Property\\Desc.File", "File: %s1%"},
        {"Property\\Desc.Path", "Folder: %s1%"},        {"Property\\Desc.Duration", "Length: %s1%"},
    };
    for (const auto& [k, v] : kTexts) LangTable().push_back({k, v});
    SortLangTable();
    SetShell(&shell);
    SetSpeechBackend(&speech);
    SetPlayerPort(&player);
    SetRandomPick(nullptr);
    SetTrackPropertiesWindow(nullptr);
    SetPlayedListWindow(nullptr);
    ResetTracks();
    ResetProfiles();
    PlayListRows().Clear();
    CreatePlayListView();

    const char* tmp = std::getenv("TONDRIAL_TEST_TMP");
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::string(tmp ? tmp : "/tmp") + "/playlist/" + info->test_suite_name() + "." + info->name() + "/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    App.PrefPath = dir;
    App.MainPath = dir;
  }

  void TearDown() override {
    SetShell(nullptr);
    SetSpeechBackend(nullptr);
    SetPlayerPort(nullptr);
    SetRandomPick(nullptr);
    SetPlayedListWindow(nullptr);
  }

  // A UTF-8 path for std::filesystem (a plain string would be read in Windows' ANSI code page).
  static std::filesystem::path Utf8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
  }

  // A file with some bytes (the stand-in gives its length).
  std::string MakeFile(const std::string& relative, const std::string& bytes = "sound") {
    std::string path = dir + relative;
    std::filesystem::create_directories(Utf8Path(path).parent_path());
    fileutil::WriteFileAtomic(path, bytes);
    return path;
  }

  // Adds a track with a row at the end; returns its ID.
  int32_t AddRow(const std::string& file, int32_t length = 100, int32_t state = Ready) {
    Track t;
    t.File = file;
    t.Name = fileutil::FilePart(file);
    t.Length = t.End = length;
    t.State = state;
    int32_t id = 0;
    AddTrack(t, id);
    InsertTrackRow(id, -1);
    return id;
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (int r = 0; r < PlayListRows().Count(); ++r) out.push_back(PlayListRows().Text(r, 1));
    return out;
  }

  void SelectRows(std::vector<int> rows) { PlayListRows().UserSelection(rows, rows.empty() ? -1 : rows.front()); }
};
