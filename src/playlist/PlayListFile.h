// Play lists on disk: M3U with one private "#extrem:" line per track carrying its settings.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "playlist/Track.h"

// Options of LoadPlayListFile.
enum PlayListLoadOptions : int {
  kLoadExistingOnly = 1,   // drop lines whose file is missing or empty (addresses are kept)
  kLoadKeepTempoPitch = 2, // otherwise Tempo and Pitch read as 0
};

// Writes the play list rows top to bottom; non-zero on success, 0 when the file cannot be written.
int SavePlayListFile(const std::string& fileName);
// Writes the played history, oldest first.
int SavePlayedListFile(const std::string& fileName);
// The text the writers produce for tracks stored in the file fileName (CR LF line ends).
std::string PlayListText(const std::vector<const Track*>& tracks, const std::string& fileName);
// The "#extrem:" fields of one track ("" when it has none).
std::string ExtensionFields(const Track& t);

// Appends the file's tracks to target; the number appended (0 when it cannot be read).
int LoadPlayListFile(const std::string& fileName, std::vector<Track>& target, int options);
// As LoadPlayListFile, but a ".pls" file gives 0 tracks without being opened.
int LoadPlayListAny(const std::string& fileName, std::vector<Track>& target, int options);
// Reads the fields of an "#extrem:" line (the text after the prefix) into t.
void ParseExtensionFields(const std::string& fields, Track& t);

// The local path a "file://" URI names (percent-decoded), or "" when it names none.
bool IsFileUri(const std::string& line);
std::string FileUriPath(const std::string& uri);

// True for "http", "https", "ftp" and "itpc" addresses.
bool IsURL(const std::string& text);
// A file that exists and holds at least one byte.
bool IsNonEmptyFile(const std::string& path);
// Without control characters (codes 1 to 31) and surrounding spaces.
std::string CleanText(const std::string& text);

// Number texts shared with the row columns: tempo rounded half to even, pitch with one decimal.
std::string TempoText(float tempo);
std::string PitchText(float pitch);
