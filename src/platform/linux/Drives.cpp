#include "platform/Drives.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace platform {
namespace {

// The mounts table writes space, tab, newline and backslash as "\" and three octal digits.
std::string UnescapeOctal(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isdigit(static_cast<unsigned char>(s[i + 2])) && std::isdigit(static_cast<unsigned char>(s[i + 3]))) {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

// udev names label links with "\x" and two hex digits for unsafe bytes (a space is "\x20").
std::string UnescapeHex(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2])) && std::isxdigit(static_cast<unsigned char>(s[i + 3]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
}

bool StartsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

// Kernel and service file systems: nothing a user keeps files on.
bool IsSystemFileSystem(const std::string& type) {
  static const std::set<std::string> kSystem = {
      "proc",     "sysfs",       "devtmpfs", "devpts",    "cgroup",     "cgroup2",   "securityfs",
      "pstore",   "bpf",         "debugfs",  "tracefs",   "mqueue",     "hugetlbfs", "configfs",
      "fusectl",  "autofs",      "binfmt_misc", "rpc_pipefs", "nsfs",   "efivarfs",  "squashfs",
      "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal", "none"};
  return kSystem.count(type) > 0;
}

bool IsSystemPlace(const std::string& root) {
  if (StartsWith(root, "/run/media/")) return false;
  for (const char* p : {"/proc/", "/sys/", "/dev/", "/run/", "/snap/", "/boot/"})
    if (StartsWith(root, p)) return true;
  return false;
}

int TypeOf(const std::string& source, const std::string& fs, bool (*removable)(const std::string&)) {
  static const std::set<std::string> kRemote = {"nfs",  "nfs4", "cifs", "smb3",      "smbfs",    "sshfs",
                                                "fuse.sshfs", "9p",   "ceph", "glusterfs", "davfs", "fuse.davfs"};
  if (kRemote.count(fs)) return kDriveRemote;
  if (fs == "iso9660" || fs == "udf") return kDriveCdRom;
  if (fs == "tmpfs" || fs == "ramfs") return kDriveRamDisk;
  if (StartsWith(source, "/dev/")) return removable && removable(source) ? kDriveRemovable : kDriveFixed;
  return kDriveUnknown;
}

std::string RealPath(const std::string& p) {
  char buf[PATH_MAX];
  return realpath(p.c_str(), buf) ? std::string(buf) : p;
}

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// A partition is removable when its disk is: the attribute sits on the disk's folder.
bool IsRemovableDevice(const std::string& device) {
  std::string name = RealPath(device);
  name = name.substr(name.find_last_of('/') + 1);
  std::string base = "/sys/class/block/" + name;
  for (const std::string& f : {base + "/removable", base + "/../removable"}) {
    std::string v = ReadText(f);
    if (!v.empty()) return v[0] == '1';
  }
  return false;
}

bool IsFolderPath(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::vector<Drive> DrivesFromMounts(const std::string& mounts, const std::map<std::string, std::string>& labels,
                                    bool (*removable)(const std::string&)) {
  std::vector<Drive> out;
  Drive root{"/", kDriveFixed, ""};
  std::istringstream in(mounts);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string source, point, fs;
    if (!(fields >> source >> point >> fs)) continue;
    source = UnescapeOctal(source);
    point = UnescapeOctal(point);
    if (point.empty() || point[0] != '/' || IsSystemFileSystem(fs)) continue;
    Drive d;
    d.root = point.back() == '/' ? point : point + "/";
    d.type = TypeOf(source, fs, removable);
    auto label = labels.find(source);
    if (label != labels.end()) d.label = Trim(label->second);
    if (d.root == "/") {
      // A later mount on the root hides the earlier one: the last entry describes it.
      root = d;
      continue;
    }
    if (IsSystemPlace(d.root)) continue;
    bool userPlace = StartsWith(d.root, "/media/") || StartsWith(d.root, "/run/media/") || d.root == "/tmp/";
    if (d.type == kDriveRamDisk && !userPlace) continue;
    auto same = std::find_if(out.begin(), out.end(), [&](const Drive& o) { return o.root == d.root; });
    if (same != out.end()) *same = d;
    else out.push_back(d);
  }
  out.insert(out.begin(), root);
  return out;
}

std::vector<Drive> LogicalDrives() {
  std::map<std::string, std::string> labels;
  const std::string byLabel = "/dev/disk/by-label/";
  if (DIR* dir = opendir(byLabel.c_str())) {
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      labels[RealPath(byLabel + name)] = UnescapeHex(name);
    }
    closedir(dir);
  }
  std::string mounts = ReadText("/proc/self/mounts");
  // The table names devices as they were mounted (often through a link): label them by
  // the device the link leads to as well.
  std::map<std::string, std::string> bySource = labels;
  std::istringstream in(mounts);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string source;
    if (!(fields >> source) || !StartsWith(source, "/dev/")) continue;
    source = UnescapeOctal(source);
    auto it = labels.find(RealPath(source));
    if (it != labels.end()) bySource[source] = it->second;
  }
  std::vector<Drive> drives = DrivesFromMounts(mounts, bySource, IsRemovableDevice);
  // A file mounted over a file (containers do it for /etc/hosts) is no place to explore.
  // Network shares are not touched: a server that does not answer would hang the listing.
  std::erase_if(drives, [](const Drive& d) { return d.root != "/" && d.type != kDriveRemote && !IsFolderPath(d.root); });
  return drives;
}

}  // namespace platform
