// Time and status templates, and typed positions.
#include <cstdlib>

#include "FuzzSupport.h"
#include "access/Templates.h"
#include "settings/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = [] {
    RegisterSettings();
    return true;
  }();
  (void)registered;
  // Times as the player has them: whole seconds within a few days of audio, either sign.
  const int64_t a = fuzz::TakeInt(data, size, 4) % 1000000;
  const int64_t b = fuzz::TakeInt(data, size, 4) % 1000000;
  const std::string text(reinterpret_cast<const char*>(data), size);
  FormatTime(a, text);
  StatusPosition pos;
  pos.position = a < 0 ? -a : a;
  pos.length = b < 0 ? -b : b;
  pos.percent = pos.length ? pos.position * 100 / pos.length : 0;
  FormatStatus(text, pos);
  const int64_t t = ParseTimeExpression(text, pos.position, pos.length);
  if (t < 0 || (t > pos.length && t != pos.position)) std::abort();
  return 0;
}
