// alib: the audio library of the player. Devices, streams from files and URLs, tempo streams,
// volume slides, syncs, effects and tags, behind a small set of C-like calls.
//
// Conventions
// - Handles are 32-bit; 0 means failure. Functions returning bool give false on failure, lengths
//   and positions -1. After any failure ErrorGetCode() (per thread) gives the reason; after a
//   success it gives kOk. Nothing throws across these calls.
// - Every stream delivers 44100 Hz float stereo. Lengths and positions are in bytes of that
//   decoded audio: one frame (a left and a right sample) is 8 bytes.
// - Paths and URLs are UTF-8; the kUnicode flag is accepted and changes nothing.
// - Sync callbacks run on the library's own event thread, never on the caller's thread and
//   never on a mixing thread. A callback may call back into the library.
// - Positions are those heard: a position sync fires when its sample is mixed, not when it is
//   decoded ahead.
//
// Backends
// - The default backend is SDL2: device 0 is "No sound" (a silent device paced in real time),
//   devices 1.. are SDL's playback devices.
//   On Linux, a device SDL reaches through a PulseAudio server plays through the library's own
//   stream to that server instead: the server holds a deep queue, so a busy machine is not
//   heard, and changes (play, pause, stop, seek, volume, effects) still reach the sink within a
//   few milliseconds. ALIB_PULSE=0 in the environment keeps SDL's stream (for comparisons).
// - The manual backend is for tests: UseManualBackend({{"Test Output", true}, {"Test Monitor"}})
//   gives device 0 "No sound" and devices 1.. with those names. Nothing plays on its own: the
//   test pulls the mix with ManualRender(device, buffer, frames), which returns once the
//   callbacks of every sync that fired inside those frames have run. File streams on a manual
//   device never starve (the mixer waits for their decoder), so a minute of audio renders in
//   milliseconds and renders are repeatable; network streams can still stall.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audiolib/dsp/FxTypes.h"

namespace alib {

// Error codes.
enum ErrorCode : int {
  kOk = 0,
  kErrorMem = 1,
  kErrorFileOpen = 2,
  kErrorDriver = 3,
  kErrorHandle = 5,
  kErrorFormat = 6,
  kErrorPosition = 7,
  kErrorInit = 8,
  kErrorStart = 9,
  kErrorAlready = 14,
  kErrorNoChan = 18,
  kErrorIllType = 19,
  kErrorIllParam = 20,
  kErrorDevice = 23,
  kErrorNoPlay = 24,
  kErrorFreq = 25,
  kErrorNotFile = 27,
  kErrorEmpty = 31,
  kErrorNoNet = 32,
  kErrorCreate = 33,
  kErrorNoFx = 34,
  kErrorNotAvail = 37,
  kErrorDecode = 38,
  kErrorTimeout = 40,
  kErrorFileForm = 41,
  kErrorSpeaker = 42,
  kErrorVersion = 43,
  kErrorCodec = 44,
  kErrorEnded = 45,
  kErrorBusy = 46,
  kErrorUnknown = -1,
};

// Configuration options.
enum ConfigOption : int {
  kConfigNetTimeout = 11,      // ms to wait for a server to connect (default 5000)
  kConfigNetBuffer = 12,       // ms of audio buffered ahead for network streams (default 5000)
  kConfigNetAgent = 16,        // pointer: user agent text of network requests
  kConfigNetPlaylist = 21,     // 1: a URL that is a PLS or M3U playlist plays its first network link
  kConfigNetReadTimeout = 37,  // ms a network read may stall before the stream ends (default 10000)
  kConfigUnicode = 42,         // accepted; device names are always UTF-8
};

// Device flags.
inline constexpr uint32_t kDeviceEnabled = 1;
inline constexpr uint32_t kDeviceDefault = 2;
inline constexpr uint32_t kDeviceInit = 4;

// Stream flags.
inline constexpr uint32_t kSampleFloat = 0x100;
inline constexpr uint32_t kStreamAutoFree = 0x40000;
inline constexpr uint32_t kStreamDecode = 0x200000;
inline constexpr uint32_t kUnicode = 0x80000000u;

// Channel activity.
enum ActiveState : int { kActiveStopped = 0, kActivePlaying = 1, kActiveStalled = 2, kActivePaused = 3 };

// Attributes.
enum Attribute : uint32_t {
  kAttribVol = 2,             // 0..1
  kAttribTempo = 0x10000,     // tempo streams: percent, -95..5000
  kAttribTempoPitch = 0x10001 // tempo streams: semitones, -60..60
};

// Position modes.
inline constexpr uint32_t kPosByte = 0;

// Sync types.
enum SyncType : uint32_t {
  kSyncPos = 0,          // param: byte position
  kSyncEnd = 2,
  kSyncMeta = 4,         // stream title (ICY metadata) changed
  kSyncSlide = 5,        // an attribute slide ended; data = the attribute
  kSyncOggChange = 12,   // a new logical Ogg stream (chained streams)
  kSyncWmaChange = 0x10100,
  kSyncWmaMeta = 0x10101,
};
inline constexpr uint32_t kSyncMixTime = 0x40000000;
inline constexpr uint32_t kSyncOneTime = 0x80000000u;

// Tag kinds.
enum TagType : uint32_t {
  kTagHttp = 3,      // HTTP response headers: "Name: value" entries, zero-terminated, ended by an empty one
  kTagIcy = 4,       // ICY response headers, same shape
  kTagMeta = 5,      // ICY metadata text, e.g. StreamTitle='...';StreamUrl='...';
  kTagOgg = 2,       // Ogg comments: "KEY=value" entries, zero-terminated, ended by an empty one
  kTagWma = 8,       // Windows Media header tags, same shape
  kTagWmaMeta = 11,  // Windows Media script metadata text
};

// Effect types (parameter records in dsp/Effect.h).
using dsp::FxType;
using dsp::kFxAllPass;
using dsp::kFxAutoWah;
using dsp::kFxChorus;
using dsp::kFxCompressor;
using dsp::kFxEcho;
using dsp::kFxPeakEq;
using dsp::kFxReverb;

using SyncProc = void(uint32_t sync, uint32_t channel, uint32_t data, void* user);
using DownloadProc = void(const void* buffer, uint32_t length, void* user);

struct DeviceInfo {
  std::string name;    // UTF-8
  std::string driver;
  uint32_t flags = 0;  // kDeviceEnabled, kDeviceDefault, kDeviceInit
};

// A chapter of a file: where it starts and ends, in bytes of the decoded audio, and its title.
struct ChapterInfo {
  int64_t start = 0;
  int64_t end = 0;
  std::string title;  // UTF-8; empty when the file names none
};

struct ManualDeviceEntry {
  std::string name;
  bool isDefault = false;
};

// --- errors, versions, configuration ---
int ErrorGetCode();
uint32_t GetVersion();    // 0xAABBCCDD: major, minor, revision, build
uint32_t FxGetVersion();  // version of the tempo and effect part
bool SetConfig(int option, uint32_t value);
uint32_t GetConfig(int option);
bool SetConfigPtr(int option, const void* value);

// --- backends (only while no device is open) ---
bool UseManualBackend(const std::vector<ManualDeviceEntry>& devices);
bool UseSdlBackend();
// Mixes frames of an open manual device into out (interleaved stereo float, 2*frames values).
// Returns the frames written (frames, or 0 on failure).
size_t ManualRender(int device, float* out, size_t frames);
// An open manual device acts as one whose sound server went away and stays away (lost: not
// enabled in GetDeviceInfo) or came back.
bool SetManualDeviceLost(int device, bool lost);

// --- devices ---
bool GetDeviceInfo(int device, DeviceInfo* info);
// Opens a device (-1: the default one) and makes it current; kErrorAlready when it is open.
bool Init(int device, uint32_t freq, uint32_t flags, void* window);
bool SetDevice(int device);
int GetDevice();
// Closes the current device and frees its streams.
bool Free();
// Closes every device and frees every stream (end of the program, between tests).
void Shutdown();

// --- streams ---
uint32_t StreamCreateFile(bool mem, const char* path, uint64_t offset, uint64_t length, uint32_t flags);
uint32_t StreamCreateURL(const char* url, uint32_t offset, uint32_t flags, DownloadProc* proc, void* user);
// StreamCreateURL(url, 0, flags, nullptr, nullptr) that gives up as soon as *cancel becomes true
// on another thread: the connect, the wait for the server's answer and the following of play
// list links are abandoned, and it fails with kErrorTimeout. cancel is read during the call only.
uint32_t StreamCreateURLCancelable(const char* url, uint32_t flags, const std::atomic<bool>* cancel);
bool StreamFree(uint32_t handle);
// Length in bytes that a stream made from the file would give, learnt without making one and
// without any device: safe on any thread, several at once. -1 on failure (ErrorGetCode on
// the calling thread tells why, with the codes StreamCreateFile and ChannelGetLength use).
int64_t FileGetLength(const char* path);
// The chapters a local file declares (MP4/M4B, Matroska, Ogg comments, ID3 CHAP frames), in
// order of their start; each ends where the next starts at the latest. Needs no device and is
// safe on any thread. False on failure (ErrorGetCode tells why); true with none for a file
// without chapters.
bool FileGetChapters(const char* path, std::vector<ChapterInfo>* chapters);
// Wraps a decode-only stream in a playable stream with tempo and pitch. The source handle
// belongs to the tempo stream from then on and is freed with it.
uint32_t TempoCreate(uint32_t source, uint32_t flags);

// --- channels ---
bool ChannelPlay(uint32_t handle, bool restart);
bool ChannelPause(uint32_t handle);
bool ChannelStop(uint32_t handle);
int ChannelIsActive(uint32_t handle);
// Times the device ran out of this channel's audio while it played (each run of starved periods
// counts once; waiting for a stream's first data does not count).
uint32_t ChannelGetUnderruns(uint32_t handle);
int ChannelGetDevice(uint32_t handle);
bool ChannelSetAttribute(uint32_t handle, uint32_t attrib, float value);
bool ChannelGetAttribute(uint32_t handle, uint32_t attrib, float* value);
// Slides an attribute to value over timeMs. A negative volume slides to 0 and then stops the
// channel (frees it when it auto-frees).
bool ChannelSlideAttribute(uint32_t handle, uint32_t attrib, float value, uint32_t timeMs);
bool ChannelIsSliding(uint32_t handle, uint32_t attrib);
int64_t ChannelGetLength(uint32_t handle, uint32_t mode);
int64_t ChannelGetPosition(uint32_t handle, uint32_t mode);
bool ChannelSetPosition(uint32_t handle, int64_t pos, uint32_t mode);
double ChannelBytes2Seconds(uint32_t handle, int64_t bytes);
int64_t ChannelSeconds2Bytes(uint32_t handle, double seconds);
// Decode-only streams: takes up to length bytes of float stereo; returns the bytes given,
// or 0xFFFFFFFF at the end (kErrorEnded) or on error.
uint32_t ChannelGetData(uint32_t handle, void* buffer, uint32_t length);

uint32_t ChannelSetSync(uint32_t handle, uint32_t type, uint64_t param, SyncProc* proc, void* user);
bool ChannelRemoveSync(uint32_t handle, uint32_t sync);

// Effects run in order of priority, highest first; equal priorities in the order they were set.
uint32_t ChannelSetFX(uint32_t handle, int type, int priority);
bool ChannelRemoveFX(uint32_t handle, uint32_t fx);
bool FXSetParameters(uint32_t fx, const void* params);
bool FXGetParameters(uint32_t fx, void* params);
bool FXReset(uint32_t fx);

// Tags of a kind, or null (kErrorNotAvail) when the stream has none of that kind. The text stays
// valid until the next call for the same channel and kind.
const char* ChannelGetTags(uint32_t handle, uint32_t tags);

}  // namespace alib
