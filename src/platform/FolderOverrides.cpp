#include "platform/FolderOverrides.h"

#include <map>

namespace platform {

namespace {

std::map<Folder, std::string>& Overrides() {
  static std::map<Folder, std::string> m;
  return m;
}

}  // namespace

void OverrideSpecialFolder(Folder kind, const std::string* path) {
  if (path) Overrides()[kind] = *path;
  else Overrides().erase(kind);
}

bool detail::OverriddenFolder(Folder kind, std::string& out) {
  auto it = Overrides().find(kind);
  if (it == Overrides().end()) return false;
  out = it->second.empty() ? std::string() : WithSlash(it->second);
  return true;
}

}  // namespace platform
