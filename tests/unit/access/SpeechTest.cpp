#include "access/Speech.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

// A loaded reader that hands every line to a recorder the test owns.
class Forward : public SpeechBackend {
 public:
  explicit Forward(RecordingSpeech* to) : to_(to) {}
  bool Say(const std::string& t, bool interrupt) override { return to_->Say(t, interrupt); }

 private:
  RecordingSpeech* to_;
};

class SpeechBridge : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScreenReaderHooks();
    SetSpeechBackend(nullptr);
    ScreenReaderHooks h;
    h.processNames = [this] {
      ++scans;
      return processes;
    };
    h.load = [this](int kind) -> std::unique_ptr<SpeechBackend> {
      loads.push_back(kind);
      if (!libraryPresent) return nullptr;
      return std::make_unique<Forward>(&reader);
    };
    h.pause = [this](int ms) { pauses.push_back(ms); };
    SetScreenReaderHooks(h);
  }
  void TearDown() override {
    StopSpeechThread();
    ResetScreenReaderHooks();
    SetSpeechBackend(nullptr);
  }

  std::vector<std::string> processes;
  RecordingSpeech reader;
  bool libraryPresent = true;
  int scans = 0;
  std::vector<int> loads, pauses;
};

TEST(SpeechContext, LabelIsSaidOnlyWhenItChanges) {
  RecordingSpeech rec;
  SetSpeechBackend(&rec);
  Speak("80", "Volume ");
  Speak("90", "Volume ");
  Speak("Lecture");          // an unrelated line keeps the label
  Speak("100", "Volume ");
  Speak("101", "Tempo ");
  Speak("90", "Volume ");
  std::vector<std::pair<std::string, bool>> want = {{"Volume 80", true}, {"90", true}, {"Lecture", true},
                                                    {"100", true},       {"Tempo 101", true}, {"Volume 90", true}};
  EXPECT_EQ(rec.lines, want);
  // A new backend starts without a label; the comparison is case-sensitive.
  SetSpeechBackend(&rec);
  Speak("1", "volume ");
  Speak("2", "Volume ");
  EXPECT_EQ(rec.lines[6].first, "volume 1");
  EXPECT_EQ(rec.lines[7].first, "Volume 2");
  SetSpeechBackend(nullptr);
}

TEST(SpeechContext, ControlCharactersAreRemovedAndWordsJoined) {
  EXPECT_EQ(CleanSpeechText("  Piste\t1\r\nsur 3  "), "Piste1sur 3");
  EXPECT_EQ(CleanSpeechText(std::string("a\0b\x1f" "c\x7f", 6)), "abc\x7f");
  EXPECT_EQ(CleanSpeechText("\n\n"), "");
  EXPECT_EQ(CleanSpeechText("Volume à 80 %"), "Volume à 80 %");
  RecordingSpeech rec;
  SetSpeechBackend(&rec);
  Speak(" \t ");  // still sent: it silences the reader
  ASSERT_EQ(rec.lines.size(), 1u);
  EXPECT_EQ(rec.lines[0].first, "");
  SetSpeechBackend(nullptr);
}

TEST(SpeechDetection, FirstReaderInProcessOrderWinsIgnoringCase) {
  EXPECT_EQ(ScreenReaderKindOf({}), kNoScreenReader);
  EXPECT_EQ(ScreenReaderKindOf({"bash", "Xorg"}), kNoScreenReader);
  EXPECT_EQ(ScreenReaderKindOf({"explorer.exe", "NVDA.EXE", "jfw.exe"}), kScreenReaderNvda);
  EXPECT_EQ(ScreenReaderKindOf({"C:\\Program Files\\Freedom Scientific\\JFW.exe", "nvda.exe"}), kScreenReaderJaws);
  EXPECT_EQ(ScreenReaderKindOf({"/usr/bin/orca"}), kScreenReaderOrca);
  EXPECT_EQ(ScreenReaderKindOf({"orca-helper", "nvda.exe.bak", "jfw"}), kNoScreenReader);
}

TEST_F(SpeechBridge, FirstAnnouncementConnectsThenNoMoreScans) {
  processes = {"bash", "orca", "nvda.exe"};
  Speak("Lecture");
  Speak("Pause");
  EXPECT_EQ(pauses, std::vector<int>{200});
  EXPECT_EQ(scans, 1);
  EXPECT_EQ(loads, std::vector<int>{kScreenReaderOrca});
  EXPECT_EQ(LoadedScreenReader(), kScreenReaderOrca);
  ASSERT_EQ(reader.lines.size(), 2u);
  EXPECT_EQ(reader.lines[1], std::make_pair(std::string("Pause"), true));
}

TEST_F(SpeechBridge, RefusedLineReconnectsOnceAndRetries) {
  processes = {"nvda.exe"};
  Speak("un");
  reader.accept = false;  // the reader stopped
  reader.attempts = 0;
  EXPECT_EQ(SendToScreenReader("deux", true), 0);
  EXPECT_EQ(reader.attempts, 2);  // tried, reconnected, tried once more
  EXPECT_EQ(pauses.size(), 2u);
  // The user switched readers: the next failure finds the new one.
  reader.accept = true;
  processes = {"jfw.exe"};
  Speak("trois");
  EXPECT_EQ(reader.Last(), "trois");
  EXPECT_EQ(loads, (std::vector<int>{kScreenReaderNvda, kScreenReaderNvda}));  // old one still accepted
}

TEST_F(SpeechBridge, NoReaderEveryLineCostsOneReconnectionAndIsDropped) {
  processes = {"bash"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(SendToScreenReader("rien", true), 0);
  EXPECT_EQ(pauses.size(), 3u);
  EXPECT_EQ(scans, 3);
  EXPECT_TRUE(loads.empty());
  // A reader whose library is missing: loaded never, dropped silently.
  processes = {"jfw.exe"};
  libraryPresent = false;
  EXPECT_EQ(SendToScreenReader("rien", true), 0);
  EXPECT_EQ(LoadedScreenReader(), kNoScreenReader);
  EXPECT_TRUE(reader.lines.empty());
}

TEST_F(SpeechBridge, SpeechThreadKeepsTheCallerFreeAndTheOrder) {
  processes = {"orca"};
  std::mutex m;
  std::condition_variable cv;
  bool release = false;
  std::atomic<int> paused{0};
  ScreenReaderHooks h;
  h.pause = [&](int) {
    ++paused;
    std::unique_lock<std::mutex> l(m);
    cv.wait(l, [&] { return release; });
  };
  SetScreenReaderHooks(h);
  StartSpeechThread();
  Speak("1", "Volume ");
  Speak("2", "Volume ");
  Speak("Stop");
  // The caller came back although the reconnection is still waiting.
  EXPECT_TRUE(reader.lines.empty());
  {
    std::lock_guard<std::mutex> l(m);
    release = true;
  }
  cv.notify_all();
  FlushSpeech();
  std::vector<std::pair<std::string, bool>> want = {{"Volume 1", true}, {"2", true}, {"Stop", true}};
  EXPECT_EQ(reader.lines, want);
  EXPECT_EQ(paused.load(), 1);
  StopSpeechThread();
  Speak("after");  // without the thread, sent at once
  EXPECT_EQ(reader.Last(), "after");
}

TEST_F(SpeechBridge, WithoutAReaderABacklogCostsOneReconnection) {
  processes = {"bash"};
  std::mutex m;
  std::condition_variable cv;
  bool release = false;
  ScreenReaderHooks h;
  h.pause = [&](int ms) {
    pauses.push_back(ms);
    std::unique_lock<std::mutex> l(m);
    cv.wait(l, [&] { return release; });
  };
  SetScreenReaderHooks(h);
  StartSpeechThread();
  Speak("1");
  for (int i = 2; i <= 6; ++i) Speak(std::to_string(i));  // queued behind the first reconnection
  {
    std::lock_guard<std::mutex> l(m);
    release = true;
  }
  cv.notify_all();
  FlushSpeech();
  EXPECT_LE(pauses.size(), 2u);  // the first line, then the backlog once
  // The reader came up: the next lines are all spoken, each one interrupting.
  processes = {"orca"};
  Speak("7");
  Speak("8");
  FlushSpeech();
  EXPECT_EQ(reader.lines, (std::vector<std::pair<std::string, bool>>{{"7", true}, {"8", true}}));
}

}  // namespace
