// Speaks through the real speech-dispatcher client library to a speech server the test runs.
#include "access/SpeechDispatcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "access/Speech.h"
#include "support/SsipServer.h"

namespace {

std::string SocketPath(const std::string& name) {
  const char* tmp = std::getenv("TONDRIAL_TEST_TMP");
  std::string dir = std::string(tmp ? tmp : "/tmp") + "/access-speechd";
  std::filesystem::create_directories(dir);
  // Unix socket paths are short; the build tree may be deep.
  std::string path = dir + "/" + name;
  if (path.size() > 100) path = "/tmp/tondrial-" + std::to_string(getpid()) + "-" + name;
  return path;
}

std::vector<std::string> Texts(const std::vector<SsipServer::Message>& m) {
  std::vector<std::string> t;
  for (const auto& x : m) t.push_back(x.text);
  return t;
}

TEST(SpeechDispatcher, EachLineCancelsThePreviousAndArrivesExactly) {
  SsipServer server(SocketPath("direct.sock"));
  ASSERT_TRUE(server.Ok());
  setenv("SPEECHD_ADDRESS", server.Address().c_str(), 1);
  SpeechDispatcherBackend::Options o;
  o.autospawn = false;
  o.braille = false;
  SpeechDispatcherBackend b(o);
  EXPECT_TRUE(b.Say("Volume 80", true));
  EXPECT_TRUE(b.Say(".hidden file", true));  // a leading dot survives the transfer
  EXPECT_TRUE(b.Say("Volume à 90 %", false));
  EXPECT_TRUE(b.Say("", true));              // silences only
  auto said = server.WaitForMessages(3);
  EXPECT_EQ(Texts(said), (std::vector<std::string>{"Volume 80", ".hidden file", "Volume à 90 %"}));
  for (const auto& m : said) EXPECT_EQ(m.priority, "message");
  EXPECT_EQ(server.Connections(), 1);  // opened once, kept
  int cancels = 0;
  for (const auto& c : server.Commands())
    if (c.rfind("CANCEL", 0) == 0) ++cancels;
  EXPECT_EQ(cancels, 3);
}

TEST(SpeechDispatcher, ServerGoneOrRefusingFailsWithoutHarm) {
  std::string path = SocketPath("gone.sock");
  setenv("SPEECHD_ADDRESS", ("unix_socket:" + path).c_str(), 1);
  SpeechDispatcherBackend::Options o;
  o.autospawn = false;
  o.braille = false;
  {
    SpeechDispatcherBackend nobody(o);
    EXPECT_FALSE(nobody.Say("personne", true));
    EXPECT_FALSE(nobody.LastError().empty()) << nobody.LastError();
  }
  SsipServer server(path);
  ASSERT_TRUE(server.Ok());
  SpeechDispatcherBackend b(o);
  server.RefuseSpeech(true);
  EXPECT_FALSE(b.Say("refusé", true));
  server.RefuseSpeech(false);
  EXPECT_TRUE(b.Say("accepté", true));  // reopened after the failure
  server.Shutdown();
  EXPECT_FALSE(b.Say("après", true));   // no crash when the server went away
  EXPECT_EQ(Texts(server.WaitForMessages(1)), std::vector<std::string>{"accepté"});
}

TEST(SpeechDispatcher, BridgeFindsOrcaAndSpeaksThroughTheThread) {
  SsipServer server(SocketPath("bridge.sock"));
  ASSERT_TRUE(server.Ok());
  setenv("SPEECHD_ADDRESS", server.Address().c_str(), 1);
  ResetScreenReaderHooks();
  SetSpeechBackend(nullptr);
  ScreenReaderHooks h;
  h.processNames = [] { return std::vector<std::string>{"gnome-shell", "orca"}; };
  SetScreenReaderHooks(h);
  StartSpeechThread();
  Speak("80", "Volume ");
  Speak("90", "Volume ");
  Speak("Piste\t2\nsur 5 ");
  FlushSpeech();
  StopSpeechThread();
  EXPECT_EQ(LoadedScreenReader(), kScreenReaderOrca);
  EXPECT_EQ(Texts(server.WaitForMessages(3)), (std::vector<std::string>{"Volume 80", "90", "Piste2sur 5"}));
  ResetScreenReaderHooks();
}

}  // namespace
