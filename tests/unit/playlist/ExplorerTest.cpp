// The explorer on real folders: grouping and selection, going in and out of folders and play
// lists, filters, adding, places that cannot be listed, and the drive list.
#ifndef _WIN32
#include <sys/stat.h>
#include <dirent.h>
#endif

#include "PlayListFixture.h"
#include "app/Commands.h"
#include "platform/Drives.h"
#include "platform/Platform.h"
#include "playlist/AddMedia.h"
#include "playlist/Explorer.h"

namespace {

class Exploring : public PlayListTest {
 protected:
  std::string music;  // a folder named with spaces and accents

  void SetUp() override {
    PlayListTest::SetUp();
    static const std::pair<const char*, const char*> kTexts[] = {
        {"Title.Explore", "explorer"},
        {"Title.ExploreFile", "explorer, %s1% files"},
        {"Explore\\Name.Folder", "folder"},
        {"Explore\\Name.Volume", "volume "},
        {"Explore\\Button.AddFile", "add this"},
        {"Explore\\Button.AddAllFile", "add all %s1%"},
        {"Explore\\Button.OpenFolder", "open"},
        {"Explore\\Button.AddAllFileInFolder", "add everything"},
        {"Explorr.Button.Back", "back"},
        {"Say.Added", "track added"},
        {"Key.Return", "Enter"},
        {"Key.Space", "Space"},
        {"Key.Back", "Backspace"},
        {"Filter.MultiMedia", "media"},
        {"Filter.Audio", "audio"},
        {"Filter.PlayList", "lists"},
        {"Filter.Video", "video"},
        {"Filter.All", "all"},
    };
    for (const auto& [k, v] : kTexts) LangTable().push_back({k, v});
    SortLangTable();
    music = dir + "Mes chansons d'été/";
    MakeFile("Mes chansons d'été/b song.mp3");
    MakeFile("Mes chansons d'été/a é.MP3");
    MakeFile("Mes chansons d'été/clip.wmv");
    MakeFile("Mes chansons d'été/notes.txt");
    MakeFile("Mes chansons d'été/list.m3u", "b song.mp3\r\nmissing.mp3\r\nhttp://r.example/live\r\n../outside.ogg\r\n");
    MakeFile("outside.ogg");
    MakeFile("Mes chansons d'été/Zèbre live/z.mp3");
    MakeFile("Mes chansons d'été/Zèbre live/deeper/d.mp3");
    std::filesystem::create_directories(Utf8Path(music + "album"));
  }

  static std::vector<std::string> RowTexts(Explorer& ex) {
    std::vector<std::string> out;
    for (int r = 0; r < ex.Rows().Count(); ++r) out.push_back(ex.Rows().Text(r, 0));
    return out;
  }
  static std::string Selected(Explorer& ex) {
    const Track* t = ex.SelectedEntry();
    return t ? ex.Rows().Text(ex.Rows().FirstSelected(), 0) : std::string("(none)");
  }
  static void SelectRow(Explorer& ex, const std::string& text) {
    for (int r = 0; r < ex.Rows().Count(); ++r)
      if (ex.Rows().Text(r, 0) == text) {
        ex.Rows().UserSelection({r}, r);
        ex.SelectionChanged();
        return;
      }
    FAIL() << "no row " << text;
  }
};

TEST_F(Exploring, FolderShowsSubFoldersThenPlayListsThenFilesAndSelectsTheFirstFile) {
  Explorer ex(music);
  EXPECT_EQ(ex.Source(), music);
  EXPECT_EQ(RowTexts(ex), (std::vector<std::string>{"album/, folder", "Zèbre live/, folder", "list.m3u", "a é.MP3",
                                                    "b song.mp3", "clip.wmv"}));
  EXPECT_EQ(Selected(ex), "a é.MP3");
  EXPECT_EQ(ex.PlayableCount(), 3);
  EXPECT_EQ(ex.Title(), "explorer, 3 files");
  EXPECT_EQ(ex.FirstButtonText(), "add this (Enter)");
  EXPECT_EQ(ex.SecondButtonText(), "add all 3 (Space)");
  EXPECT_EQ(Explorer::BackButtonText(), "back (Backspace)");
  // Each row's data is its entry's identifier; folders and play lists are negative.
  for (int r = 0; r < ex.Rows().Count(); ++r) {
    const Track* t = ExploreList().Find(static_cast<int32_t>(ex.Rows().Data(r)));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->ID < 0, r < 3) << t->File;
  }
  SelectRow(ex, "album/, folder");
  EXPECT_EQ(ex.FirstButtonText(), "open");
  EXPECT_EQ(ex.SecondButtonText(), "add everything (Space)");
  EXPECT_FALSE(ex.MonitorEntry().has_value());
  SelectRow(ex, "b song.mp3");
  ASSERT_TRUE(ex.MonitorEntry().has_value());
  EXPECT_EQ(ex.MonitorEntry()->File, music + "b song.mp3");

  // Filters: everything keeps the selection; play lists only loses the file and falls to row 0.
  ex.ChooseFilter(kExploreAll);
  EXPECT_EQ(ex.Rows().Count(), 7);
  EXPECT_EQ(Selected(ex), "b song.mp3");
  ex.ChooseFilter(kExplorePlayLists);
  EXPECT_EQ(RowTexts(ex), (std::vector<std::string>{"album/, folder", "Zèbre live/, folder", "list.m3u"}));
  EXPECT_EQ(Selected(ex), "album/, folder");
  EXPECT_EQ(ex.Title(), "explorer, 0 files");
  ex.ChooseFilter(99);  // out of range: the multimedia filter
  EXPECT_EQ(ex.FilterItem(), kExploreMultiMedia);
  EXPECT_EQ(ex.Rows().Count(), 6);

  EXPECT_EQ(ExploreFilter(kExploreMultiMedia, false), "M3U;M3U8;" + GetMWValue(setting::FileAudio) + "WMV;");
  EXPECT_EQ(ExploreFilter(kExploreMultiMedia, true), GetMWValue(setting::FileAudio) + "WMV;");
  EXPECT_EQ(ExploreFilter(kExplorePlayLists, true), "###");
  EXPECT_EQ(ExploreFilterTexts()[2], "lists, (M3U;M3U8;)");
  EXPECT_EQ(ExploreFilterTexts().size(), 5u);

  ex.Close();
  EXPECT_TRUE(ExploreList().empty());
}

TEST_F(Exploring, ReturnEntersFoldersAndPlayListsAndBackReturnsWithTheLeftPlaceSelected) {
  EXPECT_EQ(ParentFolder("/a/b c/"), "/a/");
  EXPECT_EQ(ParentFolder("/a/"), "/");
  EXPECT_EQ(ParentFolder("/"), "/");
  EXPECT_EQ(ParentFolder(""), "");

  Explorer ex(music);
  SelectRow(ex, "Zèbre live/, folder");
  EXPECT_FALSE(ex.Return(ExploreControl::List));
  EXPECT_EQ(ex.Source(), music + "Zèbre live/");
  EXPECT_EQ(RowTexts(ex), (std::vector<std::string>{"deeper/, folder", "z.mp3"}));
  EXPECT_EQ(Selected(ex), "z.mp3");
  ex.Back();
  EXPECT_EQ(ex.Source(), music);
  EXPECT_EQ(Selected(ex), "Zèbre live/, folder");

  // A play list lists its existing entries and addresses as playable rows.
  SelectRow(ex, "list.m3u");
  ex.Return(ExploreControl::FirstButton);
  EXPECT_EQ(ex.Source(), music + "list.m3u");
  EXPECT_EQ(RowTexts(ex), (std::vector<std::string>{"b song.mp3", "live", "outside.ogg"}));
  EXPECT_EQ(ex.PlayableCount(), 3);
  ex.Back();
  EXPECT_EQ(ex.Source(), music);
  EXPECT_EQ(Selected(ex), "list.m3u");

  // The button that reads "open" opens; the source text and the back button act as such.
  SelectRow(ex, "album/, folder");
  ex.FirstButton();
  EXPECT_EQ(ex.Source(), music + "album/");
  EXPECT_TRUE(ex.Rows().Count() == 0 && ex.SelectedEntry() == nullptr);
  EXPECT_EQ(ex.FirstButtonText(), "");
  EXPECT_FALSE(ex.Return(ExploreControl::Source));
  EXPECT_EQ(ex.Source(), music + "album/");
  ex.Return(ExploreControl::Back);
  EXPECT_EQ(Selected(ex), "album/, folder");
  EXPECT_TRUE(ex.Return(ExploreControl::Close));
  EXPECT_TRUE(ex.Space(ExploreControl::Close));
}

// The first place of the drive list: the file system's root, or Windows' first drive.
#ifdef _WIN32
const std::string kRoot = "C:/";
#else
const std::string kRoot = "/";
#endif

TEST_F(Exploring, BackFromTheRootShowsTheDrivesWithTheRootSelected) {
  Explorer ex(kRoot);
  ex.Back();
  EXPECT_EQ(ex.Source(), "");
  ASSERT_GT(ex.Rows().Count(), 0);
  EXPECT_EQ(ex.Rows().Text(0, 0).rfind(kRoot + ", volume ", 0), 0u) << ex.Rows().Text(0, 0);
  ASSERT_NE(ex.SelectedEntry(), nullptr);
  EXPECT_EQ(ex.SelectedEntry()->File, kRoot);
  EXPECT_LT(ex.SelectedEntry()->ID, 0);
  EXPECT_EQ(ex.Title(), "explorer, 0 files");
  EXPECT_EQ(ex.FirstButtonText(), "open");
  // Back from the drive list stays there.
  ex.Back();
  EXPECT_EQ(ex.Source(), "");
  ex.Return(ExploreControl::List);
  EXPECT_EQ(ex.Source(), kRoot);
}

TEST_F(Exploring, DrivesComeFromTheMountTableWithLabelsAndTypes) {
#ifndef _WIN32  // Windows has drive letters, no mount table
  const std::string mounts =
      "proc /proc proc rw 0 0\n"
      "/dev/sda2 / ext4 rw 0 0\n"
      "/dev/sdb1 /media/me/My\\040Stick vfat rw 0 0\n"
      "server:/music /mnt/nas nfs4 rw 0 0\n"
      "/dev/sr0 /media/me/CD iso9660 ro 0 0\n"
      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
      "tmpfs /dev/shm tmpfs rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "/dev/sda1 /boot/efi vfat rw 0 0\n"
      "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
      "/dev/sda3 /home ext4 rw 0 0\n"
      "/dev/sda3 /home ext4 rw 0 0\n";
  std::map<std::string, std::string> labels = {{"/dev/sdb1", "  MY STICK "}, {"/dev/sda2", "system"}};
  auto removable = [](const std::string& d) { return d.rfind("/dev/sdb", 0) == 0; };
  auto drives = platform::DrivesFromMounts(mounts, labels, removable);
  std::vector<std::string> roots;
  for (const auto& d : drives) roots.push_back(d.root);
  EXPECT_EQ(roots, (std::vector<std::string>{"/", "/media/me/My Stick/", "/mnt/nas/", "/media/me/CD/", "/tmp/",
                                             "/home/"}));
  EXPECT_EQ(drives[0].label, "system");
  EXPECT_EQ(drives[0].type, platform::kDriveFixed);
  EXPECT_EQ(drives[1].label, "MY STICK");
  EXPECT_EQ(drives[1].type, platform::kDriveRemovable);
  EXPECT_EQ(drives[2].type, platform::kDriveRemote);
  EXPECT_EQ(drives[3].type, platform::kDriveCdRom);
  EXPECT_EQ(drives[4].type, platform::kDriveRamDisk);
  // Without a root line (a bare container) the root is still there.
  EXPECT_EQ(platform::DrivesFromMounts("", {}, nullptr).size(), 1u);
#endif

  std::vector<Track> entries;
  int n = EnumerateDrives(entries);
  ASSERT_GE(n, 1);
  EXPECT_EQ(entries[0].File, kRoot);
  for (const Track& t : entries) EXPECT_LT(t.ID, 0);
}

TEST_F(Exploring, ReturnAddsOneFileSpaceAddsAllListedOrAWholeFolder) {
  player.lengths["clip.wmv"] = -1;  // does not open as a stream
  Explorer ex(music);
  EXPECT_FALSE(ex.Return(ExploreControl::List));  // "a é.MP3"
  EXPECT_EQ(speech.lines.back().first, "track added");
  ASSERT_EQ(PlayListRows().Count(), 1);
  EXPECT_EQ(PlayListRows().Text(0, 1), "a é.MP3");
  int32_t first = ex.FirstAdded();
  ASSERT_NE(first, 0);
  EXPECT_EQ(FindTrack(first)->Length, 60);
  // The play list's copy has an identifier of its own.
  EXPECT_EQ(ExploreList().Find(first), nullptr);
  EXPECT_EQ(ExploreList().Find(-first), nullptr);

  ex.Return(ExploreControl::List);  // the same file again
  EXPECT_EQ(speech.lines.back().first, "nothing added");
  EXPECT_EQ(PlayListRows().Count(), 1);

  // Space on a file adds every listed file not yet there (the failing one is not counted).
  ex.Space(ExploreControl::List);
  EXPECT_EQ(speech.lines.back().first, "1 added");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a é.MP3", "b song.mp3"}));

  // Space on a folder adds its own files, not those of its sub-folders.
  SelectRow(ex, "Zèbre live/, folder");
  ex.Space(ExploreControl::List);
  EXPECT_EQ(speech.lines.back().first, "1 added");
  EXPECT_EQ(Names().back(), "z.mp3");
  // With the play-lists filter a folder adds nothing.
  MakeFile("Mes chansons d'été/album/new.mp3");
  ex.ChooseFilter(kExplorePlayLists);
  SelectRow(ex, "album/, folder");
  ex.Space(ExploreControl::Filter);
  EXPECT_EQ(speech.lines.back().first, "nothing added");
  // Space on a play list adds its entries; the second button adds all listed (folders refused).
  SelectRow(ex, "list.m3u");
  ex.Space(ExploreControl::List);
  EXPECT_EQ(speech.lines.back().first, "2 added");  // the address and outside.ogg
  ex.Return(ExploreControl::SecondButton);
  EXPECT_EQ(speech.lines.back().first, "nothing added");
  EXPECT_EQ(RecentEntry(RecentList::PlayFiles, 0), music + "list.m3u");

  PlayListRows().SelectOnly(PlayListRows().Count() - 1);
  EXPECT_EQ(ex.Close(), first);
  EXPECT_EQ(SelectedTrackID(PlayListRows()), first);
  EXPECT_TRUE(ExploreList().empty());
  EXPECT_EQ(ex.Close(), first);  // closing twice changes nothing
}

TEST_F(Exploring, PlacesThatCannotBeListedShowAnEmptyList) {
  MakeFile("empty dir/.keep");
  std::filesystem::remove(dir + "empty dir/.keep");
  static const char kBroken[] = "\x00\xff\xfe garbage\r\n/nowhere/x.mp3\r\n";
  MakeFile("broken.m3u", std::string(kBroken, sizeof kBroken - 1));
  for (const std::string& place : {dir + "empty dir/", dir + "no such folder/", dir + "broken.m3u",
                                   dir + "missing.m3u", dir + "outside.ogg/"}) {
    Explorer ex(place);
    EXPECT_EQ(ex.Rows().Count(), 0) << place;
    EXPECT_EQ(ex.Title(), "explorer, 0 files") << place;
    EXPECT_EQ(ex.SecondButtonText(), "") << place;
    ex.Return(ExploreControl::List);  // nothing selected: nothing happens
    ex.FirstButton();
    EXPECT_EQ(ex.Source(), place);
    ex.Space(ExploreControl::List);
    EXPECT_EQ(speech.lines.back().first, "nothing added") << place;
  }
  EXPECT_EQ(PlayListRows().Count(), 0);

#ifndef _WIN32
  // A folder without the right to read it (root reads everything: then there is nothing to show).
  MakeFile("locked/secret.mp3");
  ::chmod((dir + "locked").c_str(), 0);
  DIR* probe = ::opendir((dir + "locked").c_str());
  if (probe) ::closedir(probe);
  {
    Explorer ex(dir + "locked/");
    if (!probe) {
      EXPECT_EQ(ex.Rows().Count(), 0);
    }
    ex.Back();
    EXPECT_EQ(Selected(ex), "locked/, folder");
  }
  ::chmod((dir + "locked").c_str(), 0755);
#endif
}

TEST_F(Exploring, CommandsOpenOnTheCurrentFolderTheMusicFolderOrARecentPlayList) {
  EXPECT_EQ(ExplorePlaceOf(cmd::Explore), platform::CurrentFolder());
  SetMWValue(setting::MyMusicFolder, dir + "Ma musique");
  EXPECT_EQ(ExplorePlaceOf(cmd::ExploreMyMusic), dir + "Ma musique/");
  SetMWValue(setting::MyMusicFolder, "");
  EXPECT_EQ(ExplorePlaceOf(cmd::ExploreMyMusic), "");
  EXPECT_FALSE(ExplorePlaceOf(cmd::RecentPlayFileFirst).has_value());
  int32_t first = 0;
  AddPath(music + "list.m3u", first, "");
  EXPECT_EQ(ExplorePlaceOf(cmd::RecentPlayFileFirst), music + "list.m3u");
  EXPECT_FALSE(ExplorePlaceOf(cmd::RecentPlayFileFirst + 1).has_value());
  EXPECT_FALSE(ExplorePlaceOf(cmd::Play).has_value());

  Explorer ex(*ExplorePlaceOf(cmd::RecentPlayFileFirst));
  EXPECT_EQ(ex.PlayableCount(), 3);
  EXPECT_TRUE(ex.SelectExploreEntry(static_cast<int32_t>(ex.Rows().Data(2))));
  EXPECT_EQ(Selected(ex), "outside.ogg");
  EXPECT_FALSE(ex.SelectExploreEntry(123456));
}

}  // namespace
