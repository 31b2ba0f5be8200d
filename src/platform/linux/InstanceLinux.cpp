// Running copies meet in a private folder of the user's runtime folder: an open-file lock that
// every copy holds shared (a new copy tests it exclusively), and one local socket per main
// window, named "<title>.<class>.<pid>".
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <thread>

#include "platform/Instance.h"

namespace platform {

namespace {

// Longer messages are not ours: the hand-over carries a code and a short text.
constexpr uint32_t kMaxText = 64 * 1024;
constexpr int kServeWaitMs = 1000;

std::optional<std::string>& Override() {
  static std::optional<std::string> folder;
  return folder;
}

std::map<int, std::string>& ChannelPaths() {
  static std::map<int, std::string> paths;
  return paths;
}

// A folder of this user only (not a link, not someone else's, not open to others).
bool PrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return st.st_uid == ::geteuid() && (st.st_mode & 0077) == 0;
}

std::string Session() {
  const char* d = std::getenv("DISPLAY");
  if (!d || !*d) d = std::getenv("WAYLAND_DISPLAY");
  std::string s = (d && *d) ? d : "console";
  for (char& c : s)
    if (c == '/' || c == '.') c = '_';
  return s;
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size());
  return true;
}

bool WaitFor(int fd, short events, int ms) {
  pollfd p{fd, events, 0};
  for (;;) {
    int r = ::poll(&p, 1, ms);
    if (r < 0 && errno == EINTR) continue;
    return r > 0 && (p.revents & events);
  }
}

bool SendAll(int fd, const std::string& bytes, int ms) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, ms)) continue;
    return false;
  }
  return true;
}

bool ReceiveAll(int fd, size_t size, std::string& out, int ms) {
  out.clear();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  char buf[4096];
  while (out.size() < size) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !WaitFor(fd, POLLIN, static_cast<int>(left.count()))) return false;
    ssize_t n = ::recv(fd, buf, std::min(sizeof buf, size - out.size()), 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    out.append(buf, static_cast<size_t>(n));
  }
  return true;
}

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

uint32_t ReadU32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
  return v;
}

// A non-blocking stream socket connected to path, or -1 (refused tells a dead channel).
int Connect(const std::string& path, int ms, bool& refused) {
  refused = false;
  sockaddr_un addr{};
  if (!FillAddress(path, addr)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
  if (errno == ECONNREFUSED || errno == ENOENT) refused = errno == ECONNREFUSED;
  else if ((errno == EAGAIN || errno == EINPROGRESS) && WaitFor(fd, POLLOUT, ms)) {
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) return fd;
  }
  ::close(fd);
  return -1;
}

void ServeOne(int conn, const std::function<int32_t(const HandOverMessage&)>& handle) {
  std::string head, body;
  // A probe connects and leaves at once: nothing to answer.
  if (!ReceiveAll(conn, 8, head, kServeWaitMs)) return;
  HandOverMessage m;
  m.code = ReadU32(head, 0);
  uint32_t size = ReadU32(head, 4);
  if (size > kMaxText || !ReceiveAll(conn, size, body, kServeWaitMs)) return;
  m.text = body;
  int32_t answer = handle ? handle(m) : 0;
  SendAll(conn, U32(static_cast<uint32_t>(answer)), kServeWaitMs);
}

}  // namespace

void OverrideInstanceFolder(const std::string* folder) {
  if (folder) Override() = *folder;
  else Override().reset();
}

std::string InstanceFolder() {
  std::string base;
  if (Override()) {
    base = *Override();
    if (!base.empty() && base.back() == '/') base.pop_back();
  } else {
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    if (run && run[0] == '/' && ::access(run, W_OK | X_OK) == 0) {
      base = run;
    } else {
      base = "/tmp/tondrial-" + std::to_string(::geteuid());
      if (!PrivateFolder(base)) return {};
    }
  }
  std::string folder = base + "/tondrial";
  if (!PrivateFolder(folder)) return {};
  folder += "/" + Session();
  if (!PrivateFolder(folder)) return {};
  return folder + "/";
}

InstanceLockState OpenInstanceLock(const std::string& name, int& handle) {
  handle = -1;
  std::string folder = InstanceFolder();
  if (folder.empty()) return InstanceLockState::Failed;
  int fd = ::open((folder + name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return InstanceLockState::Failed;
  // Locks of the open file itself: they change kind atomically and vanish with the process.
  struct flock lk{};
  lk.l_whence = SEEK_SET;
  lk.l_type = F_WRLCK;
  bool first = ::fcntl(fd, F_OFD_SETLK, &lk) == 0;
  if (!first && errno != EAGAIN && errno != EACCES) {
    ::close(fd);
    return InstanceLockState::Failed;
  }
  lk.l_type = F_RDLCK;
  // Another copy may hold it exclusively for the moment of its own test.
  for (int tries = 0; tries < 50 && ::fcntl(fd, F_OFD_SETLK, &lk) != 0; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  handle = fd;
  return first ? InstanceLockState::Created : InstanceLockState::Exists;
}

void CloseInstanceLock(int& handle) {
  if (handle >= 0) ::close(handle);
  handle = -1;
}

std::vector<InstanceWindow> InstanceWindows() {
  std::vector<InstanceWindow> out;
  std::string folder = InstanceFolder();
  if (folder.empty()) return out;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return out;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
  ::closedir(d);
  for (const auto& name : names) {
    size_t pidDot = name.rfind('.');
    if (pidDot == std::string::npos || pidDot == 0) continue;
    size_t classDot = name.rfind('.', pidDot - 1);
    if (classDot == std::string::npos || classDot == 0) continue;
    std::string path = folder + name;
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
    bool refused = false;
    int fd = Connect(path, 200, refused);
    if (fd < 0) {
      if (refused) ::unlink(path.c_str());  // its copy died without closing it
      continue;
    }
    ::close(fd);
    out.push_back({name.substr(0, classDot), name.substr(classDot + 1, pidDot - classDot - 1), path});
  }
  return out;
}

int OpenHandOverChannel(const std::string& title, const std::string& className) {
  std::string folder = InstanceFolder();
  if (folder.empty() || title.find('/') != std::string::npos || className.find('/') != std::string::npos ||
      className.find('.') != std::string::npos)
    return -1;
  std::string path = folder + title + "." + className + "." + std::to_string(::getpid());
  sockaddr_un addr{};
  if (!FillAddress(path, addr)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  ::unlink(path.c_str());  // a dead copy with the same process number left it
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
    ::close(fd);
    return -1;
  }
  ChannelPaths()[fd] = path;
  return fd;
}

void CloseHandOverChannel(int& handle) {
  if (handle < 0) return;
  auto it = ChannelPaths().find(handle);
  if (it != ChannelPaths().end()) {
    ::unlink(it->second.c_str());
    ChannelPaths().erase(it);
  }
  ::close(handle);
  handle = -1;
}

void ServeHandOverChannel(int handle, const std::function<int32_t(const HandOverMessage&)>& handle_message) {
  if (handle < 0) return;
  for (;;) {
    int conn = ::accept4(handle, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (conn < 0) {
      if (errno == EINTR) continue;
      return;  // nothing waiting (or the channel broke: the next call tries again)
    }
    ServeOne(conn, handle_message);
    ::close(conn);
  }
}

bool SendHandOver(const std::string& address, const HandOverMessage& message, int timeoutMs, int32_t& answer) {
  answer = 0;
  if (message.text.size() > kMaxText) return false;
  bool refused = false;
  int fd = Connect(address, timeoutMs, refused);
  if (fd < 0) return false;
  std::string bytes = U32(message.code) + U32(static_cast<uint32_t>(message.text.size())) + message.text;
  std::string reply;
  bool ok = SendAll(fd, bytes, timeoutMs) && ReceiveAll(fd, 4, reply, timeoutMs);
  ::close(fd);
  if (ok) answer = static_cast<int32_t>(ReadU32(reply, 0));
  return ok;
}

}  // namespace platform
