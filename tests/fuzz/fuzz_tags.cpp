// Stream tag texts: ICY metadata and zero-separated comment entries.
#include <string>

#include "audio/StreamTags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  TitleFromMeta(text);
  // Entries end with an empty one, as the library hands them out.
  text.append(2, '\0');
  std::string title;
  TitleFromEntries(text.c_str(), title);
  return 0;
}
