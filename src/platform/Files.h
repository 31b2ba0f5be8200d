// File-system calls of the logic layers. Paths are UTF-8 ("/" between folders; Windows also
// takes "\").
#pragma once
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// fopen on a UTF-8 path (on Windows through the wide-character call, whatever the code page).
std::FILE* OpenFile(const std::string& path, const char* mode);

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
bool IsRegularFile(const std::string& path);
// The file exists and this process may not write it.
bool IsReadOnlyFile(const std::string& path);
bool RemoveFile(const std::string& path);
// One folder level, readable by everyone.
bool MakeFolder(const std::string& path);
// The names in a folder ("." and ".." left out), in the order the system lists them; none when
// it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// ReplaceFile writes a temporary file beside path named path + kTempMark + kTempRandom
// letters or digits, so a crash can leave one behind and a later start can recognise it.
inline constexpr char kTempMark[] = ".tmp-";
inline constexpr size_t kTempRandom = 6;

// Writes bytes to a new file beside path, flushes it to disk and renames it over path, so path
// holds either its old or its new contents whatever happens. Returns a positive number on
// success, 0 on failure (nothing of the new file is left behind).
int ReplaceFile(const std::string& path, const std::string& bytes);
// A rename that survives a power cut once it has returned true.
bool RenameDurable(const std::string& from, const std::string& to);
// Appends bytes, creating the file. A positive number on success, 0 on failure.
int AppendFile(const std::string& path, const std::string& bytes);

// std::filesystem on the program's UTF-8 text: a plain std::string would be read in Windows'
// ANSI code page, and a path's plain string() written in it. Neither throws: text that is not
// valid UTF-8 (a damaged play list's line) becomes a path that names no file.
std::filesystem::path FsPath(const std::string& utf8);
// With "/" between folders.
std::string Utf8Of(const std::filesystem::path& path);

// The local time of t; false when it cannot be known.
bool LocalTime(std::time_t t, std::tm& out);

}  // namespace platform
