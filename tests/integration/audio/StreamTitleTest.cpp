// A radio stream on the Output: its title from the ICY metadata reaches the status text and the
// window title, and follows the stream when the title changes.
#include <chrono>
#include <thread>

#include "integration/audiolib/ServerProcess.h"
#include "unit/audio/AudioFixture.h"

namespace {

TEST_F(AudioTest, StreamTitleFollowsTheRadioIntoTheStatusAndTheWindowTitle) {
  std::string mp3 = testmedia::Make(media, "radio.mp3",
      "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=20 -ac 2 -c:a libmp3lame -b:a 128k "
      "-write_xing 0 -id3v2_version 0 -write_id3v1 0");
  std::string ogg = testmedia::Make(media, "radio.ogg", "-f lavfi -i sine=duration=3 -c:a libvorbis");
  ServerProcess server;
  ASSERT_TRUE(server.Start({"python3", RADIO_SERVER, mp3, ogg}));
  alib::SetConfig(alib::kConfigNetTimeout, 3000);
  SetMWValue(setting::PlayingStatus, "%ST");

  Track t;
  t.File = "http://127.0.0.1:" + server.Value("PORT") + "/radio.mp3";
  int32_t id = 0;
  ExamineTrack(t, true);
  EXPECT_EQ(t.Length, -1);
  ::AddTrack(t, id);
  InsertTrackRow(id, -1);
  PlayTrack(id, false);
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
}  // namespace
