// The places the file explorer starts from: the mounted file systems a user keeps files on.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace platform {

// Kinds of drive, by the numbers the drive list keeps for them.
enum DriveType : int {
  kDriveUnknown = 0,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

struct Drive {
  std::string root;   // the mount point, ending with "/"
  int type = kDriveUnknown;
  std::string label;  // the file system's label, trimmed; "" when it has none
};

// The root file system first, then every other mounted file system that holds user files
// (disks, removable media, network shares, optical discs, RAM disks outside the system's
// own folders), in mount order, each mount point once.
std::vector<Drive> LogicalDrives();

// The same from the text of a mounts table ("/proc/self/mounts" format) and the labels of the
// block devices (device path, label). removable says whether a block device is removable.
std::vector<Drive> DrivesFromMounts(const std::string& mounts, const std::map<std::string, std::string>& labels,
                                    bool (*removable)(const std::string& device));

}  // namespace platform
