// Folders and the path macros that make stored paths independent of the machine.
#pragma once
#include <cstdint>
#include <string>

// Nonzero when the folder of path exists (and, with testWrite, a file can be created in it).
// A path naming a folder must end in "/". With create, missing folders are made one by one.
int EnsureFolder(const std::string& path, bool create, bool testWrite);

// "%MainApp%", "%MyMusic%", "%MyDoc%", "%ProgFiles%" in any letter case become their folders.
std::string ExpandPathMacros(const std::string& path);
// The reverse, "%MainApp%" first, so a program below the documents stays relative to itself.
std::string ContractPathMacros(const std::string& path);
// Expands macros, trims, turns stored "\" separators into "/", and joins a relative path
// to base (the current folder when base is empty). Absolute paths and URLs come back as expanded.
std::string MakeAbsolutePath(const std::string& path, const std::string& base);
// True when a stored path names a place by itself: "/…", "X:…" or a URL.
bool IsAbsolutePath(const std::string& path);

template <class T>
constexpr T Clamp(T value, T min, T max) {
  return value < min ? min : (value > max ? max : value);
}
