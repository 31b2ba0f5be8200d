// Command dispatch of the main window: stage a (common commands), b (menus), c (application).
#pragma once

// Stage b: menu and shortcut commands owned by the features; ends by passing every id to the
// global-hotkey dispatcher, which acts only on 156..165. True when one of them handled id.
bool DispatchMenuCommand(int id);
// Stage c: the application's own commands (quit, log, help, systray…).
void AppCommand(int id);
// A menu or shortcut command of the main window through the three stages in order, up to the
// first that handles it.
void MainWindowCommand(int id);
// A timer of the main window.
void MainWindowTimer(int timerId);

#include <string>

// A whole text file shipped beside the program (UTF-16 LE); ok is false when it cannot be read.
std::string ReadTextFile(const std::string& path, bool& ok);

// Commands of stage c.
void ShowLog();
void ShowHelp();
void ShowWhatsNew();
void HideToSystray();
void RestoreFromSystray();
