// The four profiles, each with its own play list and file, and the play options whose
// availability depends on the profile.
#pragma once
#include <cstdint>
#include <string>

#include "app/Commands.h"

// Feature asked about by the play list reader: keep tempo and pitch read from files.
inline constexpr int kFeatureKeepTempoPitch = 2;
inline constexpr int kCurrentProfile = -2;
inline constexpr int kProfileCount = 4;
inline constexpr int kBookProfile = 2;
inline constexpr int kRadioProfile = 3;

int32_t CurrentProfile();
const std::string& ProfileName();

// Stores the current profile and enters another (every number but 1, 2, 3 is the Default).
int SwitchProfile(int profile, bool silent);
bool IsFeatureAllowed(int feature, int profile = kCurrentProfile);
bool IsBookProfile();
std::string ProfileFile(int profile);
int LoadProfileList(int profile);
void SaveProfileList(int profile);

void SetFading(bool change, bool silent);
// value 0 or 1 sets the mark, -1 toggles it.
void SetLooping(int value, bool silent);
bool LoopingChecked();
void SetRandom(bool change);
void SetRemovePlayed(bool change, bool silent);
void SetNoKeepTempoPitch(bool change);
void SetNoKeepEffect(bool change);

// Where a book was left: in the Book profile, the track's start point becomes the position
// (whole seconds) and its row shows it. False when not stored (other profile, no such track).
bool StoreBookPosition(int32_t id, int32_t seconds);

// The profile and option commands (179..182, 186..189, 199, 204); false for others.
bool ProfileCommand(int id);

// Start-up enters the Default profile silently; the quit step stores the current one.
void EnterStartProfile();
void StoreProfileAtQuit();

// Back to the state before the first switch (tests).
void ResetProfiles();
