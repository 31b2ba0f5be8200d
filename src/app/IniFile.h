// Reader of the program's "key = value" files: optional "[group]" lines, "; " comments,
// UTF-8 with or without its mark, or 8-bit (Windows-1252) text; CR, LF or CR LF line ends.
#pragma once
#include <map>
#include <string>
#include <utility>

class IniFile {
 public:
  bool Open(const std::string& path);
  // The value of key in group, ignoring letter case; the first occurrence wins. Null when missing.
  const std::string* Find(const std::string& group, const std::string& key) const;
  // The first value of key in any group, for files whose groups mean nothing to the reader.
  const std::string* FindAnywhere(const std::string& key) const;

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;  // (group, key) lower-cased
  std::map<std::string, std::string> anywhere_;                        // key lower-cased
};
