// A speech server for tests: answers the SSIP commands a speech-dispatcher client sends on a
// unix socket and keeps what it was asked to say, so a test can read the exact texts back.
#pragma once
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class SsipServer {
 public:
  struct Message {
    std::string text;
    std::string priority;  // lower-case, as last set by the client ("" when never set)
  };

  // Listens on path (removed first); Address() is the value for SPEECHD_ADDRESS.
  explicit SsipServer(std::string path);
  ~SsipServer();
  SsipServer(const SsipServer&) = delete;
  SsipServer& operator=(const SsipServer&) = delete;

  bool Ok() const { return listenFd_ >= 0; }
  std::string Address() const { return "unix_socket:" + path_; }

  // Waits up to timeoutMs for at least n messages; returns a copy of what was said.
  std::vector<Message> WaitForMessages(size_t n, int timeoutMs = 5000);
  // Every command line received, in order (data lines of SPEAK excluded).
  std::vector<std::string> Commands();
  int Connections();
  // Answers every SPEAK with an error from now on.
  void RefuseSpeech(bool refuse);
  // Closes the listening socket and every connection (the server went away).
  void Shutdown();

 private:
  void Accept();
  void Serve(int fd);

  std::string path_;
  int listenFd_ = -1;
  int wakePipe_[2] = {-1, -1};
  std::thread acceptor_;
  std::vector<std::thread> clients_;
  std::vector<int> clientFds_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Message> messages_;
  std::vector<std::string> commands_;
  int connections_ = 0;
  bool refuse_ = false;
  bool stopped_ = false;
};
