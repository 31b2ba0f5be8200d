#include <windows.h>

#include "platform/Drives.h"
#include "platform/windows/WinText.h"

namespace platform {

std::vector<Drive> LogicalDrives() {
  std::vector<Drive> drives;
  DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    std::wstring root = {wchar_t(L'A' + i), L':', L'\\'};
    Drive d;
    d.root = std::string(1, char('A' + i)) + ":/";
    UINT type = GetDriveTypeW(root.c_str());
    switch (type) {
      case DRIVE_REMOVABLE: d.type = kDriveRemovable; break;
      case DRIVE_FIXED: d.type = kDriveFixed; break;
      case DRIVE_REMOTE: d.type = kDriveRemote; break;
      case DRIVE_CDROM: d.type = kDriveCdRom; break;
      case DRIVE_RAMDISK: d.type = kDriveRamDisk; break;
      case DRIVE_NO_ROOT_DIR: continue;
      default: d.type = kDriveUnknown; break;
    }
    // An empty card reader or disc drive has no volume: asking would wait or fail, so only
    // drives that hold something are asked for their label.
    wchar_t label[MAX_PATH + 1] = {};
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    if (GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
      d.label = win::Utf8(label);
    SetErrorMode(old);
    while (!d.label.empty() && d.label.back() == ' ') d.label.pop_back();
    drives.push_back(d);
  }
  return drives;
}

// Windows has no mounts table: drive letters are the places to start from.
std::vector<Drive> DrivesFromMounts(const std::string&, const std::map<std::string, std::string>&,
                                    bool (*)(const std::string&)) {
  return LogicalDrives();
}

}  // namespace platform
