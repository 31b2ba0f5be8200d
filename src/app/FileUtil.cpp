#include "app/FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "app/EventLog.h"

namespace fileutil {

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return !in.bad();
}

bool Exists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

namespace {
bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}
}  // namespace

bool IsReadOnlyFile(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0;
}

namespace {
// Settings are saved on every change: one log line per file is enough.
bool FirstRefusal(const std::string& path) {
  static std::mutex lock;
  static std::set<std::string> refused;
  std::lock_guard<std::mutex> g(lock);
  return refused.insert(path).second;
}

constexpr const char kTempMark[] = ".tmp-";
constexpr size_t kTempRandom = 6;  // mkstemp's XXXXXX

bool IsOurTempName(const std::string& name) {
  const size_t mark = sizeof kTempMark - 1;
  if (name.size() <= mark + kTempRandom) return false;
  const size_t at = name.size() - kTempRandom - mark;
  if (name.compare(at, mark, kTempMark) != 0) return false;
  for (size_t i = name.size() - kTempRandom; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  }
  return true;
}
}  // namespace

int RemoveStaleTempFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? "." : folder, ec), end;
  int removed = 0;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code e2;
    if (!it->is_regular_file(e2) || it->is_symlink(e2)) continue;
    if (!IsOurTempName(it->path().filename().string())) continue;
    if (fs::remove(it->path(), e2)) ++removed;
  }
  return removed;
}

int WriteFileAtomic(const std::string& path, const std::string& bytes) {
  if (IsReadOnlyFile(path)) {
    if (FirstRefusal(path)) AddLog("! Read-only file left unchanged : " + path);
    return 0;
  }
  std::string tmp = path + ".tmp-XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return 0;
  // mkstemp creates 0600; settings and lists are ordinary user files.
  ::fchmod(fd, 0644);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int result = fd;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) return result > 0 ? result : 1;
  ::unlink(tmp.c_str());
  return 0;
}

int AppendFile(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  bool ok = WriteAll(fd, bytes);
  int result = fd;
  if (::close(fd) != 0) ok = false;
  return ok ? (result > 0 ? result : 1) : 0;
}

std::string FolderPart(const std::string& path) {
  size_t p = path.rfind('/');
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string FilePart(const std::string& path) {
  size_t p = path.rfind('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace fileutil
