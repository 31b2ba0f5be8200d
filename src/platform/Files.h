// File-system calls on UTF-8 paths ("/" between folders; Windows also takes "\").
#pragma once
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace platform {

// fopen on a UTF-8 path (on Windows through the wide-character call, whatever the code page).
std::FILE* OpenFile(const std::string& path, const char* mode);

bool PathExists(const std::string& path);
bool IsFolderPath(const std::string& path);
bool IsRegularFile(const std::string& path);
bool RemoveFilePath(const std::string& path);
// Creates one folder level; false when it could not (also when it exists).
bool MakeFolder(const std::string& path);
// The file exists and this user has no right to write it.
bool IsReadOnlyPath(const std::string& path);

// Writes bytes to "path.tmp-XXXXXX" in the same folder, flushes it to disk, renames it over
// path and makes the rename durable. Returns a positive number (the temporary file's
// descriptor) on success, 0 on failure with the temporary file removed and path untouched.
int ReplaceFileDurable(const std::string& path, const std::string& bytes);
// Renames a complete file over another, durably.
bool RenameFileDurable(const std::string& from, const std::string& to);
// Appends bytes at the end of path, creating it. Positive on success, 0 on failure.
int AppendToFile(const std::string& path, const std::string& bytes);

// Names of the entries of a folder ("." and ".." left out), in the order the system lists them.
std::vector<std::string> FolderEntries(const std::string& folder);

// The local time of t; false when it cannot be known.
bool LocalTime(std::time_t t, std::tm& out);

}  // namespace platform
