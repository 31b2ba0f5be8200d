// What every system's folder lookup shares: the overrides tests set, and the trailing slash.
#pragma once
#include <string>

#include "platform/Platform.h"

namespace platform::detail {

// True when `kind` is overridden; `out` is then the folder with its slash, or empty for "none".
bool OverriddenFolder(Folder kind, std::string& out);

inline std::string WithSlash(std::string p) {
  if (!p.empty() && p.back() != '/') p += '/';
  return p;
}

}  // namespace platform::detail
