// The named lock and the hand-over channel, two copies played by two threads of one process.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/Instance.h"

namespace {

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A short folder of the system's: a channel's whole path must fit in a socket address
    // (108 bytes on Linux), which a build folder deep in a clone does not leave room for.
    dir_ = std::filesystem::temp_directory_path() / ("tondrial-inst-" + std::to_string(std::random_device{}() % 1000000));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    folder_ = dir_.generic_string() + "/";
    platform::OverrideInstanceFolder(&folder_);
  }
  void TearDown() override {
    platform::OverrideInstanceFolder(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::filesystem::path dir_;
  std::string folder_;
};

}  // namespace

TEST_F(InstanceTest, SecondOpenOfTheLockSeesTheFirst) {
  int first = -1, second = -1;
  ASSERT_EQ(platform::OpenInstanceLock("Tondrial-PlatformTest", first), platform::InstanceLockState::Created);
  EXPECT_EQ(platform::OpenInstanceLock("Tondrial-PlatformTest", second), platform::InstanceLockState::Exists);
  platform::CloseInstanceLock(second);
  platform::CloseInstanceLock(first);
  // Once every holder closed it, the next copy is the first again.
  ASSERT_EQ(platform::OpenInstanceLock("Tondrial-PlatformTest", first), platform::InstanceLockState::Created);
  platform::CloseInstanceLock(first);
}

TEST_F(InstanceTest, HandOverReachesTheWindowFoundByTitleAndClass) {
  const std::string title = "Tondrial-Portable";
  int channel = platform::OpenHandOverChannel(title, "WindowClass_0");
  ASSERT_GE(channel, 0);
  std::string address;
  for (const auto& w : platform::InstanceWindows())
    if (w.title == title && w.className == "WindowClass_0") address = w.address;
  ASSERT_FALSE(address.empty());

  std::atomic<bool> sent{false}, delivered{false};
  int32_t answer = 0;
  std::thread other([&] {
    delivered = platform::SendHandOver(address, {1, "caf\xC3\xA9"}, 5000, answer);
    sent = true;
  });
  platform::HandOverMessage got;
  int calls = 0;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!sent && std::chrono::steady_clock::now() < until) {
    platform::ServeHandOverChannel(channel, [&](const platform::HandOverMessage& m) {
      got = m;
      ++calls;
      return 7;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  other.join();
  EXPECT_TRUE(delivered);
  EXPECT_EQ(answer, 7);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(got.code, 1u);
  EXPECT_EQ(got.text, "caf\xC3\xA9");

  platform::CloseHandOverChannel(channel);
  EXPECT_EQ(channel, -1);
  int32_t none = 0;
  EXPECT_FALSE(platform::SendHandOver(address, {1, ""}, 200, none));
  EXPECT_FALSE(platform::SendHandOver("not a window", {1, ""}, 200, none));
}
