// A fresh process-wide state and a private scratch folder for each test.
#pragma once
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/AppState.h"
#include "app/EventLog.h"
#include "app/FileUtil.h"
#include "app/Shell.h"
#include "lang/Lang.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "settings/Settings.h"

namespace testenv {

// A new empty folder (with a trailing "/") below the build tree's scratch area.
inline std::string FreshFolder(const std::string& name) {
  const char* base = std::getenv("TONDRIAL_TEST_TMP");
  std::filesystem::path root = base ? base : std::filesystem::temp_directory_path() / "tondrial-tests";
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string test = info ? std::string(info->test_suite_name()) + "." + info->name() : "none";
  std::filesystem::path dir = root / test / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.generic_string() + "/";
}

// A UTF-8 path for std::filesystem (a plain string would be read in Windows' ANSI code page).
inline std::filesystem::path Utf8Path(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(Utf8Path(path).parent_path());
  // The program's own call: a UTF-8 name is the same name on every system.
  FILE* f = platform::OpenFile(path, "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

inline std::string ReadBytes(const std::string& path) {
  std::string out;
  fileutil::ReadFile(path, out);
  return out;
}

// Runs body in a child process as an account without rights on the test's files ("nobody"),
// so a check of write permission means the same when the tests run as root. The child's
// result (0 means success), or -1 when this process cannot change its account.
inline int RunAsOtherUser(const std::function<int()>& body) {
#ifdef _WIN32
  // Windows has no account switch of this kind: the caller skips the check.
  (void)body;
  return -1;
#else
  if (::geteuid() != 0) return -1;
  ::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 99 ? -1 : WEXITSTATUS(status);
#endif
}

// Every global of the program back to its start state.
class Fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAppState();
    ResetSettings();
    ResetLang();
    ResetLog();
    SetShell(nullptr);
    // The machine's own folders stay out of path macros unless a test sets them.
    const std::string none;
    for (auto f : {platform::Folder::Music, platform::Folder::Documents, platform::Folder::ProgramFiles})
      platform::OverrideSpecialFolder(f, &none);
  }
  void TearDown() override {
    SetShell(nullptr);
    for (auto f : {platform::Folder::Music, platform::Folder::Documents, platform::Folder::ProgramFiles,
                   platform::Folder::AppData, platform::Folder::Profile})
      platform::OverrideSpecialFolder(f, nullptr);
  }
};

}  // namespace testenv
