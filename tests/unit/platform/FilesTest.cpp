// File calls on UTF-8 names: the same bytes come back from every call, on every system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Files.h"

namespace {

std::string Scratch(const std::string& name) {
  const char* base = std::getenv("TONDRIAL_TEST_TMP");
  std::filesystem::path root = base ? base : std::filesystem::temp_directory_path() / "tondrial-tests";
  std::filesystem::path dir = root / "platform" / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.generic_string() + "/";
}

std::string Read(const std::string& path) {
  std::FILE* f = platform::OpenFile(path, "rb");
  if (!f) return "<missing>";
  std::string out;
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

// "Été – 東京 ♫" in UTF-8: Latin, CJK and a symbol outside every ANSI code page.
const std::string kName = "\xC3\x89t\xC3\xA9 \xE2\x80\x93 \xE6\x9D\xB1\xE4\xBA\xAC \xE2\x99\xAB";

}  // namespace

TEST(Files, Utf8NamesRoundTripThroughEveryCall) {
  const std::string dir = Scratch("utf8");
  const std::string sub = dir + kName + "/";
  ASSERT_TRUE(platform::MakeFolder(sub.substr(0, sub.size() - 1)));
  EXPECT_FALSE(platform::MakeFolder(sub.substr(0, sub.size() - 1)));  // exists already
  EXPECT_TRUE(platform::IsFolder(sub));
  EXPECT_FALSE(platform::IsRegularFile(sub));

  const std::string file = sub + kName + ".txt";
  EXPECT_FALSE(platform::PathExists(file));
  EXPECT_GT(platform::ReplaceFile(file, "first"), 0);
  EXPECT_TRUE(platform::IsRegularFile(file));
  EXPECT_EQ(Read(file), "first");
  EXPECT_GT(platform::ReplaceFile(file, "second"), 0);
  EXPECT_GT(platform::AppendFile(file, "+more"), 0);
  EXPECT_EQ(Read(file), "second+more");

  // The listing gives the name back byte for byte, with no temporary file left beside it.
  auto names = platform::FolderEntries(sub);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], kName + ".txt");
  EXPECT_EQ(platform::FolderEntries(dir), std::vector<std::string>{kName});

  const std::string moved = sub + "moved " + kName;
  EXPECT_TRUE(platform::RenameDurable(file, moved));
  EXPECT_FALSE(platform::PathExists(file));
  EXPECT_EQ(Read(moved), "second+more");
  EXPECT_FALSE(platform::IsReadOnlyFile(moved));
  EXPECT_FALSE(platform::IsReadOnlyFile(file));  // a missing file is not read-only
  EXPECT_TRUE(platform::RemoveFile(moved));
  EXPECT_FALSE(platform::RemoveFile(moved));
  EXPECT_TRUE(platform::FolderEntries(sub).empty());
  EXPECT_TRUE(platform::FolderEntries(dir + "missing/").empty());
}

TEST(Files, ReplacingIntoAMissingFolderFailsAndCreatesNothing) {
  const std::string dir = Scratch("missing");
  EXPECT_EQ(platform::ReplaceFile(dir + "no/such/file.ini", "x"), 0);
  EXPECT_EQ(platform::AppendFile(dir + "no/such/file.log", "x"), 0);
  EXPECT_EQ(platform::OpenFile(dir + "no/such/file", "rb"), nullptr);
  EXPECT_TRUE(platform::FolderEntries(dir).empty());
}

TEST(Files, LocalTimeIsAPlausibleDate) {
  std::tm tm{};
  ASSERT_TRUE(platform::LocalTime(std::time_t(86400 * 365) * 40, tm));  // late 2009
  EXPECT_EQ(tm.tm_year + 1900, 2009);
  EXPECT_GE(tm.tm_mon, 0);
  EXPECT_LE(tm.tm_mon, 11);
}
