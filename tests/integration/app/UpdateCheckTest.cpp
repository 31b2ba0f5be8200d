// The update check against a web server of the test's own on the loop-back interface.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/HeadlessShell.h"
#include "app/TextUtil.h"
#include "app/UpdateCheck.h"
#include "common/TestEnv.h"

namespace {

// A TCP socket bound to a free port of the loop-back interface.
int LoopbackSocket(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return fd;
}

// Answers every request with the same reply; with hang it accepts and never answers.
class PageServer {
 public:
  PageServer() {
    fd_ = LoopbackSocket(port_);
    ::listen(fd_, 8);
    thread_ = std::thread([this] { Serve(); });
  }
  ~PageServer() {
    stop_ = true;
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    thread_.join();
    for (int c : held_) ::close(c);
  }
  void Reply(const std::string& status, const std::string& body) {
    std::lock_guard<std::mutex> g(m_);
    reply_ = "HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
             "\r\nConnection: close\r\n\r\n" + body;
  }
  void Hang() { hang_ = true; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/Tondrial/index.php"; }
  int requests() const { return requests_; }

 private:
  void Serve() {
    while (!stop_) {
      int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) return;
      ++requests_;
      std::string req;
      char buf[1024];
      while (req.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        req.append(buf, static_cast<size_t>(n));
      }
      if (hang_) {
        held_.push_back(c);
        continue;
      }
      std::string r;
      {
        std::lock_guard<std::mutex> g(m_);
        r = reply_;
      }
      ::send(c, r.data(), r.size(), MSG_NOSIGNAL);
      ::close(c);
    }
  }
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false}, hang_{false};
  std::atomic<int> requests_{0};
  std::mutex m_;
  std::string reply_;
  std::vector<int> held_;
};

// A port on which nobody listens.
int ClosedPort() {
  int port = 0;
  ::close(LoopbackSocket(port));
  return port;
}

class UpdateCheck : public testenv::Fixture {
 protected:
  HeadlessShell shell;
  UpdateSource source;
  std::vector<std::string> opened;

  void SetUp() override {
    testenv::Fixture::SetUp();
    for (auto [k, v] : std::initializer_list<std::pair<const char*, const char*>>{
             {"Msg.Error", "Error"}, {"Msg.Info", "Information"},
             {"CNV\\Msg.NewVersion", "Version %s1% is available."},
             {"CNV\\Msg.NoNewVersion", "You have the latest version."},
             {"CNV\\Msg.DownloadErrorVersionFile", "Could not download."},
             {"CNV\\Msg.ErrorReadintTempVersionFile", "Could not read."}})
      LangTable().push_back({k, v});
    SortLangTable();
    SetShell(&shell);
    source.tempFolder = testenv::FreshFolder("tmp");
    source.deleteDelayMs = 0;
    source.connectTimeoutMs = 2000;
    source.totalTimeoutMs = 3000;
    source.openPage = [this](const std::string& url) { opened.push_back(url); };
  }

  std::string TempFile() const { return source.tempFolder + "Ver-Tondrial.txt"; }
  // The log lines of the check, without the line ends.
  std::vector<std::string> Log() const { return text::Split(text::Replace(LogText(), "\r\n", "\n"), '\n'); }
  void ExpectFailure(const std::string& message) {
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].title, "Error");
    EXPECT_EQ(shell.messages[0].text, message);
    EXPECT_NE(LogText().find("! " + message + "\r\n"), std::string::npos) << LogText();
    EXPECT_EQ(LogText().find(" New version : "), std::string::npos);
    EXPECT_FALSE(fileutil::Exists(TempFile()));
  }
};

TEST(VersionText, AnnouncedVersionIsReadAndComparedComponentByComponent) {
  EXPECT_EQ(AnnouncedVersion("<p>VERSION : 0.4.1210.2600<BR>\nnews</p>"), "0,4,1210,2600");
  EXPECT_TRUE(IsNewerVersion("0,4,1210,2600", kVersion));
  // 1210 beats 999 before the last component is looked at.
  EXPECT_EQ(AnnouncedVersion("Version : 0.4.999.9999"), "0,4,999,9999");
  EXPECT_FALSE(IsNewerVersion("0,4,999,9999", kVersion));
  EXPECT_TRUE(IsNewerVersion(AnnouncedVersion("version :0,5\n"), kVersion));
  EXPECT_FALSE(IsNewerVersion(kVersion, kVersion));
  // The number may sit on the next line; only the first phrase counts.
  EXPECT_EQ(AnnouncedVersion("version :\r\n 1.0 <b>x</b> version : 9"), "1,0");
  EXPECT_EQ(AnnouncedVersion("<html>no number here</html>"), "");
  EXPECT_FALSE(IsNewerVersion("", kVersion));
  // Rubbish components count as 0, absurd ones do not overflow.
  EXPECT_FALSE(IsNewerVersion("x,y,z,w", kVersion));
  EXPECT_TRUE(IsNewerVersion("0,4,99999999999999999999999,0", kVersion));
  EXPECT_TRUE(IsNewerVersion("0,4,1210,2500,1,", "0,4,1210,2499"));
  EXPECT_FALSE(IsNewerVersion("0,4,1210,2500,9", kVersion));  // a fifth component is not looked at
}

TEST_F(UpdateCheck, NewerVersionIsOfferedAndOpenedOnYes) {
  PageServer server;
  server.Reply("200 OK", "<html><body><h1>Tondrial</h1>\r\nVERSION : 0.4.1210.2600<BR>\r\n</body></html>");
  source.url = server.Url();
  CheckNewVersion(source);
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].title, "Information");
  EXPECT_EQ(shell.messages[0].text, "Version 0,4,1210,2600 is available.");
  EXPECT_EQ(shell.messages[0].flags, kRequesterYesNo);
  EXPECT_EQ(opened, std::vector<std::string>{server.Url()});
  EXPECT_EQ(Log(), (std::vector<std::string>{"* Check for new version", " Current Version : 0,4,1210,2500",
                                             " Temporary Html File : " + TempFile(), " URL File Page = " + server.Url(),
                                             " New version : 0,4,1210,2600", ""}));
  EXPECT_FALSE(fileutil::Exists(TempFile()));
  EXPECT_TRUE(App.NetworkReady);

  // No: nothing opens. A second check in the same run goes on with the ready network.
  shell.messageAnswers.push_back(kAnswerNo);
  CheckNewVersion(source);
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(server.requests(), 2);
}

TEST_F(UpdateCheck, SameOlderAndVersionlessPagesSayThereIsNoNewVersion) {
  PageServer server;
  source.url = server.Url();
  const std::pair<std::string, std::string> pages[] = {
      {"Version : 0,4,1210,2500", "0,4,1210,2500"},
      {"version : 0.4.999.9999</p>", "0,4,999,9999"},
      {"<html><body>Under construction</body></html>", ""},
      {std::string("\xFF\xFE", 2) + text::ToUtf16LE("Version : 0.3\r\n"), "0,3"},  // by its byte-order mark
      {std::string("\0\x01\xFFversion", 10), ""},
  };
  for (const auto& [page, version] : pages) {
    shell.messages.clear();
    ResetLog();
    server.Reply("200 OK", page);
    CheckNewVersion(source);
    ASSERT_EQ(shell.messages.size(), 1u) << version;
    EXPECT_EQ(shell.messages[0].title, "Information");
    EXPECT_EQ(shell.messages[0].text, "You have the latest version.");
    EXPECT_NE(LogText().find("\r\n New version : " + version + "\r\n"), std::string::npos) << LogText();
  }
  EXPECT_TRUE(opened.empty());
}

TEST_F(UpdateCheck, MissingPageRefusedConnectionAndSilentServerAreDownloadErrors) {
  {
    PageServer server;
    server.Reply("404 Not Found", "<html>Version : 9.9.9.9</html>");
    source.url = server.Url();
    CheckNewVersion(source);
    ExpectFailure("Could not download.");
  }
  shell.messages.clear();
  ResetLog();
  source.url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/Tondrial/index.php";
  CheckNewVersion(source);
  ExpectFailure("Could not download.");

  shell.messages.clear();
  ResetLog();
  PageServer silent;
  silent.Hang();
  source.url = silent.Url();
  source.totalTimeoutMs = 500;
  auto t0 = std::chrono::steady_clock::now();
  CheckNewVersion(source);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));  // bounded by the time-out
  ExpectFailure("Could not download.");
  EXPECT_TRUE(opened.empty());
}

TEST_F(UpdateCheck, OversizedPageAndForeignSchemesAreRefused) {
  PageServer server;
  server.Reply("200 OK", "Version : 9.9<br>" + std::string(2 << 20, 'x'));
  source.url = server.Url();
  CheckNewVersion(source);
  ExpectFailure("Could not download.");

  shell.messages.clear();
  const std::string local = source.tempFolder + "page.txt";
  testenv::WriteBytes(local, "Version : 9.9");
  source.url = "file://" + local;
  CheckNewVersion(source);
  ExpectFailure("Could not download.");
}

TEST_F(UpdateCheck, ALinkPlantedUnderTheTemporaryNameIsNotFollowed) {
  const std::string victim = source.tempFolder + "victim.txt";
  testenv::WriteBytes(victim, "precious");
  std::filesystem::create_symlink(victim, TempFile());
  PageServer server;
  server.Reply("200 OK", "Version : 0,5");
  source.url = server.Url();
  CheckNewVersion(source);
  EXPECT_EQ(testenv::ReadBytes(victim), "precious");
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].text, "Version 0,5 is available.");
}

}  // namespace
