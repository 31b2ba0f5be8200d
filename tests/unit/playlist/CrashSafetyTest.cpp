// A writer killed at any moment leaves each file whole: the old version or the new one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "app/FileUtil.h"

namespace {

// True when text is a complete list written by the profile writer: count tracks of one
// generation (their start), each with its extension line, ended by CR LF.
bool WholeList(const std::string& text, int count, int& generation) {
  const std::string head = "#EXTM3U\r\n#extrem:Start=";
  if (text.compare(0, head.size(), head) != 0) return false;
  generation = std::atoi(text.c_str() + head.size());
  std::string expected = "#EXTM3U\r\n";
  for (int i = 0; i < count; ++i)
    expected += "#extrem:Start=" + std::to_string(generation) + ";Ln=100000;\r\n/music/track" + std::to_string(i) + ".mp3\r\n";
  return text == expected;
}

TEST(CrashSafety, AProfileListKilledWhileBeingWrittenIsTheOldOrTheNewOne) {
  const char* tmp = std::getenv("TONDRIAL_TEST_TMP");
  const std::string dir = std::string(tmp ? tmp : "/tmp") + "/crash-safety/";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string list = dir + "ProfilDefault.M3U";
  constexpr int kTracks = 4000;
  std::mt19937 rng(std::random_device{}());
  int lastGeneration = 0, changes = 0;
  // A loaded machine starts the writer late, so fewer kills land inside a save: go on with
  // longer waits until enough did (the kills, not the clock, are what this checks).
  for (int round = 0; round < 30 || (changes <= 5 && round < 150); ++round) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::execl(TONDRIAL_PROFILE_WRITER, TONDRIAL_PROFILE_WRITER, dir.c_str(), std::to_string(kTracks).c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Past the writer's start-up on most rounds, so most kills land inside a save.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(20, round < 30 ? 400 : 1500)(rng)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;
    std::string text;
    if (!fileutil::ReadFile(list, text)) continue;  // killed before its first save
    int generation = 0;
    ASSERT_TRUE(WholeList(text, kTracks, generation)) << "round " << round << ": " << text.size() << " bytes";
    if (generation != lastGeneration) ++changes;
    lastGeneration = generation;
  }
  // The kills did land while lists were being replaced.
  EXPECT_GT(changes, 5);
}

}  // namespace
