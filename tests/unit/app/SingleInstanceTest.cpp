// Two copies of the program are two processes here: the first copy runs in a forked child.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/HeadlessShell.h"
#include "app/SingleInstance.h"
#include "common/TestEnv.h"
#include "platform/Instance.h"

namespace {

int g_exitCode = -1;
void RecordExit(int code) { g_exitCode = code; }

struct FirstCopy {
  pid_t pid = -1;
  int fd = -1;
};

// A first copy with its main window hidden in the systray. It reports 'R' once it listens,
// then 'V' when a hand-over brought its window back (and was logged), or 'N' if none came.
FirstCopy StartFirstCopy(const std::string& appName, bool openWindow = true) {
  int p[2];
  if (::pipe(p) != 0) return {};
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(p[0]);
    ResetAppState();
    ResetLog();
    App.AppName = appName;
    App.HiddenInSystray = true;
    HeadlessShell shell;
    shell.mainVisible = false;
    SetShell(&shell);
    SetInstanceExit(::_exit);
    CheckSingleInstance();
    if (openWindow && !InstallMainWindowHook()) ::_exit(2);
    (void)!::write(p[1], "R", 1);
    for (int i = 0; i < 2000; ++i) {
      PollMainWindowHook();
      if (LogText().find("* WM_CopyData = 1") != std::string::npos) {
        (void)!::write(p[1], shell.mainVisible && !App.HiddenInSystray ? "V" : "H", 1);
        ::_exit(0);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    (void)!::write(p[1], "N", 1);
    ::_exit(0);
  }
  ::close(p[1]);
  return {pid, p[0]};
}

char ReadReport(int fd) {
  char c = 0;
  return ::read(fd, &c, 1) == 1 ? c : '?';
}

void Stop(FirstCopy& c) {
  if (c.pid > 0) {
    ::kill(c.pid, SIGKILL);
    ::waitpid(c.pid, nullptr, 0);
  }
  if (c.fd >= 0) ::close(c.fd);
  c = {};
}

}  // namespace

class SingleInstanceTest : public testenv::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    // Socket addresses are short: the folder lives in /tmp, not in the build tree.
    char tmpl[] = "/tmp/tondrial-inst-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    folder_ = tmpl;
    platform::OverrideInstanceFolder(&folder_);
    g_exitCode = -1;
    SetInstanceExit(RecordExit);
    SetShell(&shell);
  }
  void TearDown() override {
    ReleaseSingleInstance();
    SetInstanceExit(nullptr);
    platform::OverrideInstanceFolder(nullptr);
    std::filesystem::remove_all(folder_);
    Fixture::TearDown();
  }
  std::string folder_;
  HeadlessShell shell;
};

TEST(TitleMatchTest, StarsMeanContains) {
  EXPECT_TRUE(TitleMatches("Tondrial*", "tondrial"));
  EXPECT_TRUE(TitleMatches(" tondrial* ", "Tondrial-Portable"));
  EXPECT_TRUE(TitleMatches("tondrial*", "My Tondrial"));  // a trailing star is not "begins with"
  EXPECT_FALSE(TitleMatches("Tondrial-Portable*", "Tondrial"));
  EXPECT_TRUE(TitleMatches("*portable", "Tondrial-Portable - x"));
  EXPECT_TRUE(TitleMatches("*drial-p*", "TONDRIAL-PORTABLE"));
  EXPECT_TRUE(TitleMatches("Tondrial", " TONDRIAL "));
  EXPECT_FALSE(TitleMatches("Tondrial", "Tondrial-Portable"));
  EXPECT_TRUE(TitleMatches("*", "anything"));
}

TEST_F(SingleInstanceTest, LockAndChannelsWithinOneFolder) {
  int a = -1, b = -1;
  EXPECT_EQ(platform::OpenInstanceLock(kInstanceName, a), platform::InstanceLockState::Created);
  EXPECT_EQ(platform::OpenInstanceLock(kInstanceName, b), platform::InstanceLockState::Exists);
  platform::CloseInstanceLock(a);
  // The other holder keeps it in existence, as long as it runs.
  int c = -1;
  EXPECT_EQ(platform::OpenInstanceLock(kInstanceName, c), platform::InstanceLockState::Exists);
  platform::CloseInstanceLock(b);
  platform::CloseInstanceLock(c);
  EXPECT_EQ(platform::OpenInstanceLock(kInstanceName, a), platform::InstanceLockState::Created);
  platform::CloseInstanceLock(a);

  int ch = platform::OpenHandOverChannel("Tondrial-Portable", kMainWindowClass);
  ASSERT_GE(ch, 0);
  // An installed copy finds the portable window; a portable copy does not find an installed one.
  EXPECT_NE(FindWindowByTitle("Tondrial*", kMainWindowClass), "");
  EXPECT_EQ(FindWindowByTitle("Tondrial*", "OtherClass"), "");
  EXPECT_NE(FindWindowByTitle("Tondrial*", ""), "");
  EXPECT_EQ(FindWindowByTitle("Tondrial-Portable2*", kMainWindowClass), "");
  // A message gets through and comes back answered; an oversized one is refused before sending.
  std::string address = FindWindowByTitle("tondrial-portable*", kMainWindowClass);
  std::thread server([ch] {
    for (int i = 0; i < 300; ++i) {
      bool got = false;
      platform::ServeHandOverChannel(ch, [&](const platform::HandOverMessage& m) {
        got = true;
        return static_cast<int32_t>(m.code * 10 + static_cast<int32_t>(m.text.size()));
      });
      if (got) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  int32_t answer = 0;
  EXPECT_TRUE(platform::SendHandOver(address, {7, "abc"}, 3000, answer));
  server.join();
  EXPECT_EQ(answer, 73);
  EXPECT_FALSE(platform::SendHandOver(address, {1, std::string(100000, 'x')}, 100, answer));
  platform::CloseHandOverChannel(ch);
  EXPECT_EQ(FindWindowByTitle("Tondrial*", kMainWindowClass), "");
  EXPECT_FALSE(platform::SendHandOver(address, {1, ""}, 100, answer));
}

TEST_F(SingleInstanceTest, ASecondCopyBringsTheFirstBackAndEnds) {
  // An installed copy hands over to a portable one too; a portable copy runs beside an
  // installed one (its name is not in the installed window's).
  struct Case {
    const char* first;
    const char* second;
    bool handsOver;
  };
  for (const Case& c : {Case{"Tondrial", "Tondrial", true}, Case{"Tondrial-Portable", "Tondrial", true},
                        Case{"Tondrial", "Tondrial-Portable", false}}) {
    SCOPED_TRACE(std::string(c.first) + " then " + c.second);
    ReleaseSingleInstance();
    ResetLog();
    FirstCopy first = StartFirstCopy(c.first);
    ASSERT_EQ(ReadReport(first.fd), 'R');
    g_exitCode = -1;
    App.AppName = c.second;
    CheckSingleInstance();
    EXPECT_GE(App.InstanceMutex, 0);
    if (c.handsOver) {
      EXPECT_EQ(g_exitCode, 0);
      // The hand-over was handled before the second copy went on to end.
      EXPECT_EQ(ReadReport(first.fd), 'V');
    } else {
      EXPECT_EQ(g_exitCode, -1);
    }
    EXPECT_EQ(LogText().find("WM_CopyData"), std::string::npos);  // nothing logged by the second copy
    Stop(first);
  }
}

TEST_F(SingleInstanceTest, WhatAKilledCopyLeftDoesNotBlockANewStart) {
  FirstCopy first = StartFirstCopy("Tondrial");
  ASSERT_EQ(ReadReport(first.fd), 'R');
  Stop(first);  // killed: its lock is gone, its channel's file stays behind
  int sockets = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder_))
    if (e.is_socket()) ++sockets;
  EXPECT_EQ(sockets, 1);

  App.AppName = "Tondrial";
  CheckSingleInstance();
  EXPECT_EQ(g_exitCode, -1);  // the first copy now
  EXPECT_EQ(FindWindowByTitle("Tondrial*", kMainWindowClass), "");
  EXPECT_TRUE(InstallMainWindowHook());
  // The dead channel was removed on the way; only this copy's own remains.
  sockets = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder_))
    if (e.is_socket()) ++sockets;
  EXPECT_EQ(sockets, 1);

  // A copy that holds the lock but has no window yet (still starting): the next runs beside it.
  ReleaseSingleInstance();
  first = StartFirstCopy("Tondrial", false);
  ASSERT_EQ(ReadReport(first.fd), 'R');
  CheckSingleInstance();
  EXPECT_EQ(g_exitCode, -1);
  Stop(first);
}

TEST_F(SingleInstanceTest, NoPlaceForTheLockStillStarts) {
  std::string blocked = folder_ + "/file";
  testenv::WriteBytes(blocked, "x");
  std::string inside = blocked + "/run";
  platform::OverrideInstanceFolder(&inside);
  EXPECT_EQ(platform::InstanceFolder(), "");
  CheckSingleInstance();
  EXPECT_EQ(g_exitCode, -1);
  EXPECT_FALSE(InstallMainWindowHook());

  // A folder open to other users is not used for the lock.
  std::string open = folder_ + "/open";
  platform::OverrideInstanceFolder(&open);
  std::filesystem::create_directories(open + "/tondrial");
  ::chmod((open + "/tondrial").c_str(), 0777);
  EXPECT_EQ(platform::InstanceFolder(), "");
}

TEST_F(SingleInstanceTest, TheHookLogsEveryCodeAndShowsOnlyForOne) {
  App.HiddenInSystray = true;
  shell.mainVisible = false;
  EXPECT_EQ(MainWindowHook(2, "x"), 0);
  EXPECT_FALSE(shell.mainVisible);
  EXPECT_EQ(MainWindowHook(1, ""), 0);
  EXPECT_TRUE(shell.mainVisible);
  EXPECT_FALSE(App.HiddenInSystray);
  std::string log = LogText();
  EXPECT_NE(log.find("* WM_CopyData = 2"), std::string::npos);
  EXPECT_NE(log.find("* WM_CopyData = 1"), std::string::npos);
}
