#include "app/IniFile.h"

#include "app/FileUtil.h"
#include "app/TextUtil.h"

bool IniFile::Open(const std::string& path) {
  std::string bytes;
  if (!fileutil::ReadFile(path, bytes)) return false;
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  else if (!text::IsValidUtf8(bytes)) bytes = text::FromWindows1252(bytes);
  std::string group;
  size_t pos = 0;
  // Our files hold a few hundred keys; this bounds what a hostile file can make us keep.
  constexpr size_t kMaxValues = 50000;
  while (pos <= bytes.size() && values_.size() < kMaxValues) {
    size_t end = bytes.find_first_of("\r\n", pos);
    std::string line = bytes.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? bytes.size() + 1 : end + 1;
    std::string t = text::Trim(line);
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      size_t close = t.find(']');
      group = text::Lower(text::Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
      continue;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    std::string key = text::Lower(text::Trim(t.substr(0, eq)));
    std::string value = text::Trim(t.substr(eq + 1));
    values_.emplace(std::make_pair(group, key), value);
    anywhere_.emplace(key, value);
  }
  return true;
}

const std::string* IniFile::Find(const std::string& group, const std::string& key) const {
  auto it = values_.find({text::Lower(group), text::Lower(key)});
  return it == values_.end() ? nullptr : &it->second;
}

const std::string* IniFile::FindAnywhere(const std::string& key) const {
  auto it = anywhere_.find(text::Lower(key));
  return it == anywhere_.end() ? nullptr : &it->second;
}
