// The Monitor settings window: volume presets and the device, on two pages.
#pragma once

class wxWindow;

void OpenMonitorSettings(wxWindow* parent);
