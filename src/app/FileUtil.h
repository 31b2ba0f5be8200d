// Whole-file reading and crash-safe writing.
#pragma once
#include <string>

namespace fileutil {

bool ReadFile(const std::string& path, std::string& out);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
bool RemoveFile(const std::string& path);

// Writes bytes to a temporary file in the same folder, flushes it to disk and renames it
// over path, so a crash or a full disk never leaves a torn file: either the old content
// or the new one. Returns a positive descriptor-like number on success (the temporary
// file's descriptor, for log lines that report it), 0 on failure (the old file stays).
// A file the user may not write is left as it is (a rename would replace it all the same,
// with new contents and a new owner); the first refusal for a path is logged.
int WriteFileAtomic(const std::string& path, const std::string& bytes);

// True when path exists and this user has no right to write it.
bool IsReadOnlyFile(const std::string& path);

// Removes the temporary files WriteFileAtomic leaves when the process dies mid-write
// ("name.tmp-XXXXXX") from folder, and nothing else. Returns how many were removed.
int RemoveStaleTempFiles(const std::string& folder);

// Appends bytes at the end of path. Returns a positive number on success, 0 on failure.
int AppendFile(const std::string& path, const std::string& bytes);

// Folder part including the trailing "/" ("" when there is none) and file name part.
std::string FolderPart(const std::string& path);
std::string FilePart(const std::string& path);

}  // namespace fileutil
