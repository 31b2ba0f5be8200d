#include "support/SsipServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

namespace {

void SendAll(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    ssize_t n = send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

SsipServer::SsipServer(std::string path) : path_(std::move(path)) {
  unlink(path_.c_str());
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path_.size() >= sizeof(addr.sun_path)) return;
  std::strcpy(addr.sun_path, path_.c_str());
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 8) != 0 || pipe(wakePipe_) != 0) {
    close(fd);
    return;
  }
  listenFd_ = fd;
  acceptor_ = std::thread([this] { Accept(); });
}

SsipServer::~SsipServer() {
  Shutdown();
  if (acceptor_.joinable()) acceptor_.join();
  for (auto& t : clients_)
    if (t.joinable()) t.join();
  for (int fd : wakePipe_)
    if (fd >= 0) close(fd);
  unlink(path_.c_str());
}

void SsipServer::Shutdown() {
  std::lock_guard<std::mutex> l(lock_);
  if (stopped_) return;
  stopped_ = true;
  if (wakePipe_[1] >= 0) (void)!write(wakePipe_[1], "x", 1);
  for (int fd : clientFds_) shutdown(fd, SHUT_RDWR);
}

void SsipServer::Accept() {
  while (true) {
    pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    if (poll(p, 2, -1) < 0) continue;
    if (p[1].revents) break;
    int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> l(lock_);
    if (stopped_) {
      close(fd);
      break;
    }
    ++connections_;
    clientFds_.push_back(fd);
    clients_.emplace_back([this, fd] { Serve(fd); });
  }
  close(listenFd_);
  unlink(path_.c_str());
}

void SsipServer::Serve(int fd) {
  std::string buf, priority;
  bool inData = false;
  int nextId = 1;
  char chunk[4096];
  while (true) {
    if (inData) {
      // A message ends with CR LF "." CR LF; lines inside end with LF and leading dots are doubled.
      size_t end = std::string::npos, skip = 0;
      if (buf.rfind(".\r\n", 0) == 0) {
        end = 0;
        skip = 3;
      } else if ((end = buf.find("\r\n.\r\n")) != std::string::npos) {
        skip = end + 5;
      }
      if (end != std::string::npos) {
        std::string body = buf.substr(0, end);
        buf.erase(0, skip);
        std::string text;
        size_t pos = 0;
        while (pos <= body.size()) {
          size_t nl = body.find('\n', pos);
          std::string line = body.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
          if (line.rfind("..", 0) == 0) line.erase(0, 1);
          text += line;
          if (nl == std::string::npos) break;
          text += '\n';
          pos = nl + 1;
        }
        if (!text.empty() && text.back() == '\r') text.pop_back();
        inData = false;
        bool refuse;
        {
          std::lock_guard<std::mutex> l(lock_);
          refuse = refuse_;
          if (!refuse) messages_.push_back({text, priority});
        }
        changed_.notify_all();
        if (refuse) SendAll(fd, "401 ERR NOT YET IMPLEMENTED\r\n");
        else SendAll(fd, "225-" + std::to_string(nextId++) + "\r\n225 OK MESSAGE QUEUED\r\n");
        continue;
      }
    } else {
      size_t nl = buf.find("\r\n");
      if (nl != std::string::npos) {
        std::string cmd = buf.substr(0, nl);
        buf.erase(0, nl + 2);
        {
          std::lock_guard<std::mutex> l(lock_);
          commands_.push_back(cmd);
        }
        changed_.notify_all();
        std::string low = Lower(cmd);
        if (low.rfind("speak", 0) == 0) {
          bool refuse;
          {
            std::lock_guard<std::mutex> l(lock_);
            refuse = refuse_;
          }
          if (refuse) {
            SendAll(fd, "401 ERR NOT YET IMPLEMENTED\r\n");
          } else {
            inData = true;
            SendAll(fd, "230 OK RECEIVING DATA\r\n");
          }
        } else if (low.rfind("set self priority ", 0) == 0) {
          priority = low.substr(18);
          SendAll(fd, "202 OK PRIORITY SET\r\n");
        } else if (low.rfind("set ", 0) == 0) {
          SendAll(fd, "208 OK SET\r\n");
        } else if (low.rfind("cancel", 0) == 0) {
          SendAll(fd, "210 OK CANCELED\r\n");
        } else if (low.rfind("stop", 0) == 0) {
          SendAll(fd, "210 OK STOPPED\r\n");
        } else if (low.rfind("history get client_id", 0) == 0) {
          SendAll(fd, "240-1\r\n240 OK CLIENT ID SENT\r\n");
        } else if (low.rfind("quit", 0) == 0) {
          SendAll(fd, "231 HAPPY HACKING\r\n");
          break;
        } else {
          SendAll(fd, "200 OK\r\n");
        }
        continue;
      }
    }
    ssize_t n = recv(fd, chunk, sizeof(chunk), 0);
    if (n <= 0) break;
    buf.append(chunk, static_cast<size_t>(n));
  }
  close(fd);
  std::lock_guard<std::mutex> l(lock_);
  clientFds_.erase(std::remove(clientFds_.begin(), clientFds_.end(), fd), clientFds_.end());
}

std::vector<SsipServer::Message> SsipServer::WaitForMessages(size_t n, int timeoutMs) {
  std::unique_lock<std::mutex> l(lock_);
  changed_.wait_for(l, std::chrono::milliseconds(timeoutMs), [&] { return messages_.size() >= n; });
  return messages_;
}

std::vector<std::string> SsipServer::Commands() {
  std::lock_guard<std::mutex> l(lock_);
  return commands_;
}

int SsipServer::Connections() {
  std::lock_guard<std::mutex> l(lock_);
  return connections_;
}

void SsipServer::RefuseSpeech(bool refuse) {
  std::lock_guard<std::mutex> l(lock_);
  refuse_ = refuse;
}
