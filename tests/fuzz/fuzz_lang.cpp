// Language files in their three encodings, loaded into the table and saved again.
#include <cstdlib>
#include <filesystem>

#include "FuzzSupport.h"
#include "app/AppState.h"
#include "lang/Lang.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetLang();
  App.MainPath = fuzz::Scratch();
  std::filesystem::create_directories(App.MainPath + "Lang");
  const std::string raw(reinterpret_cast<const char*>(data), size);
  auto entries = ParseLanguageText(raw);
  fuzz::WriteInput("Lang/fuzz.Lng", data, size);
  LoadLanguageFile("fuzz", true);
  for (size_t i = 0; i < entries.size() && i < 8; ++i) Lang(entries[i].Key, "a", "b", "c", "d", "e");
  SortLangTable();
  // The saved form reads back to as many entries (keys are unique in the table).
  auto back = ParseLanguageText(LanguageFileBytes("fuzz", LangTable()));
  if (back.size() > LangTable().size() + 1) std::abort();
  return 0;
}
