#include "audio/Device.h"

#include <algorithm>
#include <vector>

#include "app/EventLog.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "audio/AudioErrors.h"
#include "audiolib/AudioLib.h"
#include "lang/Lang.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {
constexpr uint32_t kFreq = 44100;
constexpr uint32_t kInitFlags = 0;
bool g_decodersLogged = false;
std::vector<int32_t> g_lostSaid;  // devices whose loss was said and that are not back yet

std::string Canonical(const std::string& name) { return text::Lower(text::Trim(name)); }

// Device names are at most 100 bytes, as the chooser stores them.
std::string DeviceName(const alib::DeviceInfo& info) { return info.name.substr(0, 100); }
}  // namespace

void ResetDeviceLog() {
  g_decodersLogged = false;
  g_lostSaid.clear();
}

int FindDevice(const std::string& name, bool useDefault) {
  alib::SetConfig(alib::kConfigUnicode, 1);
  const std::string wanted = Canonical(name);
  int defaultIndex = -1;
  alib::DeviceInfo info;
  for (int i = 0; alib::GetDeviceInfo(i, &info); ++i) {
    if (Canonical(DeviceName(info)) == wanted) return i;
    if (info.flags & alib::kDeviceDefault) {
      defaultIndex = i;
      if (wanted.empty()) return i;
    }
  }
  if (!useDefault) return -1;
  return defaultIndex < 0 ? 0 : defaultIndex;
}

int OpenDevice(const std::string& name, bool useDefault) {
  int index = FindDevice(name, useDefault);
  std::string line = "* Initialize output, ID=" + std::to_string(index) + " With \"" + name +
                     "\", Freq=" + std::to_string(kFreq) + " Flag=" + text::Hex(kInitFlags);
  if (index < 0) {
    AddLog(line);
    AddLog("! Error, Device not found !");
    return -1;
  }
  bool ok = alib::Init(index, kFreq, kInitFlags, nullptr);
  int code = ok ? alib::kOk : alib::ErrorGetCode();
  if (code == alib::kErrorAlready) {
    alib::SetDevice(index);
    return index;
  }
  AddLog(line);
  if (code != alib::kOk) {
    AddLog("! Error, " + BassErrorName(code));
    return -1;
  }
  // Which of the system's sound interfaces carries the device (Windows has several).
  alib::DeviceInfo info;
  if (alib::GetDeviceInfo(index, &info) && !info.driver.empty()) AddLog(" Sound driver: " + info.driver);
  // The formats are built into the library: no plug-in files to load.
  if (!g_decodersLogged) {
    g_decodersLogged = true;
    AddLog(" Decoders built in: MP3, OGG, WAV, AIFF, WMA, M4A/AAC, FLAC, WMV sound");
  }
  alib::SetConfig(alib::kConfigNetPlaylist, 1);
  alib::SetConfigPtr(alib::kConfigNetAgent, "Tondrial");
  return index;
}

namespace {
void DeviceError() { TheShell().MessageRequester(Lang("Msg.Error"), Lang("Msg\\Device.ErrorInit"), kRequesterError); }
}  // namespace

int OpenOutputDevice(int32_t& device) {
  int index = OpenDevice(GetMWValue(setting::OutputName), GetMWFlag(setting::OutputUseDefault));
  if (index < 0) {
    DeviceError();
    return 0;
  }
  device = index;
  return 1;
}

void WatchDevice(int32_t device) {
  // Device 0 plays nothing and cannot be lost; asking for it would also list the devices again.
  alib::DeviceInfo info;
  if (device <= 0 || !alib::GetDeviceInfo(device, &info) || !(info.flags & alib::kDeviceInit)) return;
  auto said = std::find(g_lostSaid.begin(), g_lostSaid.end(), device);
  const bool lost = !(info.flags & alib::kDeviceEnabled);
  if (!lost) {
    if (said != g_lostSaid.end()) g_lostSaid.erase(said);
    return;
  }
  if (said != g_lostSaid.end()) return;
  // Noted before the requester: the timers that call this go on running under it.
  g_lostSaid.push_back(device);
  AddLog("! Error, " + BassErrorName(alib::kErrorDriver));
  DeviceError();
}

int OpenMonitorDevice(int32_t& device) {
  int index = OpenDevice(GetMWValue(setting::MonitorDeviceName), GetMWFlag(setting::MonitorDeviceUseDefault));
  device = index;
  if (index < 0) {
    DeviceError();
    return 0;
  }
  return 1;
}

int SelectOrAddItem(ListModel* list, const std::string& itemText, int64_t data, int mode) {
  if (!list) return 0;
  for (int r = 0; r < list->Count(); ++r) {
    const std::string t = list->Text(r, 0);
    if ((mode & kItemNoCase) ? text::EqualsNoCase(t, itemText) : t == itemText) {
      list->SelectOnly(r);
      return r;
    }
  }
  if (!(mode & (kItemAppend | kItemInsertTop))) return -1;
  const int before = list->Count();
  int row = list->InsertRow((mode & kItemAppend) ? -1 : 0, {itemText}, data);
  if (list->Count() != before + 1) return -1;
  list->SetData(row, data);
  list->SelectOnly(row);
  return row;
}

void SelectItemByData(ListModel* list, int64_t data, bool fallbackToFirst) {
  if (!list) return;
  int row = list->FindData(data);
  if (row >= 0) list->SelectOnly(row);
  else if (fallbackToFirst && list->Count() > 0) list->SelectOnly(0);
}

void FillDeviceList(ListModel* list) {
  alib::SetConfig(alib::kConfigUnicode, 1);
  alib::DeviceInfo info;
  for (int i = 0; alib::GetDeviceInfo(i, &info); ++i) {
    const std::string name = DeviceName(info);
    SelectOrAddItem(list, name, i, kItemNoCase | kItemAppend);
    if (info.flags & alib::kDeviceDefault)
      SelectOrAddItem(list, Lang("Flag.Default") + " :" + name, -1, kItemNoCase | kItemInsertTop);
  }
}

void SelectDeviceInList(ListModel* list, const std::string& name) {
  if (!list) return;
  const std::string n = text::Trim(name);
  if (n.empty()) {
    SelectItemByData(list, -1, true);
    return;
  }
  SelectOrAddItem(list, n, -2, kItemNoCase | kItemAppend);
}

std::string DeviceNameFromList(const ListModel* list) {
  if (!list) return {};
  int row = list->FirstSelected();
  if (row < 0 || list->Data(row) == -1) return {};
  return list->Text(row, 0);
}
