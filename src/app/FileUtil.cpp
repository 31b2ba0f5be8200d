#include "app/FileUtil.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>

#include "app/EventLog.h"
#include "platform/Files.h"

namespace fileutil {

bool ReadFile(const std::string& path, std::string& out) {
  std::FILE* f = platform::OpenFile(path, "rb");
  if (!f) return false;
  std::string bytes;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  // A folder opens on some systems and fails on the first read.
  if (failed) return false;
  out = std::move(bytes);
  return true;
}

bool Exists(const std::string& path) { return platform::PathExists(path); }

bool IsFolder(const std::string& path) { return platform::IsFolder(path); }

bool RemoveFile(const std::string& path) { return platform::RemoveFile(path); }

bool IsReadOnlyFile(const std::string& path) { return platform::IsReadOnlyFile(path); }

namespace {
// Settings are saved on every change: one log line per file is enough.
bool FirstRefusal(const std::string& path) {
  static std::mutex lock;
  static std::set<std::string> refused;
  std::lock_guard<std::mutex> g(lock);
  return refused.insert(path).second;
}

bool IsOurTempName(const std::string& name) {
  using platform::kTempMark, platform::kTempRandom;
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
  fs::directory_iterator it(platform::FsPath(folder.empty() ? "." : folder), ec), end;
  int removed = 0;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code e2;
    if (!it->is_regular_file(e2) || it->is_symlink(e2)) continue;
    if (!IsOurTempName(platform::Utf8Of(it->path().filename()))) continue;
    if (fs::remove(it->path(), e2)) ++removed;
  }
  return removed;
}

int WriteFileAtomic(const std::string& path, const std::string& bytes) {
  if (IsReadOnlyFile(path)) {
    if (FirstRefusal(path)) AddLog("! Read-only file left unchanged : " + path);
    return 0;
  }
  return platform::ReplaceFile(path, bytes);
}

bool RenameDurable(const std::string& from, const std::string& to) { return platform::RenameDurable(from, to); }

int AppendFile(const std::string& path, const std::string& bytes) { return platform::AppendFile(path, bytes); }

std::string FolderPart(const std::string& path) {
  size_t p = path.rfind('/');
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string FilePart(const std::string& path) {
  size_t p = path.rfind('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace fileutil
