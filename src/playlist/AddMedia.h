// Filling the play list: files, folders, stream addresses and play lists, classified by
// extension, expanded one level deep, examined, without duplicates, with a spoken count.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/Commands.h"
#include "playlist/Track.h"

bool IsAudioFile(const std::string& path);
bool IsVideoFile(const std::string& path);
bool IsPlayListFile(const std::string& path);
// Lower-case text after the last "." of the file name ("" when none).
std::string FileExtension(const std::string& path);

// Number of tracks added for one user's entry (a file, folder ending in "/", play list or address).
int AddPath(const std::string& path, int32_t& firstId, const std::string& filter);
int AddEntry(Track track, int32_t& firstId, const std::string& filter, int depth);
// One track per entry of folder (which ends with "/"): sub-folders and play lists get negative IDs.
void ListFolder(const std::string& folder, std::vector<Track>& target, const std::string& filter);
// "Mp3;Wav;" gives "|*.Mp3;*.Wav;|"; "" when the list holds no extension.
std::string ExtensionPattern(const std::string& list);
// The same patterns without the enclosing bars, as a file dialog filter takes them ("*.Mp3;*.Wav").
std::string DialogPatterns(const std::string& list);
// The filters of the open-file dialog, in the order they are offered.
std::vector<std::pair<std::string, std::string>> AddFilesFilters();

// The File menu commands: add 1 for "Add", 0 for "Open".
int AddFilesCommand(int add);
int AddFolderCommand(int add);
int AddURLCommand(int add);
// What the URL commands do once the address is known ("" adds nothing).
int AddURL(int add, const std::string& address);
// A recent-files menu item (243..262).
int AddRecentFileCommand(int item);
// The commands above by number; false for others.
bool AddMediaCommand(int id);
