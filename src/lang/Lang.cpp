#include "lang/Lang.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unordered_map>

#include "app/AppState.h"
#include "app/FileUtil.h"
#include "app/TextUtil.h"
#include "platform/Files.h"

namespace {

struct Table {
  std::vector<LangEntry> entries;
  // Lower-cased key → index; rebuilt whenever the order changes.
  std::unordered_map<std::string, size_t> index;
  void Reindex() {
    index.clear();
    for (size_t i = 0; i < entries.size(); ++i) index.emplace(text::Lower(entries[i].Key), i);
  }
  LangEntry* Find(const std::string& key) {
    auto it = index.find(text::Lower(key));
    return it == index.end() ? nullptr : &entries[it->second];
  }
  LangEntry& Add(const std::string& key, const std::string& t) {
    index.emplace(text::Lower(key), entries.size());
    entries.push_back({key, t});
    return entries.back();
  }
};

Table& T() {
  static Table t;
  return t;
}

std::string Now(const char* fmt) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  platform::LocalTime(now, tm);
  char buf[64];
  std::strftime(buf, sizeof buf, fmt, &tm);
  return buf;
}

}  // namespace

std::vector<LangEntry>& LangTable() { return T().entries; }

void ResetLang() {
  T().entries.clear();
  T().index.clear();
}

std::string Lang(const std::string& key, const std::string& s1, const std::string& s2, const std::string& s3,
                 const std::string& s4, const std::string& s5) {
  std::string result = key;
  if (LangEntry* e = T().Find(key)) {
    if (!e->Text.empty()) {
      result = e->Text;
      size_t m = text::FindNoCase(result, kFrenchMarker);
      if (m != std::string::npos) result.erase(m);
    }
  } else {
    T().Add(key, "");
  }
  result = text::ReplaceNoCase(result, "%w%", "\r\n");
  result = text::ReplaceNoCase(result, "%s1%", s1);
  result = text::ReplaceNoCase(result, "%s2%", s2);
  result = text::ReplaceNoCase(result, "%s3%", s3);
  result = text::ReplaceNoCase(result, "%s4%", s4);
  result = text::ReplaceNoCase(result, "%s5%", s5);
  return result;
}

std::string LanguageFolder() { return DataFolder() + "Lang/"; }
std::string LanguageFilePath(const std::string& name) { return LanguageFolder() + name + ".Lng"; }

std::vector<LangEntry> ParseLanguageText(const std::string& raw) {
  std::string bytes;
  if (raw.rfind("\xFF\xFE", 0) == 0) bytes = text::FromUtf16LE(std::string_view(raw).substr(2));
  else if (raw.rfind("\xEF\xBB\xBF", 0) == 0) bytes = raw.substr(3);
  else bytes = text::FromWindows1252(raw);
  std::vector<LangEntry> out;
  size_t pos = 0;
  // The program asks for a few hundred keys; a file of more entries than this is not a
  // language file, and stopping keeps its cost in proportion to what is used.
  constexpr size_t kMaxEntries = 50000;
  while (pos < bytes.size() && out.size() < kMaxEntries) {
    size_t end = bytes.find_first_of("\r\n", pos);
    std::string line = bytes.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    if (end == std::string::npos) pos = bytes.size();
    else pos = (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? end + 2 : end + 1;
    if (line.empty() || line[0] == ';') continue;
    size_t eq = line.find('=');
    std::string key = text::Trim(eq == std::string::npos ? line : line.substr(0, eq));
    if (key.empty()) continue;
    out.push_back({key, eq == std::string::npos ? std::string() : text::TrimLeft(line.substr(eq + 1))});
  }
  return out;
}

bool LoadLanguageFile(const std::string& name, bool isBase) {
  for (auto& e : T().entries) {
    if (isBase) e.Text.clear();
    else if (text::FindNoCase(e.Text, kFrenchMarker) == std::string::npos) e.Text += kFrenchMarker;
  }
  std::string raw;
  if (!fileutil::ReadFile(LanguageFilePath(name), raw)) return false;
  auto entries = ParseLanguageText(raw);
  for (auto& e : entries) {
    if (LangEntry* have = T().Find(e.Key)) have->Text = e.Text;
    else T().Add(e.Key, e.Text);
  }
  return !entries.empty();
}

std::string LoadLanguage(const std::string& raw) {
  std::string name = text::Lower(text::Trim(raw));
  if (name.empty()) name = kBaseLanguage;
  LoadLanguageFile(name, name == kBaseLanguage);
  return name;
}

void SortLangTable() {
  std::stable_sort(T().entries.begin(), T().entries.end(),
                   [](const LangEntry& a, const LangEntry& b) { return a.Key < b.Key; });
  T().Reindex();
}

bool RemoveLangEntry(size_t position) {
  if (position >= T().entries.size()) return false;
  T().entries.erase(T().entries.begin() + static_cast<std::ptrdiff_t>(position));
  T().Reindex();
  return true;
}

std::string LanguageFileBytes(const std::string& name, const std::vector<LangEntry>& table) {
  std::string out = std::string("; Lang for Tondrial V:") + kVersion + "\r\n";
  out += "; " + Now("%Y/%m/%d %H:%M:%S") + "\r\n";
  out += "; Lang = " + name + "\r\n";
  for (const auto& e : table)
    if (text::EqualsNoCase(e.Key, "MWT-Author")) {
      out += "MWT-Author=" + e.Text + "\r\n";
      break;
    }
  out += "\r\n";
  for (const auto& e : table) {
    if (text::EqualsNoCase(e.Key, "MWT-Author")) continue;
    out += e.Key + "=" + e.Text + "\r\n";
  }
  return "\xFF\xFE" + text::ToUtf16LE(out);
}

bool SaveLanguageFile(const std::string& rawName) {
  std::string name = rawName.empty() ? std::string(kBaseLanguage) : rawName;
  SortLangTable();
  std::string target = LanguageFilePath(name);
  std::string fresh = target + ".New";
  // The ".Lng.New" file is complete on disk before the old file is touched; the rename then
  // replaces the old file in one step (a language without a file yet gets its first one), so
  // at every moment one whole file holds the texts.
  if (!fileutil::WriteFileAtomic(fresh, LanguageFileBytes(name, T().entries))) return false;
  return fileutil::RenameDurable(fresh, target);
}

std::vector<std::string> LanguageNames() {
  std::vector<std::string> names;
  for (const std::string& f : platform::FolderEntries(LanguageFolder())) {
    if (f.size() < 4 || !text::EqualsNoCase(f.substr(f.size() - 4), ".Lng")) continue;
    std::string n = text::Lower(f.substr(0, f.size() - 4));
    if (n == kBaseLanguage) names.insert(names.begin(), n);
    else names.push_back(n);
  }
  return names;
}

int LanguageIndex(const std::vector<std::string>& names, const std::string& current) {
  std::string c = text::Lower(current);
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == c) return static_cast<int>(i);
  return 0;
}
