// Live devices against a private PulseAudio server with two null sinks: both devices open by
// name at once and each sink receives its own tone (recorded from its ".monitor" source); the
// server's deep queue rides out a stalled player while keys still act at once. Under Wine the
// same sinks are reached through Wine's own audio driver; the server and the recorders are then
// programs of the host, started through its shell.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audiolib/AudioLib.h"
#ifndef _WIN32
#include "integration/audiolib/ServerProcess.h"
#endif
#include "unit/audiolib/TestMedia.h"

namespace {

using namespace alib;
using Clock = std::chrono::steady_clock;

bool Installed(const char* prog) {
  return testmedia::Shell(std::string("command -v ") + prog + " >/dev/null 2>&1") == 0;
}

// The server the sinks live on: PulseAudio itself, or PipeWire's PulseAudio protocol
// (ALIB_TEST_SERVER=pipewire).
bool OnPipeWire() {
  const char* v = std::getenv("ALIB_TEST_SERVER");
  return v && std::string(v) == "pipewire";
}
const char* ServerScript() { return OnPipeWire() ? PIPEWIRE_SCRIPT : PULSE_SCRIPT; }
// Folders of their own per server, so both variants can run at once.
std::string ServerDir(const std::string& sub) { return testmedia::TmpDir(OnPipeWire() ? sub + "-pipewire" : sub); }
bool ServerInstalled() {
  if (!Installed("parecord")) return false;
  return OnPipeWire() ? Installed("pipewire") && Installed("pipewire-pulse") && Installed("wireplumber")
                      : Installed("pulseaudio");
}

#ifdef _WIN32
// The host's server for dir, started by the sinks script; its address, or "" when it did not
// start. Wine's driver reads the address once, when the program starts: CTest gives the test
// the address this directory's server will have.
std::string StartServer(const std::string& dir) {
  const std::string said = dir + "/server.txt";
  const std::string script = ServerScript();
  testmedia::Shell("bash '" + script + "' stop '" + dir + "'; bash '" + script + "' start '" + dir + "' > '" +
                   said + "'");
  std::ifstream in(said);
  std::string key, value, server;
  while (in >> key >> value)
    if (key == "SERVER") server = value;
  const char* given = std::getenv("PULSE_SERVER");
  if (!server.empty() && (!given || server != given)) {
    ADD_FAILURE() << "the test was started with PULSE_SERVER=" << (given ? given : "") << ", not " << server;
    return "";
  }
  return server;
}

// Recorders and the server end with the test, also when an assertion ends it early: left
// running they would hold the sinks busy. The library's devices are closed first, so the next
// test starts from no open device.
class Recorders {
 public:
  explicit Recorders(std::string dir) : dir_(std::move(dir)) {}
  ~Recorders() {
    if (!dir_.empty()) Shutdown();
    Stop();
  }
  void Record(const std::string& sink, const std::string& file) {
    testmedia::Shell("parecord --latency-msec=10 -d " + sink + ".monitor --rate=44100 --channels=2 " +
                     "--file-format=wav '" + file + "' >/dev/null 2>&1 & echo $! > '" + file + ".pid'");
    pidFiles_.push_back(file + ".pid");
  }
  void Stop() {
    // Interrupted, a recorder completes its file; done once it is gone or left unreaped.
    for (const std::string& p : pidFiles_)
      testmedia::Shell("p=$(cat '" + p + "') && kill -INT $p; for i in $(seq 250); do "
                       "s=$(ps -o stat= -p $p) || break; case $s in Z*) break;; esac; sleep 0.02; done");
    pidFiles_.clear();
    if (!dir_.empty()) testmedia::Shell("bash '" + std::string(ServerScript()) + "' stop '" + dir_ + "'");
    dir_.clear();
  }

 private:
  std::string dir_;
  std::vector<std::string> pidFiles_;
};
#else
pid_t Spawn(const std::vector<std::string>& argv) {
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

void StopProcess(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGINT);
  int st;
  waitpid(pid, &st, 0);
}

// The private server for dir, its address in PULSE_SERVER; "" when it did not start.
std::string StartServer(const std::string& dir) {
  ServerProcess pulse;
  pulse.Start({"bash", ServerScript(), "start", dir});
  const std::string server = pulse.Value("SERVER");
  if (server.empty()) return "";
  setenv("PULSE_SERVER", server.c_str(), 1);
  setenv("PULSE_CLIENTCONFIG", (dir + "/client.conf").c_str(), 1);
  return server;
}

// Recorders and the server end with the test, also when an assertion ends it early: left
// running they would hold the test's output open and keep the sinks busy. The library's devices
// are closed first, so the next test starts from no open device.
class Recorders {
 public:
  explicit Recorders(std::string dir) : dir_(std::move(dir)) {}
  ~Recorders() {
    if (!dir_.empty()) Shutdown();
    Stop();
  }
  void Record(const std::string& sink, const std::string& file) {
    pids_.push_back(Spawn({"parecord", "--latency-msec=10", "-d", sink + ".monitor", "--rate=44100",
                           "--channels=2", "--file-format=wav", file}));
  }
  void Stop() {
    for (pid_t p : pids_) StopProcess(p);
    pids_.clear();
    if (!dir_.empty()) std::system(("bash '" + std::string(ServerScript()) + "' stop '" + dir_ + "'").c_str());
    dir_.clear();
  }

 private:
  std::string dir_;
  std::vector<pid_t> pids_;
};
#endif

int FindDevice(const std::string& name) {
  DeviceInfo info;
  for (int i = 0; GetDeviceInfo(i, &info); ++i)
    if (info.name == name) return i;
  return -1;
}

std::vector<float> Decode(const std::string& path) {
  std::vector<float> out;
  uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
  if (!h) return out;
  std::vector<float> buf(8192);
  for (;;) {
    uint32_t got = ChannelGetData(h, buf.data(), uint32_t(buf.size() * 4));
    if (got == 0xFFFFFFFFu || got == 0) break;
    out.insert(out.end(), buf.begin(), buf.begin() + got / 4);
  }
  StreamFree(h);
  return out;
}

// Zero crossings per second of the left channel over [from, from + 1 s).
// The tone's frequency over one second from `from` (left channel), from the median distance
// between rising zero crossings: a dropout of the loaded test machine (a few missing or repeated
// milliseconds in the recording) moves a count of crossings, not the median period.
double ToneFrequency(const std::vector<float>& s, size_t from) {
  std::vector<double> periods;
  double last = -1;
  for (size_t i = from; i + 1 < from + 44100 && 2 * i + 2 < s.size(); ++i) {
    if (s[2 * i] < 0 && s[2 * i + 2] >= 0) {
      double at = double(i) + s[2 * i] / (s[2 * i] - s[2 * i + 2]);
      if (last >= 0) periods.push_back(at - last);
      last = at;
    }
  }
  if (periods.empty()) return 0;
  std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
  return 44100.0 / periods[periods.size() / 2];
}

TEST(PulseSinks, TwoDevicesByNameEachGetTheirTone) {
  if (!ServerInstalled()) GTEST_SKIP() << "the sound server is not installed";
  std::string dir = ServerDir("audiolib-pulse");
  std::string media = ServerDir("audiolib-media");
  std::string a440 = testmedia::Make(media, "tone440-4s.wav", "-f lavfi -i sine=frequency=440:duration=4 -ac 2");
  std::string a880 = testmedia::Make(media, "tone880-4s.wav", "-f lavfi -i sine=frequency=880:duration=4 -ac 2");
  ASSERT_FALSE(StartServer(dir).empty()) << "the PulseAudio server did not start; see " << dir << "/pulse.log";

  // Recorders on both sink monitors, low latency, settled before anything plays: an idle null
  // sink runs ahead and would make a new stream wait.
  std::string recOut = dir + "/output.wav", recMon = dir + "/monitor.wav";
  Recorders recorders(dir);
  recorders.Record("out", recOut);
  recorders.Record("mon", recMon);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));

  ASSERT_TRUE(UseSdlBackend());
  int out = FindDevice("Output"), mon = FindDevice("Monitor");
  ASSERT_GT(out, 0);
  ASSERT_GT(mon, 0);
  DeviceInfo info;
  ASSERT_TRUE(GetDeviceInfo(out, &info));
#ifdef _WIN32
  EXPECT_EQ(info.driver, "wasapi");
  // Wine shows the server's default sink as a device of its own, named after the server.
  ASSERT_TRUE(GetDeviceInfo(FindDevice("PulseAudio"), &info));
#else
  EXPECT_EQ(info.driver, "pulseaudio");
#endif
  EXPECT_NE(info.flags & kDeviceDefault, 0u);  // the server's default sink
  ASSERT_TRUE(Init(out, 44100, 0, nullptr)) << ErrorGetCode();
  uint32_t h1 = StreamCreateFile(false, a440.c_str(), 0, 0, 0);
  ASSERT_TRUE(Init(mon, 44100, 0, nullptr)) << ErrorGetCode();
  uint32_t h2 = StreamCreateFile(false, a880.c_str(), 0, 0, 0);
  ASSERT_NE(h1, 0u);
  ASSERT_NE(h2, 0u);
  auto playAt = Clock::now();
  ASSERT_TRUE(ChannelPlay(h1, false));
  ASSERT_TRUE(ChannelPlay(h2, false));
  // The first mix of the stream: its position starts to move.
  while (ChannelGetPosition(h1, kPosByte) == 0 && Clock::now() - playAt < std::chrono::seconds(3))
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  const double firstMixMs = std::chrono::duration<double, std::milli>(Clock::now() - playAt).count();
  // A seek is heard from the sought position on, though audio is rendered ahead of the device.
  ASSERT_TRUE(ChannelSetPosition(h2, ChannelSeconds2Bytes(h2, 0.5), kPosByte));
  auto seekAt = Clock::now();
  // The device goes on playing meanwhile: the position moves on from the sought one at once.
  const double justAfter = ChannelBytes2Seconds(h2, ChannelGetPosition(h2, kPosByte));
  EXPECT_GE(justAfter, 0.5);
  EXPECT_LT(justAfter, 0.55);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const double sinceSeek = std::chrono::duration<double>(Clock::now() - seekAt).count();
  EXPECT_NEAR(ChannelBytes2Seconds(h2, ChannelGetPosition(h2, kPosByte)), 0.5 + sinceSeek, 0.1);
  // What the server holds between our mix and the sink.
  std::string latencyFile = dir + "/latency.txt";
  testmedia::Shell("pactl list sink-inputs | grep -i latency > '" + latencyFile + "'");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(ChannelIsActive(h1), kActivePlaying);
  EXPECT_GT(ChannelBytes2Seconds(h1, ChannelGetPosition(h1, kPosByte)), 1.5);
  ChannelStop(h1);
  ChannelStop(h2);
  // Quiet devices close their streams after a while; playing again opens them at once.
  std::this_thread::sleep_for(std::chrono::milliseconds(2600));
  auto againAt = Clock::now();
  ASSERT_TRUE(ChannelPlay(h1, true));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const double again = std::chrono::duration<double>(Clock::now() - againAt).count();
  EXPECT_NEAR(ChannelBytes2Seconds(h1, ChannelGetPosition(h1, kPosByte)), again, 0.1);
  ChannelStop(h1);
  // Moved while stopped (rendered only once it plays), it plays on from there.
  ASSERT_TRUE(ChannelSetPosition(h1, ChannelSeconds2Bytes(h1, 2.0), kPosByte));
  ASSERT_TRUE(ChannelSetAttribute(h1, kAttribVol, 0.9f));
  auto movedAt = Clock::now();
  ASSERT_TRUE(ChannelPlay(h1, false));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const double moved = std::chrono::duration<double>(Clock::now() - movedAt).count();
  EXPECT_NEAR(ChannelBytes2Seconds(h1, ChannelGetPosition(h1, kPosByte)), 2.0 + moved, 0.1);
  ChannelStop(h1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Shutdown();
  recorders.Stop();

  std::vector<float> s1 = Decode(recOut), s2 = Decode(recMon);
  long on1 = testmedia::Onset(s1, 0.05f), on2 = testmedia::Onset(s2, 0.05f);
  ASSERT_GE(on1, 0) << "no sound on the Output sink";
  ASSERT_GE(on2, 0) << "no sound on the Monitor sink";
  const size_t mid1 = size_t(on1) + 22050, mid2 = size_t(on2) + 22050;
  EXPECT_NEAR(ToneFrequency(s1, mid1), 440, 2);
  EXPECT_NEAR(ToneFrequency(s2, mid2), 880, 2);
  // Play to first sound: our first mix plus the latency the server reports for each stream.
  FILE* lf = fopen(latencyFile.c_str(), "r");
  char line[256];
  std::string lat;
  while (lf && fgets(line, sizeof line, lf)) lat += line;
  if (lf) fclose(lf);
  printf("play to first mix: %.1f ms; server latency per stream:\n%s", firstMixMs, lat.c_str());
  EXPECT_LT(firstMixMs, 100.0);
}

#ifndef _WIN32
// Lengths in milliseconds of the runs of silence between the first and the last sound.
std::vector<double> Gaps(const std::vector<float>& s, double shortestMs) {
  std::vector<double> gaps;
  const size_t frames = s.size() / 2;
  size_t first = frames, last = 0;
  for (size_t i = 0; i < frames; ++i) {
    if (std::abs(s[2 * i]) > 0.02f) {
      first = std::min(first, i);
      last = i;
    }
  }
  size_t run = 0;
  for (size_t i = first; i < last; ++i) {
    if (std::abs(s[2 * i]) < 0.002f) {
      ++run;
    } else {
      if (run * 1000.0 / 44100 >= shortestMs) gaps.push_back(run * 1000.0 / 44100);
      run = 0;
    }
  }
  return gaps;
}

// The server holds a deep queue, so a player that stops running for a while is not heard; keys
// still act at once, because what is queued past a few milliseconds is written again.
TEST(PulseSinks, DeepQueueRidesOutAStallAndKeysActAtOnce) {
  if (!ServerInstalled()) GTEST_SKIP() << "the sound server is not installed";
  std::string dir = ServerDir("audiolib-pulse-stall");
  std::string media = ServerDir("audiolib-media");
  std::string a440 = testmedia::Make(media, "tone440-4s.wav", "-f lavfi -i sine=frequency=440:duration=4 -ac 2");
  ASSERT_FALSE(StartServer(dir).empty()) << "the sound server did not start; see " << dir;
  std::string rec = dir + "/output.wav";
  Recorders recorders(dir);
  recorders.Record("out", rec);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));

  ASSERT_TRUE(UseSdlBackend());
  int out = FindDevice("Output");
  ASSERT_GT(out, 0);
  ASSERT_TRUE(Init(out, 44100, 0, nullptr)) << ErrorGetCode();
  uint32_t h = StreamCreateFile(false, a440.c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  const auto playAt = Clock::now();
  ASSERT_TRUE(ChannelPlay(h, false));
  const auto playDone = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  // The whole player stops for 150 ms, as on a machine too busy to run it.
  pid_t stopper = fork();
  if (stopper == 0) {
    kill(getppid(), SIGSTOP);
    usleep(150000);
    kill(getppid(), SIGCONT);
    _exit(0);
  }
  int st;
  waitpid(stopper, &st, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(450));
  // Positions follow what is heard, the stall included.
  const double elapsed = std::chrono::duration<double>(Clock::now() - playAt).count();
  EXPECT_NEAR(ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte)), elapsed, 0.06);
  const auto muteAt = Clock::now();
  ASSERT_TRUE(ChannelSetAttribute(h, kAttribVol, 0.0f));
  const auto muteDone = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ChannelStop(h);
  Shutdown();
  recorders.Stop();

  std::vector<float> s = Decode(rec);
  const long on = testmedia::Onset(s, 0.05f);
  ASSERT_GE(on, 0) << "no sound on the Output sink";
  long last = -1;
  for (size_t i = 0; i < s.size() / 2; ++i)
    if (std::abs(s[2 * i]) > 0.05f) last = long(i);
  // Heard for as long as it played between the two calls: the muting did not wait behind the
  // queue (250 ms deep), and nothing was lost to the stall.
  const double heardMs = double(last - on) * 1000.0 / 44100;
  const double shortestMs = std::chrono::duration<double, std::milli>(muteAt - playDone).count();
  const double longestMs = std::chrono::duration<double, std::milli>(muteDone - playAt).count();
  EXPECT_GT(heardMs, shortestMs - 30);
  EXPECT_LT(heardMs, longestMs + 30);
  const std::vector<double> gaps = Gaps(s, 1.0);
  const double worst = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
  EXPECT_LT(worst, 30.0) << gaps.size() << " gaps in the recording";
  printf("heard %.1f ms of %.1f-%.1f ms played; %zu gaps, longest %.1f ms\n", heardMs, shortestMs, longestMs,
         gaps.size(), worst);
}

// A presenter cannot be left in silence: when the sound server goes away mid-play the device
// keeps its channels where they were heard, says it is lost once it stays away, and plays on
// from there as soon as the server is back.
TEST(PulseSinks, ServerGoneAndBackPlaysOnFromWhereItWas) {
  if (!ServerInstalled()) GTEST_SKIP() << "the sound server is not installed";
  std::string dir = ServerDir("audiolib-pulse-restart");
  std::string media = ServerDir("audiolib-media");
  std::string a440 = testmedia::Make(media, "tone440-10s.wav", "-f lavfi -i sine=frequency=440:duration=10 -ac 2");
  auto seconds = [](Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); };
  std::string rec = dir + "/output.wav";
  Recorders recorders(dir);
  uint32_t h = 0;
  double kept = 0;
  {
    ASSERT_FALSE(StartServer(dir).empty()) << "the sound server did not start; see " << dir;
    // A recorder settled first, as above: an idle null sink would make the new stream wait.
    recorders.Record("out", dir + "/before.wav");
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ASSERT_TRUE(UseSdlBackend());
    int out = FindDevice("Output");
    ASSERT_GT(out, 0);
    ASSERT_TRUE(Init(out, 44100, 0, nullptr)) << ErrorGetCode();
    h = StreamCreateFile(false, a440.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(ChannelPlay(h, false));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ASSERT_EQ(std::system(("bash '" + std::string(ServerScript()) + "' stop '" + dir + "'").c_str()), 0);
    const auto goneAt = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // a writer's tick to notice
    // Gone: nothing is heard, so the position stays where the last sound was.
    kept = ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte));
    EXPECT_GT(kept, 0.6);
    EXPECT_LT(kept, 1.2);
    DeviceInfo info;
    ASSERT_TRUE(GetDeviceInfo(out, &info));
    EXPECT_NE(info.flags & kDeviceEnabled, 0u) << "lost at once";
    std::this_thread::sleep_for(std::chrono::milliseconds(3500) - (Clock::now() - goneAt));
    EXPECT_NEAR(ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte)), kept, 0.01);
    EXPECT_EQ(ChannelIsActive(h), kActivePlaying);
    // Away for longer than a moment, the device says it is lost.
    ASSERT_TRUE(GetDeviceInfo(out, &info));
    EXPECT_EQ(info.flags & kDeviceEnabled, 0u) << "not lost after " << seconds(goneAt) << " s";
  }
  ASSERT_FALSE(StartServer(dir).empty()) << "the sound server did not start again; see " << dir;
  const auto backAt = Clock::now();
  recorders.Record("out", rec);
  // Back within the longest pause between tries (0.5 s) and a connection; a new null sink then
  // takes about a second before it reads anything (1.2 s measured here).
  double resumed = 0;
  while (ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte)) < kept + 0.02 && (resumed = seconds(backAt)) < 4)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_LT(resumed, 2.5) << "the tone did not come back";
  const auto resumedAt = Clock::now();
  DeviceInfo info;
  ASSERT_TRUE(GetDeviceInfo(FindDevice("Output"), &info));
  EXPECT_NE(info.flags & kDeviceEnabled, 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  // On from where it was: as far past the kept position as it played since.
  EXPECT_NEAR(ChannelBytes2Seconds(h, ChannelGetPosition(h, kPosByte)), kept + 0.02 + seconds(resumedAt), 0.08);
  ChannelStop(h);
  Shutdown();
  recorders.Stop();
  std::vector<float> s = Decode(rec);
  const long on = testmedia::Onset(s, 0.05f);
  ASSERT_GE(on, 0) << "nothing heard after the server came back";
  EXPECT_NEAR(ToneFrequency(s, size_t(on) + 4410), 440, 2);
  printf("position kept at %.3f s; tone back %.0f ms after the server\n", kept, resumed * 1000);
}
#endif

}  // namespace

namespace {

// Device 0 of the SDL backend plays nothing but keeps time, so syncs and positions work on
// machines without any sound device.
TEST(SilentDevice, KeepsRealTimeAndFiresSyncs) {
  std::string media = testmedia::TmpDir("audiolib-media");
  std::string tone = testmedia::Make(media, "tone440-4s.wav", "-f lavfi -i sine=frequency=440:duration=4 -ac 2");
  ASSERT_TRUE(UseSdlBackend());
  DeviceInfo info;
  ASSERT_TRUE(GetDeviceInfo(0, &info));
  EXPECT_EQ(info.name, "No sound");
  ASSERT_TRUE(Init(0, 44100, 0, nullptr));
  uint32_t h = StreamCreateFile(false, tone.c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  std::atomic<int> fired{0};
  ChannelSetSync(h, kSyncPos, uint64_t(ChannelSeconds2Bytes(h, 0.2)),
                 [](uint32_t, uint32_t, uint32_t, void* u) { ++*static_cast<std::atomic<int>*>(u); }, &fired);
  auto t0 = Clock::now();
  ASSERT_TRUE(ChannelPlay(h, false));
  while (fired.load() == 0 && Clock::now() - t0 < std::chrono::seconds(3))
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  double took = std::chrono::duration<double>(Clock::now() - t0).count();
  EXPECT_EQ(fired.load(), 1);
  EXPECT_GE(took, 0.15);  // real time, not faster
  EXPECT_LT(took, 0.6);
  Shutdown();
}

}  // namespace
