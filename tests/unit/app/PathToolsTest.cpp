#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/PathTools.h"
#include "app/TextUtil.h"
#include "common/TestEnv.h"

class PathToolsTest : public testenv::Fixture {};

TEST_F(PathToolsTest, MacrosInAnyCaseAndMainAppFirst) {
  std::string docs = testenv::FreshFolder("docs");
  std::string music = testenv::FreshFolder("music");
  platform::OverrideSpecialFolder(platform::Folder::Documents, &docs);
  platform::OverrideSpecialFolder(platform::Folder::Music, &music);
  // The program lives below the documents: it must stay relative to itself.
  App.MainPath = docs + "Tondrial/";
  EXPECT_EQ(ContractPathMacros(docs + "Tondrial/Lang/x"), "%MainApp%Lang/x");
  EXPECT_EQ(ContractPathMacros(docs + "letter.txt"), "%MyDoc%letter.txt");
  EXPECT_EQ(ContractPathMacros(music + "a.mp3"), "%MyMusic%a.mp3");
  EXPECT_EQ(ExpandPathMacros("%mymusic%a.mp3"), music + "a.mp3");
  EXPECT_EQ(ExpandPathMacros("%MAINAPP%b"), App.MainPath + "b");
  // A folder that could not be found expands to nothing and is never produced.
  EXPECT_EQ(ExpandPathMacros("%ProgFiles%x"), "x");
  EXPECT_EQ(ContractPathMacros("/opt/x"), "/opt/x");
}

TEST_F(PathToolsTest, MakeAbsolutePath) {
  EXPECT_EQ(MakeAbsolutePath("\\Music\\a.mp3", "/base"), "/base/Music/a.mp3");
  EXPECT_EQ(MakeAbsolutePath("  sub/a.mp3 ", "/base/"), "/base/sub/a.mp3");
  EXPECT_EQ(MakeAbsolutePath("/abs/a.mp3", "/base/"), "/abs/a.mp3");
  EXPECT_EQ(MakeAbsolutePath("http://host/a\\b", "/base/"), "http://host/a\\b");
  App.MainPath = "/prog/";
  EXPECT_EQ(MakeAbsolutePath("%MainApp%x.mp3", "/base/"), "/prog/x.mp3");
  std::string cwd = platform::CurrentFolder();
  EXPECT_EQ(MakeAbsolutePath("rel.mp3", ""), cwd + "rel.mp3");
}

TEST_F(PathToolsTest, EnsureFolderCreatesAndProvesWritable) {
  std::string root = testenv::FreshFolder("ensure");
  std::string deep = root + "a/b/c/";
  EXPECT_EQ(EnsureFolder(deep, false, false), 0);
  EXPECT_EQ(EnsureFolder(deep, true, true), 1);
  EXPECT_TRUE(fileutil::IsFolder(deep));
  // The write probe leaves nothing behind, even when its first name is taken.
  testenv::WriteBytes(deep + "4.txt", "keep");
  EXPECT_EQ(EnsureFolder(deep + "file.ini", true, true), 1);
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(deep)) {
    (void)e;
    ++n;
  }
  EXPECT_EQ(n, 1);
  // A path whose parent is a file cannot become a folder.
  EXPECT_EQ(EnsureFolder(deep + "4.txt/x/", true, true), 0);
}

TEST_F(PathToolsTest, TextHelpers) {
  EXPECT_TRUE(text::EqualsNoCase("FRANÇAIS", "français"));
  EXPECT_EQ(text::ReplaceNoCase("a%S1%b%s1%", "%s1%", "X"), "aXbX");
  // A Latin-1 byte matches its UTF-8 letter: the match is one byte shorter than the needle.
  size_t matched = 0;
  EXPECT_EQ(text::FindNoCase("x\xC9T\xC9!", "été", 0, &matched), 1u);
  EXPECT_EQ(matched, 3u);
  EXPECT_EQ(text::FindNoCase("ÉTÉ", "été", 1, &matched), std::string::npos);
  EXPECT_EQ(matched, 0u);
  EXPECT_EQ(text::ReplaceNoCase("x\xC9T\xC9!", "été", "summer"), "xsummer!");
  EXPECT_EQ(text::FromUtf16LE(text::ToUtf16LE("é€😀")), "é€😀");
  EXPECT_EQ(text::FromWindows1252("\x80\xE9"), "€é");
  EXPECT_EQ(text::ParseInt("4294967297"), 1);  // wraps like a 32-bit reader
  EXPECT_EQ(Clamp(50, 1, 20), 20);
  // The event log's handles and flags: upper case, no prefix, the full 32 bits.
  EXPECT_EQ(text::Hex(0), "0");
  EXPECT_EQ(text::Hex(0x2000a), "2000A");
  EXPECT_EQ(text::Hex(0xFFFFFFFFu), "FFFFFFFF");
}
