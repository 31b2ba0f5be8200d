// The settings registry, the settings file "Tondrial.ini" and the two recent-file lists.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum SettingType : int32_t {
  kSettingFlag = 0,
  kSettingShortcut = 1,
  kSettingHotkey = 2,
  kSettingNumber = 3,
  kSettingText = 4,
};

struct Setting {
  int32_t Id = 0;
  std::string Name;
  std::string Value;
  std::string Default;
  int32_t Type = kSettingText;
  int32_t Window = 0;
  int32_t Menu = -1;
};

// Registration: a second registration of an id, or of a name ignoring letter case, is ignored.
void AddMW_Flag(const std::string& name, int32_t id, int32_t window, bool def);
void AddMW_Lont(const std::string& name, int32_t id, int32_t window, int32_t def);
void AddMW_String(const std::string& name, int32_t id, int32_t window, const std::string& def);
// Keys beginning with "Global\" are global hotkeys (type 2), all others window shortcuts (type 1).
void AddMW_KeyboardShortcut(const std::string& name, int32_t id, int32_t window, int32_t defaultCode, int32_t menu);

// Access by id. Unknown ids read as "" (false, 0) and ignore writes.
std::string GetMWValue(int32_t id);
bool GetMWFlag(int32_t id);
int32_t GetMWNumber(int32_t id);
void SetMWValue(int32_t id, const std::string& value);
void SetMWFlag(int32_t id, bool on);
void SetMWNumber(int32_t id, int32_t value);

// Readings of a stored value.
bool ReadFlag(const std::string& value);

// The setting matching id, or name ignoring case when name is not empty; null when none.
Setting* FindSetting(int32_t id, const std::string& name = {});
bool NameHasPrefix(const std::string& name, const std::string& prefix);
const std::vector<Setting>& SettingsList();

// The registrations of the general settings, in file order (shortcuts are registered before).
void RegisterSettings();

// The settings file in PrefPath.
void Pref_Load();
// Writes when SettingsChanged or force; true when the file was written.
// Waits for a write handed to Pref_SaveSoon first.
bool Pref_Save(bool force);
// Writes the file now but off the calling thread, with the settings as they are now; a failure
// is written again by the next Pref_Save.
void Pref_SaveSoon();
std::string SettingsFilePath();
// The file's text as Pref_Save writes it (UTF-8 with BOM, CR LF).
std::string SettingsFileText();

// Recent lists.
enum class RecentList { Files = 0, PlayFiles = 1 };
inline constexpr int kRecentMax = 20;
inline constexpr int kRecentFilesFirstId = 243;
inline constexpr int kRecentPlayFilesFirstId = 263;
// 0 when path is empty, 1 when added, 2 when it was there already (moved to the top by a swap).
int AddRecent(RecentList list, const std::string& path, bool ignoreCase, bool loading);
std::string RecentEntry(RecentList list, int index);
int RecentCount(RecentList list);
void UpdateRecentMenu(RecentList list, int firstId);
// Text of the recent menu item i (0-based) for the entry path ("" for none).
std::string RecentMenuText(int index, const std::string& path);

// Empties the registry and the recent lists (tests).
void ResetSettings();
