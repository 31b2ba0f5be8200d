// A radio stream on the Output: its title from the ICY metadata reaches the status text and the
// window title, and follows the stream when the title changes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>

#include "app/Startup.h"
#include "integration/audiolib/ServerProcess.h"
#include "unit/audio/AudioFixture.h"

namespace {

// The loopback radio with its two programmes, and a short network wait.
bool StartRadio(ServerProcess& server, const std::string& media) {
  std::string mp3 = testmedia::Make(media, "radio.mp3",
      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=20 -ac 2 -c:a libmp3lame -b:a 128k "
      "-write_xing 0 -id3v2_version 0 -write_id3v1 0");
  std::string ogg = testmedia::Make(media, "radio.ogg", "-f lavfi -i sine=duration=3 -c:a libvorbis");
  alib::SetConfig(alib::kConfigNetTimeout, 3000);
  return server.Start({"python3", RADIO_SERVER, mp3, ogg});
}

TEST_F(AudioTest, StreamTitleFollowsTheRadioIntoTheStatusAndTheWindowTitle) {
  ServerProcess server;
  ASSERT_TRUE(StartRadio(server, media));
  SetMWValue(setting::PlayingStatus, "%ST");

  Track t;
  t.File = "http://127.0.0.1:" + server.Value("PORT") + "/radio.mp3";
  int32_t id = 0;
  ExamineTrack(t, true);
  EXPECT_EQ(t.Length, -1);
  ::AddTrack(t, id);
  InsertTrackRow(id, -1);
  PlayTrack(id, false);
  WaitForConnect();
  ASSERT_NE(OutputChannel().Handle, 0u);

  // Render sound (and wait while the network stalls) until two different titles were shown.
  std::vector<std::string> titles;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline && titles.size() < 2) {
    Render(0.2);
    Hooks().refreshDisplay();
    if (alib::ChannelIsActive(OutputChannel().Handle) == alib::kActiveStalled)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string& s = shell.statusText;
    if (!s.empty() && (titles.empty() || titles.back() != s)) titles.push_back(s);
  }
  ASSERT_EQ(titles.size(), 2u) << (titles.empty() ? "" : titles[0]);
  EXPECT_NE(titles[0], titles[1]);
  EXPECT_EQ(OutputChannel().Track.StreamTitle, titles[1]);
  EXPECT_EQ(shell.windowTitle, "Tondrial : " + titles[1]);
  EXPECT_EQ(shell.systrayInfo, titles[1]);
}

// A server that accepts and then says nothing: the play key returns at once, the main loop's
// timer goes on, and the failure is reported as for any stream. A second request while one
// connects replaces it; a quoted title keeps its ";" and its Latin-1 letters.
TEST_F(AudioTest, ConnectingLeavesTheMainLoopFreeAndTheNewestRequestWins) {
  ServerProcess server;
  ASSERT_TRUE(StartRadio(server, media));
  const std::string base = "http://127.0.0.1:" + server.Value("PORT");
  auto addUrl = [](const std::string& url) {
    Track t;
    t.File = url;
    ExamineTrack(t, true);
    int32_t id = 0;
    ::AddTrack(t, id);
    InsertTrackRow(id, -1);
    return id;
  };
  const int32_t hang = addUrl(base + "/hang.mp3");
  const int32_t quoted = addUrl(base + "/quoted.mp3");
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };

  const auto pressed = Clock::now();
  PlayTrack(hang, false);
  const double keyMs = ms(Clock::now() - pressed);
  EXPECT_TRUE(OutputConnecting());
  int ticks = 0;
  double longestTick = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(15);
  while (OutputConnecting() && Clock::now() < deadline) {
    const auto tick = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ProcessSyncEvents();  // the 500 ms timer's work, here every 20 ms
    ++ticks;
    longestTick = std::max(longestTick, ms(Clock::now() - tick));
  }
  const double connectMs = ms(Clock::now() - pressed);
  std::printf("silent server: play key answered in %.1f ms; %d timer ticks during the %.0f ms connect, "
              "longest %.1f ms\n", keyMs, ticks, connectMs, longestTick);
  EXPECT_LT(keyMs, 250);
  EXPECT_GT(ticks, 20);
  EXPECT_LT(longestTick, 250);
  EXPECT_FALSE(OutputConnecting());
  EXPECT_EQ(OutputChannel().Handle, 0u);
  EXPECT_EQ(speech.Last(), "cannot play");
  EXPECT_NE(LogText().find("! Error, Play : " + base + "/hang.mp3"), std::string::npos);
  EXPECT_EQ(StateOf(hang), Ready);

  const size_t said = speech.lines.size();
  PlayTrack(hang, false);
  PlayTrack(quoted, false);
  WaitForConnect();
  ASSERT_NE(OutputChannel().Handle, 0u);
  EXPECT_EQ(OutputChannel().Track.ID, quoted);
  EXPECT_EQ(StateOf(quoted), Playing);
  const auto titleDeadline = Clock::now() + std::chrono::seconds(20);
  while (OutputChannel().Track.StreamTitle.empty() && Clock::now() < titleDeadline) {
    Render(0.2);
    if (alib::ChannelIsActive(OutputChannel().Handle) == alib::kActiveStalled)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(OutputChannel().Track.StreamTitle, "Part one; part two, l'été");
  // The replaced connect ends later and changes nothing.
  WaitForUrlOpens();
  ProcessSyncEvents();
  EXPECT_EQ(OutputChannel().Track.ID, quoted);
  EXPECT_EQ(speech.lines.size(), said);

  // The Monitor connects the same way, and its stream is made on its own device.
  const Track live = *FindTrack(quoted);
  EXPECT_EQ(MonitorPlay(live), 1);
  EXPECT_EQ(MonitorChannel().Handle, 0u);
  const auto monitorDeadline = Clock::now() + std::chrono::seconds(15);
  while (MonitorChannel().Handle == 0 && Clock::now() < monitorDeadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ProcessSyncEvents();
  }
  ASSERT_NE(MonitorChannel().Handle, 0u);
  EXPECT_EQ(alib::ChannelGetDevice(MonitorChannel().Handle), MonitorChannel().Device);
  EXPECT_NE(MonitorChannel().Device, OutputChannel().Device);
  EXPECT_EQ(MonitorChannel().Track.ID, quoted);
}

// Quitting while the Output connects to a host whose system accepts the connection and never
// answers, and the Monitor to a server that sends its headers and then nothing: both connects
// are abandoned (their time-out is an hour), the quit is silent, the settings are written and no
// stream is left. The listening socket then finds its connection already closed by the player.
TEST_F(AudioTest, QuitWhileStreamsConnectAbandonsTheConnects) {
  ServerProcess server;
  ASSERT_TRUE(StartRadio(server, media));
  alib::SetConfig(alib::kConfigNetTimeout, 3600 * 1000);
  alib::SetConfig(alib::kConfigNetReadTimeout, 3600 * 1000);
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(listener, 4), 0);  // the system completes the connection; nobody accepts it
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len), 0);
  auto addUrl = [](const std::string& url) {
    Track t;
    t.File = url;
    ExamineTrack(t, true);
    int32_t id = 0;
    ::AddTrack(t, id);
    InsertTrackRow(id, -1);
    return id;
  };
  const int32_t silent = addUrl("http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/live.mp3");
  const int32_t hang = addUrl("http://127.0.0.1:" + server.Value("PORT") + "/hang.mp3");
  PlayTrack(silent, false);
  EXPECT_EQ(MonitorPlay(*FindTrack(hang)), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // both are inside their connect
  ASSERT_TRUE(OutputConnecting());
  const size_t said = speech.lines.size();
  App.SettingsChanged = true;

  // A guard against a hang only: without the abandon the quit would last the hour.
  std::promise<int> ended;
  std::future<int> code = ended.get_future();
  std::thread quit([&ended] { ended.set_value(ShutDown()); });
  if (code.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    quit.detach();
    FAIL() << "the quit waits for the connects";
  }
  quit.join();
  EXPECT_EQ(code.get(), 0);
  ProcessSyncEvents();
  EXPECT_EQ(speech.lines.size(), said);
  EXPECT_EQ(OutputChannel().Handle, 0u);
  EXPECT_EQ(MonitorChannel().Handle, 0u);
  EXPECT_EQ(StateOf(silent), Ready);
  EXPECT_TRUE(std::filesystem::exists(dir + "Tondrial.ini"));
  // The player's end of the connection is closed: its request, then the end of the stream (the
  // system may deliver that a moment after the close; were the connection kept, nothing would
  // come before the receive time-out).
  const int c = ::accept(listener, nullptr, nullptr);
  ASSERT_GE(c, 0);
  timeval wait{10, 0};
  ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  char buf[4096];
  ssize_t n, total = 0;
  while ((n = ::recv(c, buf, sizeof buf, 0)) > 0) total += n;
  EXPECT_GT(total, 0);
  EXPECT_EQ(n, 0) << "the connection is still open";
  ::close(c);
  ::close(listener);
}
}  // namespace
