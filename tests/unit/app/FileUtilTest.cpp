// Crash-safe writing: a file the user may not write stays as it is, and the temporary files
// a crash leaves behind are cleaned up without touching anything else.
#include <sys/stat.h>

#include <filesystem>

#include "common/TestEnv.h"
#include "settings/Settings.h"

namespace {

using FileUtilTest = testenv::Fixture;

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

int TempFilesIn(const std::string& folder) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().filename().string().find(".tmp-") != std::string::npos) ++n;
  return n;
}

TEST_F(FileUtilTest, FilesTheUserCannotWriteAreLeftByteIdentical) {
  // The folder is open to everyone, so a rename would succeed: only the file's own rights count.
  std::string folder = testenv::FreshFolder("shared");
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  App.PrefPath = folder;
  const std::string settings = folder + "Tondrial.ini";
  const std::string own = folder + "own.m3u";
  const std::string log = folder + "Tondrial.Log";
  testenv::WriteBytes(settings, "; another account's settings\r\n");
  testenv::WriteBytes(log, "* another account's log\r\n");
  ASSERT_EQ(::chmod(log.c_str(), 0644), 0);
  testenv::WriteBytes(own, "a.mp3\r\n");
  ASSERT_EQ(::chmod(settings.c_str(), 0644), 0);
  ASSERT_EQ(::chmod(own.c_str(), 0666), 0);
  struct stat before{};
  ASSERT_EQ(::stat(settings.c_str(), &before), 0);

  int rc = testenv::RunAsOtherUser([&] {
    if (!fileutil::IsReadOnlyFile(settings) || fileutil::IsReadOnlyFile(own)) return 1;
    if (fileutil::IsReadOnlyFile(folder + "missing.ini")) return 2;  // a new file may be made
    if (fileutil::WriteFileAtomic(settings, "new") != 0) return 3;
    RegisterSettings();
    if (Pref_Save(true)) return 4;
    if (Count(LogText(), "! Read-only file left unchanged : " + settings) != 1) return 5;  // once only
    if (fileutil::WriteFileAtomic(own, "b.mp3\r\n") == 0) return 6;  // writable: replaced as before
    AddLog("- a line");  // the log keeps its lines in memory and says so once
    if (WriteLog() != 0 || WriteLog() != 0) return 8;
    if (Count(LogText(), "! Read-only file left unchanged : " + log) != 1) return 9;
    if (LogText().find("- a line") == std::string::npos) return 10;
    return TempFilesIn(folder) == 0 ? 0 : 7;
  });
  if (rc == -1) GTEST_SKIP() << "cannot run as another account here";
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(testenv::ReadBytes(settings), "; another account's settings\r\n");
  struct stat after{};
  ASSERT_EQ(::stat(settings.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(testenv::ReadBytes(own), "b.mp3\r\n");
  EXPECT_EQ(testenv::ReadBytes(log), "* another account's log\r\n");
}

TEST_F(FileUtilTest, StaleTemporaryFilesOfOursAreRemovedAndNothingElse) {
  std::string folder = testenv::FreshFolder("pref");
  for (const char* name : {"Tondrial.ini.tmp-AbC123", "ProfilDefault.M3U.tmp-zz09ZZ", "Tondrial.ini",
                           "notes.tmp-12345", "notes.tmp-1234567", "a.tmp-ab_cde", "tmp-abcdef", "x.TMP-abcdef"})
    testenv::WriteBytes(folder + name, "x");
  std::filesystem::create_directories(folder + "kept.tmp-abcdef");
#ifndef _WIN32  // links need an administrator's right on Windows
  std::filesystem::create_symlink(folder + "Tondrial.ini", folder + "link.tmp-abcdef");
#endif

  EXPECT_EQ(fileutil::RemoveStaleTempFiles(folder), 2);
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(folder)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  std::vector<std::string> want = {"Tondrial.ini", "a.tmp-ab_cde", "kept.tmp-abcdef", "link.tmp-abcdef",
                                   "notes.tmp-12345", "notes.tmp-1234567", "tmp-abcdef", "x.TMP-abcdef"};
#ifdef _WIN32
  want.erase(std::find(want.begin(), want.end(), "link.tmp-abcdef"));
#endif
  EXPECT_EQ(left, want);
  EXPECT_EQ(fileutil::RemoveStaleTempFiles(folder + "none/"), 0);
}

}  // namespace
