// The language table: every text the program shows or speaks, looked up by key.
#pragma once
#include <string>
#include <vector>

struct LangEntry {
  std::string Key;
  std::string Text;
};

inline constexpr const char* kBaseLanguage = "français";
inline constexpr const char* kFrenchMarker = "(fr)";

// The text of key with "%w%" → CR LF and "%s1%".."%s5%" replaced; the key itself when it has no text.
// A key never asked for before is added to the table with an empty text.
std::string Lang(const std::string& key, const std::string& s1 = {}, const std::string& s2 = {},
                 const std::string& s3 = {}, const std::string& s4 = {}, const std::string& s5 = {});

// Loads the base language ("" means "français") or a translation laid over it; returns the normalised name.
std::string LoadLanguage(const std::string& name);
bool LoadLanguageFile(const std::string& name, bool isBase);
// Writes "Lang/<name>.Lng.New" and replaces "Lang/<name>.Lng" with it; true only when replaced.
bool SaveLanguageFile(const std::string& name);
// Language names found in "Lang/", "français" first; index of current (lower-cased) or 0.
std::vector<std::string> LanguageNames();
int LanguageIndex(const std::vector<std::string>& names, const std::string& current);

std::string LanguageFolder();
std::string LanguageFilePath(const std::string& name);

// Parses a language file's bytes (any of the three encodings) into entries, in file order.
std::vector<LangEntry> ParseLanguageText(const std::string& bytes);
// The bytes SaveLanguageFile writes for the table (sorts nothing itself).
std::string LanguageFileBytes(const std::string& name, const std::vector<LangEntry>& sortedTable);

std::vector<LangEntry>& LangTable();
void SortLangTable();
// Removes the entry at a table position (the editor's delete); false when out of range.
bool RemoveLangEntry(size_t position);
void ResetLang();
