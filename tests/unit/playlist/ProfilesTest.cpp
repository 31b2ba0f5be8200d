#include "PlayListFixture.h"
#include "playlist/AddMedia.h"
#include "playlist/LengthCache.h"
#include "playlist/PlayListFile.h"

class Profiles : public PlayListTest {
 protected:
  // What a new run of the program starts from: nothing in memory, files and settings kept.
  void Restart() {
    ResetProfiles();
    ResetTracks();
    PlayListRows().Clear();
    player = StandInPlayer();
    EnterStartProfile();
  }
  std::vector<std::string> States() const {
    std::vector<std::string> out;
    for (int r = 0; r < PlayListRows().Count(); ++r) out.push_back(PlayListRows().Text(r, 0));
    return out;
  }
};

TEST_F(Profiles, SwitchingStoresAndRestoresListsWithTheirStates) {
  EnterStartProfile();
  EXPECT_TRUE(speech.lines.empty());
  EXPECT_EQ(CurrentProfile(), 0);
  EXPECT_EQ(ProfileName(), "Default");
  int32_t a = AddRow(MakeFile("a.mp3"));
  int32_t b = AddRow(MakeFile("b.mp3"));
  AddRow(MakeFile("c.mp3"));
  PlayListRows().MoveRow(2, 0);  // c, a, b
  PlayTrack(a, false);
  SelectRows({2});

  SwitchProfile(1, false);
  EXPECT_EQ(player.stops, 1);
  EXPECT_EQ(speech.Last(), "profile Musik");
  EXPECT_TRUE(PlayList().empty());
  EXPECT_EQ(PlayListRows().Count(), 0);
  EXPECT_TRUE(shell.menuChecked[cmd::ProfilDefault + 1]);
  // Chosen again from the menu, which took its mark off: nothing said, the mark is back.
  shell.menuChecked[cmd::ProfilDefault + 1] = false;
  speech.lines.clear();
  ProfileCommand(cmd::ProfilDefault + 1);
  EXPECT_TRUE(shell.menuChecked[cmd::ProfilDefault + 1]);
  EXPECT_TRUE(speech.lines.empty());
  EXPECT_FALSE(shell.menuChecked[cmd::ProfilDefault]);
  EXPECT_TRUE(fileutil::Exists(dir + "ProfilDefault.M3U"));
  AddRow(MakeFile("m.mp3"));

  // The file is read only once per run: a later change to it is not seen.
  fileutil::WriteFileAtomic(dir + "ProfilDefault.M3U", "");
  SwitchProfile(0, false);
  EXPECT_EQ(Names(), (std::vector<std::string>{"c.mp3", "a.mp3", "b.mp3"}));
  EXPECT_EQ(States(), (std::vector<std::string>{"", "played", ""}));
  EXPECT_EQ(PlayListRows().SelectedRows(), std::vector<int>{2});
  EXPECT_EQ(SelectedTrackID(PlayListRows()), b);
  EXPECT_EQ(PlayList()[0].Name, "c.mp3");  // records follow the row order after a switch
  EXPECT_EQ(shell.focusedGadget, gadget::PlayList);

  SwitchProfile(1, true);
  EXPECT_EQ(Names(), std::vector<std::string>{"m.mp3"});

  // Choosing the current profile does nothing and says nothing.
  size_t said = speech.lines.size();
  EXPECT_TRUE(ProfileCommand(cmd::ProfilDefault + 1));
  EXPECT_EQ(speech.lines.size(), said);
  EXPECT_EQ(Names(), std::vector<std::string>{"m.mp3"});
}

TEST_F(Profiles, FadingTrackBecomesPlayedAndIsRemovedWhenAsked) {
  SetMWFlag(setting::StartWithOldTracks, false);
  SwitchProfile(1, true);
  player.fadeOnStop = true;
  int32_t a = AddRow(MakeFile("a.mp3"));
  AddRow(MakeFile("b.mp3"));
  PlayTrack(a, false);
  SetMWFlag(setting::RemovePlayed, true);
  SwitchProfile(2, true);
  SwitchProfile(1, true);
  EXPECT_EQ(Names(), std::vector<std::string>{"b.mp3"});

  SetMWFlag(setting::RemovePlayed, false);
  PlayTrack(PlayList()[0].ID, false);
  SwitchProfile(2, true);
  SwitchProfile(1, true);
  EXPECT_EQ(States(), std::vector<std::string>{"played"});
}

TEST_F(Profiles, FilesAreWrittenOnLeavingAndAtQuitAndReadAtTheNextRun) {
  EnterStartProfile();
  std::string a = MakeFile("a.mp3");
  AddRow(a, 100);
  FindTrack(PlayList()[0].ID)->Tempo = 10;
  FindTrack(PlayList()[0].ID)->Alias = "intro";
  AddRow(MakeFile("gone.mp3"));
  SwitchProfile(2, true);
  AddRow(MakeFile("book.mp3"), 600);
  FindTrack(PlayList()[0].ID)->Start = 90;
  FindTrack(PlayList()[0].ID)->Pitch = -1.5f;
  StoreProfileAtQuit();
  EXPECT_EQ(CurrentProfile(), 0);
  std::string book;
  fileutil::ReadFile(dir + "ProfilBook.M3U", book);
  EXPECT_EQ(book, "#EXTM3U\r\n#extrem:Start=90;Ln=600;Pitch=-1.5;\r\nbook.mp3\r\n");

  std::filesystem::remove(dir + "gone.mp3");
  Restart();
  EXPECT_EQ(Names(), std::vector<std::string>{"intro"});  // the missing file is dropped
  EXPECT_EQ(PlayList()[0].Tempo, 0);  // Default does not keep tempo from files
  EXPECT_EQ(PlayList()[0].State, Ready);
  EXPECT_EQ(PlayListRows().SelectedRows(), std::vector<int>{0});
  player.lengths["book.mp3"] = 600;
  SwitchProfile(2, true);
  ASSERT_EQ(PlayList().size(), 1u);
  EXPECT_FLOAT_EQ(PlayList()[0].Pitch, -1.5f);  // Book keeps them
  EXPECT_EQ(States(), std::vector<std::string>{"read 15%"});

  // The same file added in Musik loses its tempo and pitch.
  SwitchProfile(1, true);
  int32_t first = 0;
  EXPECT_EQ(AddPath(dir + "ProfilBook.M3U", first, ""), 1);
  EXPECT_EQ(FindTrack(first)->Pitch, 0);
  EXPECT_EQ(FindTrack(first)->Start, 90);
}

TEST_F(Profiles, WithoutOldTracksNothingIsWrittenOrRead) {
  MakeFile("ProfilDefault.M3U", "a.mp3\r\n");
  MakeFile("a.mp3");
  SetMWFlag(setting::StartWithOldTracks, false);
  EnterStartProfile();
  EXPECT_TRUE(PlayList().empty());
  AddRow(MakeFile("b.mp3"));
  SwitchProfile(1, true);
  StoreProfileAtQuit();
  EXPECT_FALSE(fileutil::Exists(dir + "ProfilZik.M3U"));
  std::string kept;
  fileutil::ReadFile(dir + "ProfilDefault.M3U", kept);
  EXPECT_EQ(kept, "a.mp3\r\n");
  EXPECT_EQ(LoadProfileList(0), 1);
}

TEST_F(Profiles, UnreadableFilesAndTracksThatDoNotOpen) {
  MakeFile("ProfilZik.M3U", "ok.mp3\r\nbroken.mp3\r\n");
  MakeFile("ok.mp3");
  MakeFile("broken.mp3");
  player.lengths["broken.mp3"] = -1;
  EnterStartProfile();
  EXPECT_EQ(LoadProfileList(3), 0);  // no Radio file yet
  SwitchProfile(1, false);
  EXPECT_EQ(Names(), std::vector<std::string>{"ok.mp3"});
  SwitchProfile(3, false);
  EXPECT_TRUE(PlayList().empty());
  EXPECT_EQ(speech.Last(), "profile Radio");
  EXPECT_EQ(ProfileFile(7), dir + "ProfilDefault.M3U");
  EXPECT_EQ(ProfileFile(-1), dir + "ProfilDefault.M3U");
  EXPECT_EQ(ProfileFile(2), dir + "ProfilBook.M3U");
}

TEST_F(Profiles, FeatureAvailability) {
  struct Row {
    int feature;
    bool allowed[4];
  };
  const Row table[] = {{cmd::Fading, {true, true, false, false}},
                       {cmd::Looping, {true, true, false, false}},
                       {cmd::RemovePlayed, {true, true, true, false}},
                       {cmd::EnableTempoPitch, {true, true, false, true}},
                       {kFeatureKeepTempoPitch, {false, false, true, false}},
                       {cmd::Random, {false, false, false, false}}};
  for (const auto& r : table)
    for (int p = 0; p < 4; ++p) EXPECT_EQ(IsFeatureAllowed(r.feature, p), r.allowed[p]) << r.feature << " " << p;
  EXPECT_FALSE(IsFeatureAllowed(cmd::Fading));  // before the first switch
  EXPECT_FALSE(IsBookProfile());
}

TEST_F(Profiles, MenuStatesFollowTheProfile) {
  SetMWFlag(setting::StartWithOldTracks, false);
  SetMWFlag(setting::OutputNoKeepTempoPitch, true);
  SwitchProfile(1, true);
  EXPECT_TRUE(shell.menuEnabled[cmd::Fading]);
  EXPECT_TRUE(shell.menuChecked[cmd::Fading]);
  EXPECT_TRUE(shell.menuChecked[cmd::NoKeepTempoPitch]);

  SwitchProfile(2, true);
  EXPECT_TRUE(IsBookProfile());
  for (int item : {cmd::Fading, cmd::Looping, cmd::NoKeepTempoPitch}) {
    EXPECT_FALSE(shell.menuEnabled[item]) << item;
    EXPECT_FALSE(shell.menuChecked[item]) << item;
  }
  EXPECT_TRUE(shell.menuEnabled[cmd::RemovePlayed]);
  // Looping toggled in Book stays off and disabled; fading is not stored.
  ProfileCommand(cmd::Looping);
  EXPECT_FALSE(LoopingChecked());
  EXPECT_FALSE(shell.menuEnabled[cmd::Looping]);
  ProfileCommand(cmd::Fading);
  EXPECT_TRUE(GetMWFlag(setting::OutputFadingEnable));

  SwitchProfile(3, true);
  for (int item : {cmd::Fading, cmd::Looping, cmd::RemovePlayed}) EXPECT_FALSE(shell.menuEnabled[item]) << item;
  EXPECT_TRUE(shell.menuEnabled[cmd::NoKeepTempoPitch]);
  EXPECT_FALSE(shell.menuChecked[cmd::NoKeepTempoPitch]);
  ProfileCommand(cmd::NoKeepTempoPitch);
  EXPECT_TRUE(GetMWFlag(setting::OutputNoKeepTempoPitch));  // nothing stored in Radio
  ProfileCommand(cmd::Random);
  EXPECT_TRUE(GetMWFlag(setting::OutputRandom));
  EXPECT_TRUE(shell.menuChecked[cmd::Random]);
}

TEST_F(Profiles, OptionCommandsStoreAndSpeak) {
  SetMWFlag(setting::StartWithOldTracks, false);
  SwitchProfile(1, true);
  App.SettingsChanged = false;
  ProfileCommand(cmd::Fading);
  EXPECT_FALSE(GetMWFlag(setting::OutputFadingEnable));
  EXPECT_TRUE(App.SettingsChanged);
  EXPECT_EQ(speech.Last(), "fading off");
  EXPECT_FALSE(shell.menuChecked[cmd::Fading]);

  ProfileCommand(cmd::Looping);
  EXPECT_EQ(speech.Last(), "looping on");
  EXPECT_TRUE(shell.menuChecked[cmd::Looping]);
  SetLooping(1, false);  // spoken even when the mark does not change
  EXPECT_EQ(speech.lines.size(), 3u);

  AddRow(MakeFile("a.mp3"), 100, Played);
  AddRow(MakeFile("b.mp3"));
  ProfileCommand(cmd::RemovePlayed);
  EXPECT_EQ(speech.Last(), "remove played on");
  EXPECT_EQ(Names(), std::vector<std::string>{"b.mp3"});

  ProfileCommand(cmd::NoKeepEffect);
  EXPECT_TRUE(GetMWFlag(setting::OutputNoKeepEffect));
  EXPECT_TRUE(shell.menuChecked[cmd::NoKeepEffect]);
  EXPECT_EQ(speech.lines.size(), 4u);
  EXPECT_FALSE(ProfileCommand(190));
}

TEST_F(Profiles, BookRemembersWhereItWasLeft) {
  EnterStartProfile();
  int32_t music = AddRow(MakeFile("song.mp3"), 700);
  EXPECT_FALSE(StoreBookPosition(music, 30));  // only books remember
  EXPECT_EQ(FindTrack(music)->Start, 0);

  SwitchProfile(2, true);
  player.lengths["chapter.mp3"] = 700;
  int32_t chapter = AddRow(MakeFile("chapter.mp3"), 700);
  EXPECT_TRUE(StoreBookPosition(chapter, 604));
  EXPECT_EQ(PlayListRows().Text(0, 3), "10m4s");
  EXPECT_FALSE(StoreBookPosition(12345, 1));
  StoreProfileAtQuit();

  Restart();
  player.lengths["chapter.mp3"] = 700;
  SwitchProfile(2, true);
  ASSERT_EQ(PlayList().size(), 1u);
  EXPECT_EQ(PlayList()[0].Start, 604);
  EXPECT_EQ(States(), std::vector<std::string>{"read 86%"});
}

// A profile list whose files cannot be used at start (a drive not mounted, a file that does
// not open) keeps them: the next save writes them back after the usable tracks.
TEST_F(Profiles, EntriesThatCannotBeUsedNowAreNotLostBySaving) {
  std::string good = MakeFile("good.mp3");
  std::string broken = MakeFile("broken.mp3");
  fileutil::WriteFileAtomic(dir + "ProfilDefault.M3U",
                            "#EXTM3U\r\n" + good + "\r\n/media/usb/away.mp3\r\n" + broken + "\r\n");
  ResetProfiles();
  ResetTracks();
  PlayListRows().Clear();
  player = StandInPlayer();
  player.lengths["broken.mp3"] = -1;  // does not open as a stream
  EnterStartProfile();
  EXPECT_EQ(Names(), std::vector<std::string>{"good.mp3"});
  AddRow(MakeFile("new.mp3"));
  SwitchProfile(1, true);
  std::string saved;
  fileutil::ReadFile(dir + "ProfilDefault.M3U", saved);
  size_t g = saved.find("good.mp3"), n = saved.find("new.mp3"), a = saved.find("/media/usb/away.mp3"),
         b = saved.find("broken.mp3");
  ASSERT_NE(g, std::string::npos);
  ASSERT_NE(n, std::string::npos);
  ASSERT_NE(a, std::string::npos) << saved;
  ASSERT_NE(b, std::string::npos) << saved;
  EXPECT_LT(g, n);
  EXPECT_LT(n, a);
}

// Lengths learnt at one start are taken from the cache at the next: only files that are new,
// changed or failed are examined again, and the list is the same as when every file is examined.
TEST_F(Profiles, SecondStartExaminesOnlyWhatChanged) {
  MakeFile("ProfilDefault.M3U", "a.mp3\r\nb.mp3\r\nbad.mp3\r\nc.mp3\r\nmissing.mp3\r\na.mp3\r\n");
  MakeFile("a.mp3");
  MakeFile("b.mp3");
  MakeFile("bad.mp3");
  MakeFile("c.mp3");
  std::map<std::string, int32_t> known{{"a.mp3", 61}, {"b.mp3", 62}, {"bad.mp3", -1}};
  auto restart = [&] {
    ResetProfiles();
    ResetTracks();
    PlayListRows().Clear();
    player = StandInPlayer();
    player.lengths = known;
    EnterStartProfile();
  };
  auto lengthsSeen = [&] {
    std::vector<int32_t> out;
    for (const Track& t : PlayList()) out.push_back(t.Length);
    return out;
  };
  const std::vector<std::string> expected{"a.mp3", "b.mp3", "c.mp3"};  // failed, missing, duplicate dropped
  restart();
  EXPECT_EQ(Names(), expected);
  EXPECT_EQ(lengthsSeen(), (std::vector<int32_t>{61, 62, 60}));
  EXPECT_EQ(player.examined, 5);
  ASSERT_TRUE(fileutil::Exists(dir + "Lengths.cache"));

  restart();
  EXPECT_EQ(player.examined, 1);  // only the file that failed
  EXPECT_EQ(Names(), expected);
  EXPECT_EQ(lengthsSeen(), (std::vector<int32_t>{61, 62, 60}));
  EXPECT_EQ(PlayList()[0].End, 61);

  // A file replaced by another is examined again.
  MakeFile("b.mp3", "longer sound");
  known["b.mp3"] = 95;
  restart();
  EXPECT_EQ(player.examined, 2);
  EXPECT_EQ(lengthsSeen(), (std::vector<int32_t>{61, 95, 60}));

  // A damaged cache is ignored (every file examined, the same list) and written anew.
  std::string cache;
  ASSERT_TRUE(fileutil::ReadFile(dir + "Lengths.cache", cache));
  for (const std::string& damaged : {cache.substr(0, cache.size() / 2), std::string("\x01\x02garbage"),
                                     std::string()}) {
    fileutil::WriteFileAtomic(dir + "Lengths.cache", damaged);
    restart();
    EXPECT_EQ(player.examined, 5);
    EXPECT_EQ(Names(), expected);
    EXPECT_EQ(lengthsSeen(), (std::vector<int32_t>{61, 95, 60}));
    restart();
    EXPECT_EQ(player.examined, 1);
  }

  // Without examination nothing is opened.
  SetMWFlag(setting::ExamineBeforeAdd, false);
  restart();
  EXPECT_EQ(player.examined, 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "b.mp3", "bad.mp3", "c.mp3"}));
}

TEST(LengthCacheFile, EntriesCountOnlyForTheSameFileAndDamageIsRejected) {
  const char* tmp = std::getenv("TONDRIAL_TEST_TMP");
  std::string dir = std::string(tmp ? tmp : "/tmp") + "/playlist/LengthCacheFile/";
  std::filesystem::create_directories(dir);
  std::string path = dir + "Lengths.cache";
  LengthCache c;
  c.Put("/music/a b\tc.mp3", 100, 5, 61);
  c.Put("/music/new\nline.mp3", 100, 5, 61);  // cannot be stored: left out
  c.Put("/music/d.flac", 2000, -7, 0);
  ASSERT_TRUE(c.Save(path));
  EXPECT_FALSE(c.Changed());

  LengthCache d;
  ASSERT_TRUE(d.Load(path));
  EXPECT_EQ(d.Size(), 2u);
  int32_t s = -1;
  EXPECT_TRUE(d.Find("/music/a b\tc.mp3", 100, 5, s));
  EXPECT_EQ(s, 61);
  EXPECT_TRUE(d.Find("/music/d.flac", 2000, -7, s));
  EXPECT_EQ(s, 0);
  EXPECT_FALSE(d.Find("/music/a b\tc.mp3", 101, 5, s));  // other size
  EXPECT_FALSE(d.Find("/music/a b\tc.mp3", 100, 6, s));  // other time
  EXPECT_FALSE(d.Find("/music/other.mp3", 100, 5, s));

  std::string good;
  ASSERT_TRUE(fileutil::ReadFile(path, good));
  const std::string bad[] = {
      "",                                                  // empty
      good.substr(0, good.size() - 1),                     // last line cut
      good.substr(0, good.rfind("end")),                   // no end line
      "Tondrial lengths 0\n" + good.substr(good.find('\n') + 1),  // older way of learning lengths
      good.substr(0, good.rfind("end")) + "end\t3\n",     // count does not match
      good.substr(0, good.find('\n') + 1) + "x\t5\t61\t/a.mp3\n" + good.substr(good.find('\n') + 1),
      good.substr(0, good.find('\n') + 1) + "100\t5\t-1\t/a.mp3\n" + good.substr(good.find('\n') + 1),
      good.substr(0, good.find('\n') + 1) + "100\t5\t61\t\n" + good.substr(good.find('\n') + 1),
  };
  for (const std::string& text : bad) {
    fileutil::WriteFileAtomic(path, text);
    LengthCache e;
    e.Put("/kept.mp3", 1, 1, 1);
    EXPECT_FALSE(e.Load(path)) << text;
    EXPECT_EQ(e.Size(), 0u) << text;
  }
  EXPECT_FALSE(d.Load(dir + "absent.cache"));
}
