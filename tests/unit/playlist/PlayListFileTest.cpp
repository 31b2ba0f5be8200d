#include "PlayListFixture.h"
#include "playlist/PlayListFile.h"

using M3U = PlayListTest;

namespace {
std::string Read(const std::string& path) {
  std::string s;
  fileutil::ReadFile(path, s);
  return s;
}
}  // namespace

TEST_F(M3U, EveryFieldRoundTrips) {
  Track t;
  t.File = dir + "jingles/opening.mp3";
  t.Alias = "Opening; jingle";
  t.Start = 90;
  t.End = 200;
  t.Length = 240;
  t.Tempo = 12.5f;
  t.Pitch = -1.5f;
  t.Flags = kTrackFlagLoop;
  EXPECT_EQ(ExtensionFields(t), "Start=90;End=200;Ln=240;Tempo=12;Pitch=-1.5;Loop;Alias=Opening jingle;");
  Track radio;
  radio.File = "http://radio.example/live";
  radio.Length = -1;

  std::string list = dir + "list.m3u";
  ASSERT_EQ(fileutil::WriteFileAtomic(list, PlayListText({&t, &radio}, list)) > 0, true);
  EXPECT_EQ(Read(list),
            "#EXTM3U\r\n#extrem:Start=90;End=200;Ln=240;Tempo=12;Pitch=-1.5;Loop;Alias=Opening jingle;\r\n"
            "jingles/opening.mp3\r\nhttp://radio.example/live\r\n");

  std::vector<Track> read;
  ASSERT_EQ(LoadPlayListFile(list, read, kLoadKeepTempoPitch), 2);
  EXPECT_EQ(read[0].File, t.File);
  EXPECT_EQ(read[0].Alias, "Opening jingle");
  EXPECT_EQ(read[0].Start, 90);
  EXPECT_EQ(read[0].End, 200);
  EXPECT_EQ(read[0].Length, 240);
  EXPECT_FLOAT_EQ(read[0].Tempo, 12.0f);
  EXPECT_FLOAT_EQ(read[0].Pitch, -1.5f);
  EXPECT_EQ(read[0].Flags, kTrackFlagLoop);
  EXPECT_EQ(read[0].State, Ready);
  EXPECT_GT(read[0].ID, 0);
  EXPECT_NE(read[0].ID, read[1].ID);
  EXPECT_EQ(read[1].File, radio.File);
  EXPECT_EQ(read[1].Length, 0);  // no "Ln=" for a stream

  read.clear();
  LoadPlayListFile(list, read, 0);
  EXPECT_EQ(read[0].Tempo, 0);
  EXPECT_EQ(read[0].Pitch, 0);
}

TEST_F(M3U, PlainListWithoutSettingsAndEndRules) {
  Track a, b;
  a.File = "/x/a.mp3";
  b.File = "/x/b.mp3";
  EXPECT_EQ(PlayListText({&a, &b}, dir + "l.m3u"), "/x/a.mp3\r\n/x/b.mp3\r\n");
  a.Length = 240;
  a.End = 240;
  EXPECT_EQ(ExtensionFields(a), "Ln=240;");
  a.End = 0;
  EXPECT_EQ(ExtensionFields(a), "End=0;Ln=240;");
  a.Length = a.End = 0;
  a.Pitch = 2;
  EXPECT_EQ(ExtensionFields(a), "Pitch=2.0;");
}

TEST_F(M3U, ReaderRules) {
  std::string list = MakeFile("r.m3u",
                              "#EXTREM:start=10;LOOP;\r\n"  // upper-case prefix, lower-case keys
                              "a.mp3\n"
                              "#extrem:Start=10\r"          // no final ";": nothing read
                              "b.mp3\r\n"
                              "#extrem:Start=5;Start=7;Alias= x=y ;Tempo=5.7;Pitch=abc;\r\n"
                              "#EXTINF:12,Title\r\n"        // keeps the pending settings
                              "c.mp3\r\n"
                              "#extrem:Start=20;\r\n"
                              "\r\n"                        // consumes the pending settings
                              "d.mp3\r\n"
                              "#EXTM3U\r\n");
  std::vector<Track> read;
  ASSERT_EQ(LoadPlayListFile(list, read, kLoadKeepTempoPitch), 5);
  EXPECT_EQ(read[0].Start, 10);
  EXPECT_EQ(read[0].Flags, kTrackFlagLoop);
  EXPECT_EQ(read[1].Start, 0);
  EXPECT_EQ(read[2].Start, 7);
  EXPECT_EQ(read[2].Alias, "x=y");
  EXPECT_FLOAT_EQ(read[2].Tempo, 5.0f);
  EXPECT_FLOAT_EQ(read[2].Pitch, 0.0f);
  EXPECT_EQ(read[3].File, dir);  // the empty line: the folder itself
  EXPECT_EQ(read[4].File, dir + "d.mp3");
  EXPECT_EQ(read[4].Start, 0);
}

TEST_F(M3U, HostileListsCostWhatTheyHold) {
  // A run of empty lines (NUL, CR, LF) is one empty line: it still consumes the pending settings.
  std::string nuls(std::string("#extrem:Start=3;\n") + std::string(1000000, '\0') + "\r\n\n\ra.mp3\n");
  std::vector<Track> read;
  ASSERT_EQ(LoadPlayListFile(MakeFile("nuls.m3u", nuls), read, 0), 2);
  EXPECT_EQ(read[0].File, dir);
  EXPECT_EQ(read[0].Start, 3);
  EXPECT_EQ(read[1].File, dir + "a.mp3");
  EXPECT_EQ(read[1].Start, 0);

  // Pitch beyond a float takes the pitch limit of its sign; too small is 0; never infinity.
  read.clear();
  const std::string huge(300, '9');
  const std::string tiny = "0." + std::string(400, '0') + "1";
  ASSERT_EQ(LoadPlayListFile(MakeFile("pitch.m3u", "#extrem:Pitch=" + huge + ";\nx\n#extrem:Pitch=-" + huge +
                                                       ".5;\ny\n#extrem:Pitch=" + tiny + ";\nz\n"),
                             read, kLoadKeepTempoPitch),
            3);
  EXPECT_FLOAT_EQ(read[0].Pitch, 10.0f);
  EXPECT_FLOAT_EQ(read[1].Pitch, -10.0f);
  EXPECT_FLOAT_EQ(read[2].Pitch, 0.0f);
  EXPECT_EQ(ExtensionFields(read[0]), "Pitch=10.0;");

  // A list stops at a hundred thousand tracks.
  std::string many;
  for (int i = 0; i < 100010; ++i) many += "t\n";
  read.clear();
  EXPECT_EQ(LoadPlayListFile(MakeFile("many.m3u", many), read, 0), 100000);
}

TEST_F(M3U, ByteOrderMarkIsAPathLine) {
  std::string list = MakeFile("bom.m3u", "\xEF\xBB\xBF#EXTM3U\r\nhttp://a.example/s\r\n");
  std::vector<Track> read;
  EXPECT_EQ(LoadPlayListFile(list, read, 0), 2);
  EXPECT_EQ(read[0].File, dir + "\xEF\xBB\xBF#EXTM3U");
  read.clear();
  EXPECT_EQ(LoadPlayListFile(list, read, kLoadExistingOnly), 1);
}

TEST_F(M3U, RelativeAndAbsolutePaths) {
  std::string lists = dir + "Lists/";
  std::filesystem::create_directories(lists);
  Track inside, other, url;
  inside.File = dir + "lists/rock/a.mp3";  // differs from the list's folder in letter case only
  other.File = "/elsewhere/b.mp3";
  url.File = "https://s.example/x";
  EXPECT_EQ(PlayListText({&inside, &other, &url}, lists + "l.m3u"),
            "rock/a.mp3\r\n/elsewhere/b.mp3\r\nhttps://s.example/x\r\n");

  MakeFile("Lists/music/a.mp3");
  std::string list = MakeFile("Lists/w.m3u",
                              "\\music\\a.mp3\r\n"   // written on Windows, relative
                              "music/a.mp3\r\n"
                              "%MainApp%Lists/music/a.mp3\r\n"
                              "C:\\Music\\b.mp3\r\n");
  std::vector<Track> read;
  ASSERT_EQ(LoadPlayListFile(list, read, 0), 4);
  EXPECT_EQ(read[0].File, lists + "music/a.mp3");
  EXPECT_EQ(read[1].File, lists + "music/a.mp3");
  EXPECT_EQ(read[2].File, lists + "music/a.mp3");
  EXPECT_EQ(read[3].File, "C:/Music/b.mp3");
}

TEST_F(M3U, ExistingOnlyDropsMissingAndEmptyFilesButKeepsAddresses) {
  MakeFile("full.mp3");
  MakeFile("empty.mp3", "");
  std::string list = MakeFile("o.m3u",
                              "full.mp3\r\nempty.mp3\r\nmissing.mp3\r\nhttp://a.example/s\r\n"
                              "#extrem:Tempo=10;Pitch=1.5;\r\nfull.mp3\r\n");
  std::vector<Track> read;
  ASSERT_EQ(LoadPlayListFile(list, read, kLoadExistingOnly), 3);
  EXPECT_EQ(read[0].File, dir + "full.mp3");
  EXPECT_EQ(read[1].File, "http://a.example/s");
  EXPECT_EQ(read[2].Tempo, 0);  // option 2 not given
  read.clear();
  ASSERT_EQ(LoadPlayListFile(list, read, kLoadExistingOnly | kLoadKeepTempoPitch), 3);
  EXPECT_FLOAT_EQ(read[2].Tempo, 10);
  EXPECT_FLOAT_EQ(read[2].Pitch, 1.5);
}

TEST_F(M3U, PlsAndUnreadableFilesGiveNothing) {
  std::string pls = MakeFile("radio.PLS", "http://a.example/s\r\n");
  std::vector<Track> read;
  EXPECT_EQ(LoadPlayListAny(pls, read, 0), 0);
  EXPECT_EQ(LoadPlayListAny(dir + "none.m3u", read, 0), 0);
  EXPECT_EQ(LoadPlayListAny(dir, read, 0), 0);
  EXPECT_TRUE(read.empty());
}

TEST_F(M3U, UrlAndCleanText) {
  EXPECT_TRUE(IsURL("http://a"));
  EXPECT_TRUE(IsURL(" HTTPS ://a"));
  EXPECT_TRUE(IsURL("ftp:x"));
  EXPECT_TRUE(IsURL("itpc://feed"));
  EXPECT_FALSE(IsURL("file:///a"));
  EXPECT_FALSE(IsURL("/music/http:a"));
  EXPECT_FALSE(IsURL("http"));
  EXPECT_EQ(CleanText("  a\tb\x01 c\r\n "), "ab c");
}

TEST_F(M3U, SavingWritesRowsInViewOrderAndReplacesTheFile) {
  int32_t a = AddRow("/m/A.mp3");
  AddRow("/m/B.mp3");
  PlayListRows().MoveRow(1, 0);
  PlayList().Remove(a);  // a row without track is skipped
  AddRow("/m/C.mp3");
  Track norow;
  norow.File = "/m/norow.mp3";
  AddTrack(norow, a);
  std::string list = dir + "s.m3u";
  MakeFile("s.m3u", "old content that is longer than the new one\r\n");
  ASSERT_NE(SavePlayListFile(list), 0);
  EXPECT_EQ(Read(list), "#EXTM3U\r\n#extrem:Ln=100;\r\n/m/B.mp3\r\n#extrem:Ln=100;\r\n/m/C.mp3\r\n");
  EXPECT_EQ(SavePlayListFile(dir + "no/such/folder/s.m3u"), 0);

  AddToPlayedList(static_cast<int32_t>(PlayListRows().Data(2)));
  ASSERT_NE(SavePlayedListFile(dir + "played.m3u"), 0);
  EXPECT_EQ(Read(dir + "played.m3u"), "#EXTM3U\r\n#extrem:Ln=100;\r\n/m/C.mp3\r\n");
}

// Names other readers would take for comments, and the file:// lines other players write.
TEST_F(M3U, HashNamesAndFileUrisStayPaths) {
  Track hash, plain;
  hash.File = dir + "#hash-first.wav";
  plain.File = dir + "sub/#deeper.wav";
  EXPECT_EQ(PlayListText({&hash, &plain}, dir + "l.m3u"), "./#hash-first.wav\r\nsub/#deeper.wav\r\n");

  MakeFile("#hash-first.wav");
  MakeFile("Zèbre & co/b 100%.mp3");
  std::string list = MakeFile("other.m3u8",
                              "./#hash-first.wav\r\n"
                              "#hash-first.wav\r\n"  // as written before: still read as a path
                              "#EXTINF:12,Title\r\n"
                              "file://" + dir + "Z%C3%A8bre%20%26%20co/b%20100%25.mp3\r\n"
                              "FILE://localhost" + dir + "%23hash-first.wav\r\n"
                              "file://" + dir + "missing.mp3\r\n"
                              "file://server/share/a.mp3\r\n"
                              "file://" + dir + "nul%00.mp3\r\n");
  std::vector<Track> read;
  ASSERT_EQ(LoadPlayListAny(list, read, kLoadExistingOnly), 4);
  EXPECT_EQ(read[0].File, dir + "#hash-first.wav");
  EXPECT_EQ(read[1].File, dir + "#hash-first.wav");
  EXPECT_EQ(read[2].File, dir + "Zèbre & co/b 100%.mp3");
  EXPECT_EQ(read[3].File, dir + "#hash-first.wav");
  read.clear();
  // Without the existence check a missing local file is kept; other machines' files never are.
  EXPECT_EQ(LoadPlayListFile(list, read, 0), 5);
  EXPECT_EQ(read[4].File, dir + "missing.mp3");

  EXPECT_EQ(FileUriPath("file:///m/caf%E9.mp3"), "/m/café.mp3");  // 8-bit names read as Windows-1252
  EXPECT_EQ(FileUriPath("file:///m/a%2"), "/m/a%2");
  EXPECT_EQ(FileUriPath("/m/a.mp3"), "");
}
