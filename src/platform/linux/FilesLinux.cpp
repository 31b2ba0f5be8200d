#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool PathExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsReadOnlyFile(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return names;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(std::move(n));
  }
  ::closedir(d);
  return names;
}

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

// Makes a rename in the folder of path survive a power cut: the new name is on disk only once
// the folder itself is synced.
void SyncFolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}
}  // namespace

int ReplaceFile(const std::string& path, const std::string& bytes) {
  static_assert(kTempRandom == 6, "mkstemp fills six letters");
  std::string tmp = path + kTempMark + "XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return 0;
  // mkstemp creates 0600; settings and lists are ordinary user files.
  ::fchmod(fd, 0644);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int result = fd;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) {
    SyncFolderOf(path);
    return result > 0 ? result : 1;
  }
  ::unlink(tmp.c_str());
  return 0;
}

bool RenameDurable(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return false;
  SyncFolderOf(to);
  return true;
}

int AppendFile(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  bool ok = WriteAll(fd, bytes);
  int result = fd;
  if (::close(fd) != 0) ok = false;
  return ok ? (result > 0 ? result : 1) : 0;
}

// Linux paths are bytes: the text is the name.
std::filesystem::path FsPath(const std::string& utf8) { return std::filesystem::path(utf8); }

std::string Utf8Of(const std::filesystem::path& path) { return path.generic_string(); }

bool LocalTime(std::time_t t, std::tm& out) { return ::localtime_r(&t, &out) != nullptr; }

}  // namespace platform
