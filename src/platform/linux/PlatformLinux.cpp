#include <dirent.h>
#include <limits.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "platform/FolderOverrides.h"
#include "platform/Platform.h"

namespace platform {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

bool IsDir(const std::string& p) {
  DIR* d = opendir(p.c_str());
  if (!d) return false;
  closedir(d);
  return true;
}

// Reads XDG_<name>_DIR from user-dirs.dirs, as xdg-user-dir does, with $HOME as fallback.
std::string UserDir(const std::string& name) {
  std::string home = Env("HOME");
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() && !home.empty()) config = home + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_" + name + "_DIR=";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string v = line.substr(key.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.rfind("$HOME", 0) == 0) v = home + v.substr(5);
    if (!v.empty() && v[0] == '/') return v;
  }
  return home;
}

}  // namespace

std::string SpecialFolder(Folder kind) {
  std::string overridden;
  if (detail::OverriddenFolder(kind, overridden)) return overridden;
  std::string home = Env("HOME");
  std::string p;
  switch (kind) {
    case Folder::AppData:
      p = Env("XDG_CONFIG_HOME");
      if (p.empty() && !home.empty()) p = home + "/.config";
      break;
    case Folder::Documents: p = UserDir("DOCUMENTS"); break;
    case Folder::Music: p = UserDir("MUSIC"); break;
    case Folder::ProgramFiles: {
      // The folder above the program's own folder.
      std::string prog = ProgramFile();
      size_t s = prog.rfind('/');
      if (s != std::string::npos && s > 0) {
        size_t s2 = prog.rfind('/', s - 1);
        if (s2 != std::string::npos) p = prog.substr(0, s2 + 1);
      }
      break;
    }
    case Folder::Profile: p = home; break;
  }
  if (p.empty() || p[0] != '/') return std::string();
  // The configuration folder may not exist yet on a new account: the caller creates it.
  if (kind != Folder::AppData && !IsDir(p)) return std::string();
  return detail::WithSlash(p);
}

std::string ProgramFile() {
  std::array<char, PATH_MAX + 1> buf{};
  ssize_t n = readlink("/proc/self/exe", buf.data(), PATH_MAX);
  if (n <= 0) return std::string();
  return std::string(buf.data(), static_cast<size_t>(n));
}

std::string CurrentFolder() {
  std::array<char, PATH_MAX + 1> buf{};
  if (!getcwd(buf.data(), buf.size())) return std::string();
  return detail::WithSlash(buf.data());
}

bool SetCurrentFolder(const std::string& path) { return !path.empty() && chdir(path.c_str()) == 0; }

std::string OSName() {
  std::ifstream in("/etc/os-release");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("PRETTY_NAME=", 0) == 0) {
      std::string v = line.substr(12);
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'')) v = v.substr(1, v.size() - 2);
      return v;
    }
  }
  return "Linux";
}

std::vector<std::string> RunningProcessNames() {
  std::vector<std::string> names;
  DIR* d = opendir("/proc");
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    const char* n = e->d_name;
    bool digits = *n != 0;
    for (const char* c = n; *c; ++c)
      if (*c < '0' || *c > '9') digits = false;
    if (!digits) continue;
    std::string base = std::string("/proc/") + n;
    // "comm" is what a process snapshot shows (for a script it is the script's name,
    // not its interpreter's); it is cut at 15 characters, so long names come from argv[0].
    std::ifstream comm(base + "/comm");
    std::string arg0;
    std::getline(comm, arg0);
    if (arg0.size() >= 15 || arg0.empty()) {
      std::ifstream cmd(base + "/cmdline", std::ios::binary);
      std::string first;
      std::getline(cmd, first, '\0');
      if (!first.empty()) arg0 = first;
    }
    if (arg0.empty()) continue;
    size_t s = arg0.rfind('/');
    names.push_back(s == std::string::npos ? arg0 : arg0.substr(s + 1));
  }
  closedir(d);
  return names;
}

bool OpenDocument(const std::string& pathOrUrl) {
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // Detach so the child is not our zombie and does not hold our terminal.
    if (fork() == 0) {
      execlp("xdg-open", "xdg-open", pathOrUrl.c_str(), static_cast<char*>(nullptr));
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return true;
}

}  // namespace platform
