// Network streams against a loopback server: ICY titles heard in time, stalls, drops, time-outs,
// the user agent, certificate checks, and chained Ogg streams.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "audiolib/AudioLib.h"
#include "integration/audiolib/ServerProcess.h"
#include "unit/audiolib/TestMedia.h"

namespace {

using namespace alib;
using Clock = std::chrono::steady_clock;

ServerProcess* g_server = nullptr;
std::string g_base, g_tlsBase;

class Network : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string dir = testmedia::TmpDir("audiolib-net");
    std::string mp3 = testmedia::Make(dir, "loop.mp3",
        "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=20 -ac 2 -c:a libmp3lame -b:a 128k "
        "-write_xing 0 -id3v2_version 0 -write_id3v1 0");
    std::string a = testmedia::Make(dir, "part1.ogg", "-f lavfi -i sine=duration=3 -c:a libvorbis -metadata title=First");
    std::string b = testmedia::Make(dir, "part2.ogg", "-f lavfi -i sine=duration=3 -c:a libvorbis -metadata title=Second");
    std::string chain = dir + "/chain.ogg";
    std::system(("cat '" + a + "' '" + b + "' > '" + chain + "'").c_str());
    std::string cert = dir + "/cert.pem", key = dir + "/key.pem";
    if (!testmedia::Exists(cert))
      std::system(("openssl req -x509 -newkey rsa:2048 -nodes -keyout '" + key + "' -out '" + cert +
                   "' -days 2 -subj /CN=127.0.0.1 >/dev/null 2>&1").c_str());
    g_server = new ServerProcess;
    std::vector<std::string> argv = {"python3", RADIO_SERVER, mp3, chain};
    if (testmedia::Exists(cert) && testmedia::Exists(key)) {
      argv.push_back(cert);
      argv.push_back(key);
    }
    ASSERT_TRUE(g_server->Start(argv));
    g_base = "http://127.0.0.1:" + g_server->Value("PORT");
    g_tlsBase = "https://127.0.0.1:" + g_server->Value("TLSPORT");
  }
  static void TearDownTestSuite() {
    delete g_server;
    g_server = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(UseManualBackend({{"Test Output", true}}));
    ASSERT_TRUE(Init(1, 44100, 0, nullptr));
    SetConfig(kConfigNetTimeout, 3000);
    SetConfig(kConfigNetReadTimeout, 6000);
    SetConfigPtr(kConfigNetAgent, "Tondrial");
  }
  void TearDown() override { Shutdown(); }

  // Renders until heard seconds of the stream, or until it stops, or wall seconds pass.
  // step runs after every block.
  template <typename F>
  void PlayFor(uint32_t h, double heard, double wall, F step) {
    std::vector<float> block(2205 * 2);
    auto deadline = Clock::now() + std::chrono::milliseconds(int(wall * 1000));
    while (Clock::now() < deadline) {
      ManualRender(1, block.data(), 2205);
      int active = ChannelIsActive(h);
      step(active);
      if (active == kActiveStopped) return;
      if (active == kActiveStalled) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte)) >= heard) return;
    }
  }
};

struct Titles {
  std::mutex m;
  std::vector<std::pair<double, std::string>> seen;  // heard second, meta text
};

void OnMeta(uint32_t, uint32_t channel, uint32_t, void* user) {
  auto* t = static_cast<Titles*>(user);
  const char* meta = ChannelGetTags(channel, kTagMeta);
  double at = ChannelBytes2Seconds(channel, ChannelGetPosition(channel, kPosByte));
  std::lock_guard<std::mutex> lk(t->m);
  t->seen.emplace_back(at, meta ? meta : "");
}

TEST_F(Network, IcyTitlesAreReportedWhenTheirAudioIsHeard) {
  uint32_t h = StreamCreateURL((g_base + "/radio.mp3").c_str(), 0, kStreamAutoFree, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  EXPECT_EQ(ChannelGetLength(h, kPosByte), -1);
  EXPECT_FALSE(ChannelSetPosition(h, 0, kPosByte));
  EXPECT_EQ(ErrorGetCode(), kErrorPosition);
  const char* meta = ChannelGetTags(h, kTagMeta);
  ASSERT_NE(meta, nullptr);
  EXPECT_STREQ(meta, "StreamTitle='Song 0';StreamUrl='';");
  const char* icy = ChannelGetTags(h, kTagIcy);
  ASSERT_NE(icy, nullptr);
  bool named = false;
  for (const char* p = icy; *p; p += strlen(p) + 1) named |= strcmp(p, "icy-name: Test Radio") == 0;
  EXPECT_TRUE(named);
  Titles titles;
  ASSERT_NE(ChannelSetSync(h, kSyncMeta, 0, OnMeta, &titles), 0u);
  ASSERT_TRUE(ChannelPlay(h, false));
  PlayFor(h, 10.0, 30.0, [](int) {});
  EXPECT_GE(ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte)), 10.0);
  std::lock_guard<std::mutex> lk(titles.m);
  ASSERT_GE(titles.seen.size(), 3u);
  for (const auto& [at, text] : titles.seen) {
    int n = -1;
    ASSERT_EQ(sscanf(text.c_str(), "StreamTitle='Song %d'", &n), 1) << text;
    // Song n begins 3n s into the stream: the title comes with its audio, not seconds ahead.
    EXPECT_NEAR(at, 3.0 * n, 0.7) << text;
  }
}

TEST_F(Network, UserAgentAndItpcLinks) {
  std::string url = g_base + "/agent.mp3";
  url.replace(0, 4, "itpc");
  uint32_t h = StreamCreateURL(url.c_str(), 0, kStreamDecode, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  const char* meta = ChannelGetTags(h, kTagMeta);
  ASSERT_NE(meta, nullptr);
  EXPECT_STREQ(meta, "StreamTitle='Tondrial';StreamUrl='';");
  StreamFree(h);
}

TEST_F(Network, PlaylistLinksAreFollowedWhenAsked) {
  SetConfig(kConfigNetPlaylist, 0);
  EXPECT_EQ(StreamCreateURL((g_base + "/list.pls").c_str(), 0, kStreamDecode, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorFileForm);
  SetConfig(kConfigNetPlaylist, 1);
  for (const char* list : {"/list.pls", "/list.m3u", "/nested.m3u"}) {
    uint32_t h = StreamCreateURL((g_base + list).c_str(), 0, kStreamDecode, nullptr, nullptr);
    ASSERT_NE(h, 0u) << list << " " << ErrorGetCode();
    const char* meta = ChannelGetTags(h, kTagMeta);
    ASSERT_NE(meta, nullptr) << list;
    EXPECT_STREQ(meta, "StreamTitle='Song 0';StreamUrl='';");
    StreamFree(h);
  }
  // Only network links are followed.
  EXPECT_EQ(StreamCreateURL((g_base + "/empty.pls").c_str(), 0, kStreamDecode, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorFileForm);
  SetConfig(kConfigNetPlaylist, 0);
}

TEST_F(Network, AStallReportsStalledAndResumes) {
  uint32_t h = StreamCreateURL((g_base + "/stall.mp3").c_str(), 0, 0, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelPlay(h, false));
  bool stalledMidway = false;
  uint32_t underrunsEarly = 0;
  PlayFor(h, 5.0, 20.0, [&](int active) {
    double at = ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte));
    if (active == kActiveStalled && at > 1.0 && at < 3.0) stalledMidway = true;
    if (at < 0.5) underrunsEarly = ChannelGetUnderruns(h);
  });
  EXPECT_TRUE(stalledMidway);
  // The wait for the first data is no underrun; the stall is (a mix pulled faster than real time
  // can run dry again while the server catches up).
  EXPECT_EQ(underrunsEarly, 0u);
  EXPECT_GE(ChannelGetUnderruns(h), 1u);
  EXPECT_GE(ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte)), 5.0);
  EXPECT_EQ(ChannelIsActive(h), kActivePlaying);
}

TEST_F(Network, FreeingAStalledStreamDoesNotWaitForTheServer) {
  uint32_t h = StreamCreateURL((g_base + "/stall.mp3").c_str(), 0, 0, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelPlay(h, false));
  PlayFor(h, 3.0, 10.0, [](int) {});
  auto t0 = Clock::now();
  EXPECT_TRUE(StreamFree(h));
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 0.5);
  // And straight into the stall, before the server sends again.
  h = StreamCreateURL((g_base + "/stall.mp3").c_str(), 0, 0, nullptr, nullptr);
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(ChannelPlay(h, false));
  PlayFor(h, 1.9, 10.0, [](int) {});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  t0 = Clock::now();
  EXPECT_TRUE(StreamFree(h));
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 0.5);
}

TEST_F(Network, ADroppedConnectionEndsTheStream) {
  uint32_t h = StreamCreateURL((g_base + "/drop.mp3").c_str(), 0, 0, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  int ends = 0;
  ChannelSetSync(h, kSyncEnd, 0, [](uint32_t, uint32_t, uint32_t, void* u) { ++*static_cast<int*>(u); }, &ends);
  ASSERT_TRUE(ChannelPlay(h, false));
  PlayFor(h, 100.0, 20.0, [](int) {});
  EXPECT_EQ(ChannelIsActive(h), kActiveStopped);
  EXPECT_EQ(ends, 1);
  EXPECT_NEAR(ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte)), 2.0, 0.6);
}

TEST_F(Network, AServerThatSendsNothingTimesOut) {
  SetConfig(kConfigNetTimeout, 1000);
  SetConfig(kConfigNetReadTimeout, 1000);
  auto t0 = Clock::now();
  uint32_t h = StreamCreateURL((g_base + "/hang.mp3").c_str(), 0, 0, nullptr, nullptr);
  double took = std::chrono::duration<double>(Clock::now() - t0).count();
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorTimeout);
  EXPECT_LT(took, 4.0);
  // A port nobody listens on.
  EXPECT_EQ(StreamCreateURL("http://127.0.0.1:9/x.mp3", 0, 0, nullptr, nullptr), 0u);
  EXPECT_NE(ErrorGetCode(), kOk);
  EXPECT_EQ(StreamCreateURL((g_base + "/missing.mp3").c_str(), 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), kErrorFileOpen);

  // The caller gives up: with time-outs of ten minutes the open ends when told to (the test
  // would otherwise last them), also while a play list's link is being followed.
  SetConfig(kConfigNetTimeout, 600000);
  SetConfig(kConfigNetReadTimeout, 600000);
  const uint32_t followed = GetConfig(kConfigNetPlaylist);
  SetConfig(kConfigNetPlaylist, 1);
  for (const char* path : {"/hang.mp3", "/hang.pls"}) {
    std::atomic<bool> cancel{false};
    std::thread giveUp([&cancel] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      cancel = true;
    });
    h = StreamCreateURLCancelable((g_base + path).c_str(), kStreamDecode, &cancel);
    giveUp.join();
    EXPECT_EQ(h, 0u) << path;
    EXPECT_EQ(ErrorGetCode(), kErrorTimeout) << path;
    if (h) StreamFree(h);
  }
  // Not cancelled, it opens as StreamCreateURL does.
  std::atomic<bool> keep{false};
  h = StreamCreateURLCancelable((g_base + "/radio.mp3").c_str(), kStreamDecode, &keep);
  EXPECT_NE(h, 0u) << ErrorGetCode();
  StreamFree(h);
  SetConfig(kConfigNetPlaylist, followed);
}

TEST_F(Network, CertificatesAreChecked) {
  // The loopback server's certificate is self-signed: the stream must be refused.
  ASSERT_FALSE(g_server->Value("TLSPORT").empty()) << "no certificate: is the openssl command installed?";
  uint32_t h = StreamCreateURL((g_tlsBase + "/radio.mp3").c_str(), 0, 0, nullptr, nullptr);
  EXPECT_EQ(h, 0u);
  EXPECT_NE(ErrorGetCode(), kOk);
}

TEST_F(Network, ChainedOggReportsTheNewLogicalStreamWhenHeard) {
  uint32_t h = StreamCreateURL((g_base + "/chain.ogg").c_str(), 0, 0, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  const char* tags = ChannelGetTags(h, kTagOgg);
  ASSERT_NE(tags, nullptr);
  bool first = false;
  for (const char* p = tags; *p; p += strlen(p) + 1) first |= strcmp(p, "TITLE=First") == 0;
  EXPECT_TRUE(first);
  struct Seen {
    std::mutex m;
    std::vector<std::pair<double, std::string>> v;
  } seen;
  ChannelSetSync(h, kSyncOggChange, 0, [](uint32_t, uint32_t ch, uint32_t, void* u) {
    auto* s = static_cast<Seen*>(u);
    std::string title;
    if (const char* t = ChannelGetTags(ch, kTagOgg))
      for (const char* p = t; *p; p += strlen(p) + 1)
        if (strncmp(p, "TITLE=", 6) == 0) title = p + 6;
    std::lock_guard<std::mutex> lk(s->m);
    s->v.emplace_back(ChannelBytes2Seconds(ch, ChannelGetPosition(ch, kPosByte)), title);
  }, &seen);
  ASSERT_TRUE(ChannelPlay(h, false));
  PlayFor(h, 100.0, 20.0, [](int) {});
  std::lock_guard<std::mutex> lk(seen.m);
  ASSERT_EQ(seen.v.size(), 1u);
  EXPECT_NEAR(seen.v[0].first, 3.0, 0.2);
  EXPECT_EQ(seen.v[0].second, "Second");
}

}  // namespace
