// The real speech server: speech-dispatcher started by the test, speaking into a PulseAudio
// null sink, with an output module that writes each text it is given to a file instead of
// synthesising it. What lands in the file is what a synthesiser would have spoken.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "access/Speech.h"

namespace fs = std::filesystem;

namespace {

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& log) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
  FILE* out = std::fopen(log.c_str(), "w");
  if (out) {
    dup2(fileno(out), 1);
    dup2(fileno(out), 2);
  }
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

bool WaitFor(const std::function<bool()>& ready, int ms = 8000) {
  for (int i = 0; i < ms / 20; ++i) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return ready();
}

std::vector<std::string> Lines(const fs::path& p) {
  std::vector<std::string> out;
  std::ifstream in(p);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

bool Installed(const char* path) { return access(path, X_OK) == 0; }

TEST(SpeechDaemon, WhatTheSpeechServerReceives) {
  if (!Installed("/usr/bin/speech-dispatcher") || !Installed("/usr/bin/pulseaudio") ||
      !Installed("/usr/lib/speech-dispatcher-modules/sd_generic"))
    GTEST_SKIP() << "speech-dispatcher, its generic module or pulseaudio is not installed";
  const char* tmp = std::getenv("TONDRIAL_TEST_TMP");
  fs::path dir = fs::path(tmp ? tmp : "/tmp") / "access-daemon";
  fs::remove_all(dir);
  fs::create_directories(dir / "conf/modules");
  fs::create_directories(dir / "log");
  fs::create_directories(dir / "rt");
  fs::permissions(dir / "rt", fs::perms::owner_all);
  fs::path said = dir / "said.txt";
  std::ofstream(dir / "conf/speechd.conf") << "LogLevel 5\n"
                                              "AddModule \"capture\" \"sd_generic\" \"capture.conf\"\n"
                                              "DefaultModule capture\n"
                                              "DefaultLanguage \"fr\"\n";
  std::ofstream(dir / "conf/modules/capture.conf")
      << "GenericExecuteSynth \"printf '%s\\\\n' \\'$DATA\\' >> " << said.string() << "\"\n"
      << "GenericLanguage \"fr\" \"fr\" \"utf-8\"\n"
         "AddVoice \"fr\" \"MALE1\" \"fr\"\n";

  std::string paSocket = (dir / "pa.sock").string(), sdSocket = (dir / "sd.sock").string();
  std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + (dir / "rt").string(), "HOME=" + dir.string(),
                                  "PULSE_SERVER=unix:" + paSocket};
  pid_t pa = Spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                    "--load=module-null-sink sink_name=speech", "--load=module-native-protocol-unix socket=" + paSocket},
                   env, (dir / "pulseaudio.log").string());
  ASSERT_TRUE(WaitFor([&] { return fs::exists(paSocket); })) << "pulseaudio did not start";
  pid_t sd = Spawn({"speech-dispatcher", "-s", "-l", "5", "-L", (dir / "log").string(), "-C", (dir / "conf").string(),
                    "-c", "unix_socket", "-S", sdSocket, "-P", (dir / "sd.pid").string(), "-t", "0"},
                   env, (dir / "speechd.log").string());
  bool up = WaitFor([&] { return fs::exists(sdSocket); });

  if (up) {
    setenv("SPEECHD_ADDRESS", ("unix_socket:" + sdSocket).c_str(), 1);
    ResetScreenReaderHooks();
    SetSpeechBackend(nullptr);
    ScreenReaderHooks h;
    h.processNames = [] { return std::vector<std::string>{"orca"}; };
    SetScreenReaderHooks(h);
    StartSpeechThread();
    const std::pair<std::string, std::string> said_in[] = {
        {"80", "Volume "}, {"90", "Volume "}, {"Piste\t2\n sur 5 ", ""}, {"Lecture de « été.mp3 », 37 %", ""}};
    std::vector<std::string> want = {"Volume 80", "90", "Piste2 sur 5", "Lecture de « été.mp3 », 37 %"};
    // One at a time: each announcement cuts off the one before, as the user hears them.
    for (size_t i = 0; i < std::size(said_in); ++i) {
      Speak(said_in[i].first, said_in[i].second);
      FlushSpeech();
      EXPECT_TRUE(WaitFor([&] { return Lines(said).size() > i; })) << "line " << i;
    }
    StopSpeechThread();
    ResetScreenReaderHooks();  // closes the connection
    EXPECT_EQ(Lines(said), want);
  }
  Stop(sd);
  Stop(pa);
  ASSERT_TRUE(up) << "speech-dispatcher did not start; see " << (dir / "speechd.log");
}

}  // namespace
