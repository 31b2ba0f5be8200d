// The screen-reader bridge on Windows: the process scan finds a stand-in "nvda.exe" or
// "jfw.exe", the matching stand-in library beside the test is loaded by its bare name, and
// every call it receives is recorded.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "access/Speech.h"
#include "platform/Platform.h"

namespace {

class ReaderProcess {
 public:
  explicit ReaderProcess(const std::wstring& exe) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + exe + L"\"";
    started_ = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
  }
  ~ReaderProcess() {
    if (!started_) return;
    TerminateProcess(pi_.hProcess, 0);
    WaitForSingleObject(pi_.hProcess, 5000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool started() const { return started_; }

 private:
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

bool ProcessListed(const std::string& name) {
  for (int i = 0; i < 200; ++i) {
    for (const auto& n : platform::RunningProcessNames())
      if (_stricmp(n.c_str(), name.c_str()) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

class WindowsSpeech : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("TONDRIAL_TEST_TMP");
    std::filesystem::path dir = std::filesystem::path(base ? base : ".") / "windows-speech";
    std::filesystem::create_directories(dir);
    record_ = (dir / (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".txt")).string();
    std::remove(record_.c_str());
    SetEnvironmentVariableW(L"TONDRIAL_SPEECH_RECORD", Wide(record_).c_str());
    SetSpeechBackend(nullptr);
    ResetScreenReaderHooks();
  }
  void TearDown() override {
    ResetScreenReaderHooks();
    SetEnvironmentVariableW(L"TONDRIAL_SPEECH_RECORD", nullptr);
  }
  std::vector<std::string> Calls() const {
    std::ifstream in(record_, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
  }
  std::string record_;
};

}  // namespace

TEST_F(WindowsSpeech, NvdaGetsEachLineAsUtf16WithBrailleAndCancel) {
  ASSERT_EQ(SendToScreenReader("nobody listens", true), 0);  // no reader runs: dropped
  ReaderProcess nvda(Wide(TONDRIAL_READERS_DIR) + L"nvda.exe");
  ASSERT_TRUE(nvda.started());
  ASSERT_TRUE(ProcessListed("nvda.exe"));
  EXPECT_EQ(DetectScreenReader(), kScreenReaderNvda);

  EXPECT_EQ(SendToScreenReader("Volume 90%", true), 1);
  EXPECT_EQ(LoadedScreenReader(), kScreenReaderNvda);
  EXPECT_EQ(SendToScreenReader("\x01" "Caf\xC3\xA9 \xE6\x9D\xB1\xE4\xBA\xAC\x02 ", false), 1);
  const std::vector<std::string> want = {"cancelSpeech", "speakText Volume 90%", "brailleMessage Volume 90%",
                                         "speakText Caf\xC3\xA9 \xE6\x9D\xB1\xE4\xBA\xAC",
                                         "brailleMessage Caf\xC3\xA9 \xE6\x9D\xB1\xE4\xBA\xAC"};
  EXPECT_EQ(Calls(), want);  // nothing at load time, testIfRunning never called
}

TEST_F(WindowsSpeech, JawsGetsAnsiTextAfterTheEmptyFirstCall) {
  ReaderProcess jaws(Wide(TONDRIAL_READERS_DIR) + L"jfw.exe");
  ASSERT_TRUE(jaws.started());
  ASSERT_TRUE(ProcessListed("jfw.exe"));
  EXPECT_EQ(ReconnectScreenReader(), kScreenReaderJaws);
  EXPECT_EQ(SendToScreenReader("Volume 90%", true), 1);
  // "é" in the ANSI code page (1252 here: E9); a character outside it is replaced.
  EXPECT_EQ(SendToScreenReader("caf\xC3\xA9", true), 1);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "JFWSayString 0 ");
  EXPECT_EQ(calls[1], "JFWSayString 1 Volume 90%");
  if (GetACP() == 1252) {
    EXPECT_EQ(calls[2], "JFWSayString 1 caf\\xE9");
  }
}
