#include <gtest/gtest.h>

#include <thread>

#include "common/TestEnv.h"

class EventLogTest : public testenv::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    App.PrefPath = testenv::FreshFolder("log");
  }
};

TEST_F(EventLogTest, FirstWriteReplacesLaterWritesAppend) {
  testenv::WriteBytes(LogFilePath(), "previous run\r\n");
  AddLog("Tondrial 0,4,1210,2500", true);
  AddLog("* one");
  EXPECT_EQ(testenv::ReadBytes(LogFilePath()), "previous run\r\n");  // nothing written yet
  ASSERT_NE(WriteLog(), 0);
  EXPECT_EQ(testenv::ReadBytes(LogFilePath()), "Tondrial 0,4,1210,2500\r\n* one\r\n");
  AddLog("* two");
  EXPECT_EQ(LogText(), "Tondrial 0,4,1210,2500\r\n* two\r\n");  // the viewer shows header + unwritten lines
  ASSERT_NE(WriteLog(), 0);
  EXPECT_EQ(testenv::ReadBytes(LogFilePath()), "Tondrial 0,4,1210,2500\r\n* one\r\n* two\r\n");
}

TEST_F(EventLogTest, BatchesAtFortyThousandCharacters) {
  AddLog("header", true);
  std::string line(98, 'x');  // 100 characters with CR LF
  for (int i = 0; i < 400; ++i) AddLog(line);
  EXPECT_FALSE(fileutil::Exists(LogFilePath()));  // exactly 40000: not more than the threshold
  AddLog("y");
  std::string file = testenv::ReadBytes(LogFilePath());
  EXPECT_EQ(file.size(), 8u + 40000u + 3u);
  EXPECT_EQ(LogText(), "header\r\n");
}

TEST_F(EventLogTest, UnwritableFolderKeepsTheLines) {
  App.PrefPath = "/nonexistent-folder/x/";
  AddLog("h", true);
  AddLog("kept");
  EXPECT_EQ(WriteLog(), 0);
  App.PrefPath = testenv::FreshFolder("later");
  EXPECT_NE(WriteLog(), 0);
  EXPECT_EQ(testenv::ReadBytes(LogFilePath()), "h\r\nkept\r\n");
}

TEST_F(EventLogTest, LinesFromManyThreadsAreNeitherLostNorTorn) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 2000; ++i) AddLog("- thread " + std::to_string(t) + " line " + std::to_string(i));
    });
  for (auto& th : threads) th.join();
  WriteLog();
  std::string file = testenv::ReadBytes(LogFilePath());
  size_t lines = 0;
  for (size_t p = file.find("\r\n"); p != std::string::npos; p = file.find("\r\n", p + 2)) ++lines;
  EXPECT_EQ(lines, 8000u);
  EXPECT_NE(file.find("- thread 3 line 1999\r\n"), std::string::npos);
}
