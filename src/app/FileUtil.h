// Whole-file reading and crash-safe writing.
#pragma once
#include <string>

namespace fileutil {

bool ReadFile(const std::string& path, std::string& out);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
bool RemoveFile(const std::string& path);

// Writes bytes to a temporary file in the same folder, flushes it to disk, renames it over
// path and syncs the folder, so a crash or a full disk never leaves a torn file: either the
// old content or the new one. Returns a positive descriptor-like number on success (the temporary
// file's descriptor, for log lines that report it), 0 on failure (the old file stays).
int WriteFileAtomic(const std::string& path, const std::string& bytes);

// Renames a complete file over another and syncs the folder, so the new name survives a crash.
bool RenameDurable(const std::string& from, const std::string& to);

// Appends bytes at the end of path. Returns a positive number on success, 0 on failure.
int AppendFile(const std::string& path, const std::string& bytes);

// Folder part including the trailing "/" ("" when there is none) and file name part.
std::string FolderPart(const std::string& path);
std::string FilePart(const std::string& path);

}  // namespace fileutil
