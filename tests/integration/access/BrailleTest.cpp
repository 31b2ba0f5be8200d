// The braille line of the speech bridge against a real BRLTTY server. BRLTTY runs with its
// virtual display driver, which talks to a display over a socket: the test is that display. It
// sees each line BRLTTY shows, so it can tell when an announcement is on the braille line and
// when the line is given back to the screen reader (BRLTTY's own text, here "no screen").
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "access/SpeechDispatcher.h"
#include "support/SsipServer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string FindBrltty() {
  for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
    std::string p = std::string(dir) + "/brltty";
    if (access(p.c_str(), X_OK) == 0) return p;
  }
  return "";
}

// The virtual display: listens where BRLTTY's driver connects and reads its "Visual" lines.
class Display {
 public:
  explicit Display(const std::string& path) : path_(path) {
    fs::remove(path);
    listen_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    if (bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 1) != 0) {
      close(listen_);
      listen_ = -1;
    }
  }
  ~Display() {
    if (conn_ >= 0) close(conn_);
    if (listen_ >= 0) close(listen_);
    fs::remove(path_);
  }
  bool Ok() const { return listen_ >= 0; }
  // Waits for BRLTTY and tells it the size of the display.
  bool Accept(int ms, int cells) {
    pollfd p{listen_, POLLIN, 0};
    if (poll(&p, 1, ms) != 1) return false;
    conn_ = accept(listen_, nullptr, nullptr);
    return conn_ >= 0 && Send("cells " + std::to_string(cells));
  }
  bool Send(const std::string& line) {
    std::string l = line + "\n";
    return write(conn_, l.data(), l.size()) == static_cast<ssize_t>(l.size());
  }
  // The next text shown within ms (trailing blanks removed), or "\x01" when nothing came.
  std::string NextVisual(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (true) {
      size_t nl;
      while ((nl = buffer_.find('\n')) != std::string::npos) {
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        if (line.rfind("Visual \"", 0) != 0) continue;
        std::string text = line.substr(8, line.rfind('"') - 8);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      if (left <= 0) return "\x01";
      pollfd p{conn_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) != 1) return "\x01";
      char b[4096];
      ssize_t n = read(conn_, b, sizeof b);
      if (n <= 0) return "\x01";
      buffer_.append(b, static_cast<size_t>(n));
    }
  }
  // Reads until text is shown; false when it is not within ms.
  bool WaitFor(const std::string& text, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      if (NextVisual(static_cast<int>(left)) == text) return true;
    }
    return false;
  }

 private:
  std::string path_;
  int listen_ = -1, conn_ = -1;
  std::string buffer_;
};

bool PortOpen(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

class Brltty {
 public:
  Brltty(const std::string& exe, const std::string& dir, const std::string& display, int server) {
    const std::string log = dir + "/brltty.log";
    pid_ = fork();
    if (pid_ != 0) return;
    if (FILE* out = std::fopen(log.c_str(), "w")) {
      dup2(fileno(out), 1);
      dup2(fileno(out), 2);
    }
    // In the foreground, logging to standard error, no screen, no speech, no files of the
    // machine's own BRLTTY, and its API on a loopback port without authentication.
    const std::string api = "auth=none,host=127.0.0.1:" + std::to_string(server);
    const std::string device = "client:" + display;
    const std::string pidFile = dir + "/brltty.pid";
    std::vector<std::string> args = {exe, "-n", "-e", "-q", "-Z", "-b", "vr", "-d", device, "-x", "no", "-s", "no",
                                     "-A", api, "-f", "/dev/null", "-F", "/dev/null", "-W", dir, "-U", dir,
                                     "-P", pidFile, "-l", "info"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  ~Brltty() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
};

std::string LogOf(const std::string& dir) {
  std::ifstream in(dir + "/brltty.log");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Each announcement is shown on the braille line and the line stays the program's while
// announcements come; once none came for the bridge's pause, the idle call gives it back.
TEST(Braille, AnnouncementIsShownAndTheLineIsGivenBackAfterThePause) {
  const std::string exe = FindBrltty();
  if (exe.empty()) GTEST_SKIP() << "brltty is not installed (Debian package brltty)";
  const char* tmp = std::getenv("TONDRIAL_TEST_TMP");
  std::string dir = std::string(tmp ? tmp : "/tmp") + "/access-braille";
  // Unix socket paths are short; the build tree may be deep.
  if (dir.size() > 80) dir = "/tmp/tondrial-braille-" + std::to_string(getpid());
  fs::remove_all(dir);
  fs::create_directories(dir);

  Display display(dir + "/vr.sock");
  ASSERT_TRUE(display.Ok());
  // BrlAPI's port is 4101 plus the server number: one per process, so tests side by side differ.
  const int server = 200 + getpid() % 700;
  Brltty brltty(exe, dir, dir + "/vr.sock", server);
  if (!display.Accept(15000, 40)) GTEST_SKIP() << "brltty did not start:\n" << LogOf(dir);
  ASSERT_TRUE(display.WaitFor("no screen", 10000)) << LogOf(dir);
  for (int i = 0; i < 250 && !PortOpen(4101 + server); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(PortOpen(4101 + server)) << LogOf(dir);

  SsipServer speech(dir + "/speechd.sock");
  ASSERT_TRUE(speech.Ok());
  setenv("SPEECHD_ADDRESS", speech.Address().c_str(), 1);
  setenv("BRLAPI_HOST", ("127.0.0.1:" + std::to_string(server)).c_str(), 1);
  setenv("BRLAPI_AUTH", "none", 1);
  SpeechDispatcherBackend::Options options;
  options.autospawn = false;
  SpeechDispatcherBackend bridge(options);

  ASSERT_TRUE(bridge.Say("Chapter 2 of 3: Middle", true));
  EXPECT_TRUE(display.WaitFor("Chapter 2 of 3: Middle", 5000)) << LogOf(dir);
  const auto shown = Clock::now();
  // Longer than the display: whole characters up to its 40 cells.
  ASSERT_TRUE(bridge.Say("Sleep timer: 15 minutes. Chapter 3 of 3: the end of the book", true));
  EXPECT_TRUE(display.WaitFor("Sleep timer: 15 minutes. Chapter 3 of 3:", 5000));
  EXPECT_EQ(speech.WaitForMessages(2).size(), 2u);

  // Before the pause the line stays: asked to redraw, BRLTTY leaves it to the program.
  bridge.Idle();
  display.Send("refresh");
  EXPECT_EQ(display.NextVisual(700), "\x01");
  const auto pause = std::chrono::seconds(options.brailleSeconds);
  std::this_thread::sleep_until(shown + pause + std::chrono::milliseconds(300));
  bridge.Idle();
  display.Send("refresh");
  EXPECT_TRUE(display.WaitFor("no screen", 3000)) << LogOf(dir);

  // The next announcement takes the line again.
  ASSERT_TRUE(bridge.Say("Paused", true));
  EXPECT_TRUE(display.WaitFor("Paused", 5000));
}

}  // namespace
