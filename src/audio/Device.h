// The Output and Monitor devices chosen by name, and the device chooser of the settings windows
// (a list model whose rows carry the device index: -1 the system default, -2 a stored name
// that no present device has).
#pragma once
#include <cstdint>
#include <string>

#include "app/ListModel.h"

int FindDevice(const std::string& name, bool useDefault);
// Opens the device (or makes it current again); its index or -1.
int OpenDevice(const std::string& name, bool useDefault);
// 1 or 0; on failure the error requester was shown.
int OpenOutputDevice(int32_t& device);
// 1 or 0 as OpenOutputDevice; device gets the index, or -1 on failure.
int OpenMonitorDevice(int32_t& device);

// Modes of SelectOrAddItem.
inline constexpr int kItemNoCase = 1;
inline constexpr int kItemInsertTop = 2;
inline constexpr int kItemAppend = 4;
// The row index, -1 when absent and not added; a missing list gives 0.
int SelectOrAddItem(ListModel* list, const std::string& text, int64_t data, int mode);
void SelectItemByData(ListModel* list, int64_t data, bool fallbackToFirst);

void FillDeviceList(ListModel* list);
void SelectDeviceInList(ListModel* list, const std::string& name);
// "" for the default entry or no selection.
std::string DeviceNameFromList(const ListModel* list);

// Says once, as a failed open does, that an open device (Output or Monitor, by index) was lost:
// its sound server went away and stays away. It plays on by itself when the server is back;
// a later loss is said again.
void WatchDevice(int32_t device);

// Forgets that the decoders were logged (tests).
void ResetDeviceLog();
