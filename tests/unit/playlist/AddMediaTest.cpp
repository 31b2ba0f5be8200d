#include <algorithm>

#include "PlayListFixture.h"
#include "platform/Platform.h"
#include "playlist/AddMedia.h"
#include "playlist/PlayListFile.h"

using Adding = PlayListTest;

namespace {
std::vector<std::string> SortedFiles() {
  std::vector<std::string> out;
  for (const Track& t : PlayList()) out.push_back(fileutil::FilePart(t.File));
  std::sort(out.begin(), out.end());
  return out;
}
}  // namespace

TEST_F(Adding, ExtensionTests) {
  EXPECT_TRUE(IsAudioFile("/a/b.MP3"));
  EXPECT_TRUE(IsAudioFile("x.flac"));
  EXPECT_FALSE(IsAudioFile("/a.mp3/b"));  // the extension is taken from the file name
  EXPECT_FALSE(IsAudioFile("/a/mp3"));
  EXPECT_TRUE(IsVideoFile("/a/b.wmv"));
  EXPECT_TRUE(IsPlayListFile("/a/b.M3u"));
  EXPECT_TRUE(IsPlayListFile("/a/b.m3u8"));
  // Only a whole entry of a list counts, never a part of one or a longer name.
  for (const char* name : {"a.3", "a.p3", "a.av", "a.ac", "a.mp3.txt", "a.flac_backup", "a.mp", "a.mp3;"})
    EXPECT_FALSE(IsAudioFile(name)) << name;
  for (const char* name : {"a.m", "a.wm", "a.mv", "a.wmvx", "a.;"}) EXPECT_FALSE(IsVideoFile(name)) << name;
  for (const char* name : {"a.m3", "a.u", "a.u8", "a.m3u.bak"}) EXPECT_FALSE(IsPlayListFile(name)) << name;
  SetMWValue(setting::FileVideo, " Wmv ; Mkv");  // the video list's entries count without their ";"
  EXPECT_TRUE(IsVideoFile("a.mkv"));
  EXPECT_TRUE(IsVideoFile("a.WMV"));
  SetMWValue(setting::FileVideo, "WMV;");
  // A list whose last entry lacks its ";" does not know that entry as audio or play list.
  SetMWValue(setting::FileAudio, "Mp3;Ogg");
  SetMWValue(setting::FilePlayList, "M3U");
  EXPECT_TRUE(IsAudioFile("a.mp3"));
  EXPECT_FALSE(IsAudioFile("a.ogg"));
  EXPECT_FALSE(IsPlayListFile("a.m3u"));

  EXPECT_EQ(ExtensionPattern("Mp3; Wav;;"), "|*.Mp3;*.Wav;|");
  EXPECT_EQ(ExtensionPattern(" ; "), "");
  EXPECT_EQ(DialogPatterns("Mp3;Wav;"), "*.Mp3;*.Wav");
  auto filters = AddFilesFilters();
  ASSERT_EQ(filters.size(), 4u);  // no "all files" entry while the flag is stored
  EXPECT_EQ(filters[0].second, "*.Mp3;*.Ogg;*.WMV;*.M3U");
}

TEST_F(Adding, FolderIsReadOneLevelDeep) {
  MakeFile("album/one.mp3");
  MakeFile("album/two.OGG");
  MakeFile("album/clip.wmv");
  MakeFile("album/notes.txt");
  MakeFile("album/backup.mp3.bak");
  MakeFile("album/part.mp");
  MakeFile("album/other.m3");
  MakeFile("album/inner.m3u", "one.mp3\r\n");
  MakeFile("album/sub/deep.mp3");
  int32_t first = 0;
  EXPECT_EQ(AddPath(dir + "album/", first, ""), 3);
  EXPECT_EQ(SortedFiles(), (std::vector<std::string>{"clip.wmv", "one.mp3", "two.OGG"}));
  EXPECT_EQ(first, PlayList()[0].ID);
  EXPECT_EQ(PlayListRows().Count(), 3);
  EXPECT_EQ(PlayList()[0].Length, 60);  // examined

  std::vector<Track> listed;
  ListFolder(dir + "album/", listed, "mp3;m3;");
  int folders = 0, lists = 0, files = 0;
  for (const Track& t : listed) {
    if (t.File.back() == '/') {
      ++folders;
      EXPECT_LT(t.ID, 0);
    } else if (IsPlayListFile(t.File)) {
      ++lists;
      EXPECT_LT(t.ID, 0);
    } else {
      ++files;
      EXPECT_GT(t.ID, 0);
    }
  }
  EXPECT_EQ(folders, 1);
  EXPECT_EQ(lists, 0);  // "m3u" does not pass the filter; "m3" passes but is no play list
  EXPECT_EQ(files, 2);  // one.mp3 and other.m3, not part.mp
}

TEST_F(Adding, FolderComesInNameOrder) {
  for (const char* name : {"10.mp3", "b.mp3", "02.mp3", "A.mp3", "01.mp3", "c.mp3", "11.mp3", "03.mp3"})
    MakeFile(std::string("book/") + name);
  int32_t first = 0;
  EXPECT_EQ(AddPath(dir + "book/", first, ""), 8);
  std::vector<std::string> names;
  for (const Track& t : PlayList()) names.push_back(fileutil::FilePart(t.File));
  EXPECT_EQ(names, (std::vector<std::string>{"01.mp3", "02.mp3", "03.mp3", "10.mp3", "11.mp3", "A.mp3", "b.mp3", "c.mp3"}));
  EXPECT_EQ(first, PlayList()[0].ID);
}

TEST_F(Adding, PlayListEntriesAreNotExpandedFurther) {
  MakeFile("a.mp3");
  MakeFile("b.mp3");
  MakeFile("other.m3u", "b.mp3\r\n");
  MakeFile("sub/c.mp3");
  std::string list = MakeFile("main.m3u", "a.mp3\r\nother.m3u\r\nsub/\r\nmissing.mp3\r\nhttp://r.example/live\r\n");
  int32_t first = 0;
  EXPECT_EQ(AddPath(list, first, ""), 2);
  EXPECT_EQ(SortedFiles(), (std::vector<std::string>{"a.mp3", "live"}));
  const Track* radio = FindTrack(PlayList()[1].ID);
  EXPECT_EQ(radio->Length, -1);
  EXPECT_EQ(PlayListRows().Text(1, 2), "Radio");
  EXPECT_EQ(RecentEntry(RecentList::PlayFiles, 0), list);
}

TEST_F(Adding, DuplicatesIgnoringCaseAreAddedOnce) {
  std::string f = MakeFile("Song.mp3");
  shell.fileAnswers.push_back({f});
  shell.fileAnswers.push_back({dir + "SONG.MP3"});
  EXPECT_EQ(AddFilesCommand(1), 1);
  EXPECT_EQ(speech.Last(), "1 added");
  EXPECT_EQ(AddFilesCommand(1), 0);
  EXPECT_EQ(speech.Last(), "nothing added");
  EXPECT_EQ(PlayList().size(), 1u);
  EXPECT_TRUE(shell.fileRequests[0].multiple);
}

TEST_F(Adding, UnknownExtensionsFollowTheGoodExtensionFlag) {
  std::string f = MakeFile("voice.xyz");
  int32_t first = 0;
  EXPECT_EQ(AddPath(f, first, ""), 0);
  SetMWFlag(setting::OnlyGoodExtension, false);
  EXPECT_EQ(AddPath(f, first, ""), 1);
  // Without examination an unknown file is added as it is; with it, it must open as a stream.
  std::string g = MakeFile("broken.xyz");
  player.lengths["broken.xyz"] = -1;
  EXPECT_EQ(AddPath(g, first, ""), 0);
  SetMWFlag(setting::ExamineBeforeAdd, false);
  int before = player.examined;
  EXPECT_EQ(AddPath(g, first, ""), 1);
  EXPECT_EQ(player.examined, before);
  EXPECT_EQ(FindTrack(first) != nullptr, true);
}

TEST_F(Adding, OpeningReplacesTheListAndPlaysTheFirst) {
  AddRow(MakeFile("old.mp3"));
  std::vector<std::string> three = {MakeFile("1.mp3"), MakeFile("2.mp3"), MakeFile("3.mp3")};
  shell.fileAnswers.push_back(three);
  EXPECT_EQ(AddFilesCommand(0), 3);
  EXPECT_EQ(Names(), (std::vector<std::string>{"1.mp3", "2.mp3", "3.mp3"}));
  ASSERT_EQ(player.started.size(), 1u);
  EXPECT_EQ(FindTrack(player.started[0])->Name, "1.mp3");
  EXPECT_EQ(PlayListRows().SelectedRows(), std::vector<int>{0});
  EXPECT_EQ(speech.Last(), "3 added");

  // Adding keeps the list and starts nothing; a cancelled dialog clears nothing.
  shell.fileAnswers.push_back({MakeFile("4.mp3")});
  EXPECT_EQ(AddFilesCommand(1), 1);
  EXPECT_EQ(player.started.size(), 1u);
  EXPECT_EQ(PlayListRows().SelectedRows(), std::vector<int>{3});
  EXPECT_EQ(AddFilesCommand(0), 0);
  EXPECT_EQ(PlayListRows().Count(), 4);
}

TEST_F(Adding, FolderAndAddressCommands) {
  MakeFile("dir/a.mp3");
  shell.folderAnswers.push_back(dir + "dir");  // dialogs answer without the final "/"
  EXPECT_EQ(AddFolderCommand(0), 1);
  EXPECT_EQ(shell.folderRequests, std::vector<std::string>{platform::CurrentFolder()});
  EXPECT_EQ(player.started.size(), 1u);
  EXPECT_EQ(speech.Last(), "1 added");

  shell.clipboard = "not an address";
  shell.inputAnswers.push_back({true, ""});
  EXPECT_EQ(AddURLCommand(1), 0);
  EXPECT_EQ(speech.Last(), "nothing added");
  shell.inputAnswers.push_back({false, "http://ignored.example/"});
  EXPECT_EQ(AddURLCommand(1), 0);
  EXPECT_EQ(speech.Last(), "nothing added");

  // An address on the clipboard is the proposed answer.
  struct ProposalShell : HeadlessShell {
    std::string proposed;
    bool InputRequester(const std::string&, const std::string&, std::string& value) override {
      proposed = value;
      return true;  // accepted as proposed
    }
  } proposal;
  SetShell(&proposal);
  proposal.clipboard = " http://radio.example/stream ";
  EXPECT_EQ(AddURLCommand(1), 1);
  EXPECT_EQ(proposal.proposed, "http://radio.example/stream");
  SetShell(&shell);
  EXPECT_EQ(PlayList().size(), 2u);
  EXPECT_EQ(player.started.size(), 1u);
}

TEST_F(Adding, RecentFileEntries) {
  std::string f = MakeFile("recent.mp3");
  AddRecent(RecentList::Files, f, true, true);
  EXPECT_TRUE(AddMediaCommand(cmd::RecentFileFirst));
  EXPECT_EQ(PlayList().size(), 1u);
  EXPECT_EQ(speech.Last(), "1 added");
  EXPECT_TRUE(AddMediaCommand(cmd::RecentFileFirst + 5));  // no such entry
  EXPECT_EQ(speech.Last(), "nothing added");
  EXPECT_FALSE(AddMediaCommand(cmd::RecentFileLast + 1));
}

TEST_F(Adding, ExaminationFillsNameLengthAndCorrectsPoints) {
  Track url;
  url.File = "http://radio.example/path/live.mp3";
  EXPECT_EQ(player.ExamineTrack(url, true), 1);
  EXPECT_EQ(url.Name, "live.mp3");
  EXPECT_EQ(url.Length, -1);
  EXPECT_EQ(player.examined, 0);

  Track t;
  t.File = MakeFile("x.mp3");
  t.Start = 300;
  t.End = 500;
  player.lengths["x.mp3"] = 240;
  EXPECT_EQ(player.ExamineTrack(t, false), 1);
  EXPECT_EQ(t.Name, "x.mp3");
  EXPECT_EQ(t.Length, 240);
  EXPECT_EQ(t.End, 240);
  EXPECT_EQ(t.Start, 0);
  EXPECT_EQ(UpdateTrackLength(240, t), -1);
  EXPECT_EQ(UpdateTrackLength(-1, t), 0);

  SetMWFlag(setting::ExamineBeforeAdd, false);
  Track lazy;
  lazy.File = dir + "missing.mp3";
  EXPECT_EQ(player.ExamineTrack(lazy, false), 1);  // not opened
  EXPECT_EQ(lazy.Length, 0);
  EXPECT_EQ(player.ExamineTrack(lazy, true), 0);  // forced: must open
}
