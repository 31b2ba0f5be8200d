// Identifiers of the registered settings; each is also the number of the gadget that edits it.
#pragma once

namespace setting {
enum Id : int {
  // Display and play-list preferences (window 24).
  ToogleShortcutSystrayOut = 32,
  PlayingStatus = 34,
  NormalStatus = 36,
  DisplayTime = 38,
  SayTime = 40,
  DisplayInfos = 42,
  TitleNameInFirst = 44,
  AutoNextPlay = 46,
  OnlyGoodExtension = 48,
  ExamineBeforeAdd = 50,
  StartWithOldTracks = 52,
  MyMusicFolder = 54,
  FontEdit = 86,
  // Output.
  OutputName = 88,
  OutputUseDefault = 90,
  OutputMaxVolume = 92,
  OutputMuteVolume = 94,
  OutputVolume = 96,
  OutputFadingTime = 98,
  OutputFadingDown = 100,
  OutputFadingUp = 102,
  OutputFadingEnable = 104,
  OutputRandom = 106,
  OutputNoKeepEffect = 108,
  OutputNoKeepTempoPitch = 110,
  OutputEnableTempoPitch = 112,
  OutputLowVolumeInChildWindow = 114,
  OutputParamEQ = 116,
  OutputCompressor = 118,
  // Monitor.
  MonitorDeviceName = 120,
  MonitorDeviceUseDefault = 122,
  MonitorVolume = 124,
  MonitorLowVolume = 126,
  MonitorHighVolume = 128,
  MonitorLowVolumeInChildWindow = 130,
  RemovePlayed = 132,
  FileAudio = 134,
  FileVideo = 136,
  FilePlayList = 138,
};
}  // namespace setting

inline constexpr const char* kDefaultAudioExtensions = "Mp3;Ogg;Wav;Aiff;WMA;M4A;AAC;Flac;";
inline constexpr const char* kDefaultPlayListExtensions = "M3U;M3U8;";
// The list every settings file stored before UTF-8 lists were offered; read as the default.
inline constexpr const char* kFormerPlayListExtensions = "M3U;";
inline constexpr const char* kDefaultParamEQ = "60§2;250§2;1000§2;3500§2;10000§2;";
