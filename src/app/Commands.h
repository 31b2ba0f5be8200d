// Command numbers: one number is a command's menu item, window shortcut and global hotkey.
#pragma once

namespace cmd {
enum : int {
  // Systray menu and global hotkeys.
  OnTopOrSystrayOut = 156, HotkeyPause = 157, HotkeyVolumeMute = 158, HotkeyVolumeUp = 159,
  HotkeyVolumeDown = 160, HotkeyNextTrack = 161, HotkeyPrevTrack = 162, HotkeyForward = 163,
  HotkeyBackward = 164, HotkeyInfo = 165,
  // File.
  OpenFile = 167, OpenFolder = 168, OpenURL = 169, AddFile = 170, AddFolder = 171, AddURL = 172,
  Explore = 173, ExploreMyMusic = 174, SavePlayList = 175, SavePlayedList = 176, EditPref = 177, Quit = 178,
  // Play list.
  ProfilDefault = 179, ProfilMusik = 180, ProfilBook = 181, ProfilRadio = 182,
  PreviousTrack = 183, NextTrack = 184, Property = 185, Fading = 186, Looping = 187, Random = 188,
  RemovePlayed = 189, Info = 190,
  // Output.
  Play = 191, Pause = 192, Stop = 193, Board = 194, VolumeUp = 195, VolumeDown = 196, VolumeMute = 197,
  EnableTempoPitch = 198, NoKeepTempoPitch = 199, TempoUp = 200, TempoDown = 201, PitchUp = 202,
  PitchDown = 203, NoKeepEffect = 204, GoToPosition = 205, PositionForward = 206, PositionBackward = 207,
  ParamEQ = 208, ConfigOutput = 209,
  // Monitor.
  MonitorPlay = 210, MonitorPause = 211, MonitorStop = 212, MonitorLowVolume = 213, MonitorHighVolume = 214,
  ConfigMonitor = 215,
  // About.
  About = 216, Help = 217, WhatNews = 218, ShowLog = 219, CheckNewVersion = 220, EditLang = 221,
  ReturnKey = 222,
  WmpPause = 223, WmpStop = 224, WmpVolumeUp = 225, WmpVolumeDown = 226, WmpForward = 227, WmpBackward = 228,
  ContextMenu = 229,
  TrackDelete = 231, TrackMoveUp = 232, TrackMoveDown = 233, TrackRegroup = 234, TrackLoop = 235,
  SystrayInfoItem = 239, SystrayQuit = 240, SystrayIn = 241,
  RecentFileFirst = 243, RecentFileLast = 262,
  RecentPlayFileFirst = 263, RecentPlayFileLast = 282,
  EffectsConfigFirst = 283, EffectsConfigLast = 292,
  OutputEffectFirst = 293, OutputEffectLast = 302,
  MonitorEffectFirst = 303, MonitorEffectLast = 312,
  // Book reading, in the Output menu.
  NextChapter = 313, PreviousChapter = 314, SleepTimer = 315,
};
}  // namespace cmd

// Gadgets and objects of the main window.
namespace gadget {
enum : int {
  MainWindow = 0, Play = 2, Pause = 4, Stop = 6, Record = 8, VolumeLabel = 10, Volume = 12,
  PositionLabel = 16, Position = 18, PositionSplitter = 20, PlayList = 22,
  AboutWindow = 140, TextWindow = 150, TextWindowClose = 154,
  MenuBar = 166, TrackMenu = 230, SystrayIcon = 236, SystrayMenu = 238, StatusBar = 242,
};
}  // namespace gadget

// Timers of the main window (and, for 2 and 3, of every child window).
namespace timer {
enum : int { SaveSettings = 1, SyncEvents = 2, MonitorCounter = 3, Display = 4 };
inline constexpr int Period(int t) { return t == 1 ? 60000 : t == 3 ? 300 : 500; }
}  // namespace timer
