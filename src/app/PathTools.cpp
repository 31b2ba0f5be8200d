#include "app/PathTools.h"

#include <array>
#include <cstdio>

#include "app/AppState.h"
#include "app/FileUtil.h"
#include "app/TextUtil.h"
#include "platform/Files.h"
#include "platform/Platform.h"

namespace {

struct Macro {
  const char* name;
  std::string folder;
};

std::array<Macro, 4> Macros() {
  return {{{"%MainApp%", App.MainPath},
           {"%MyMusic%", platform::SpecialFolder(platform::Folder::Music)},
           {"%MyDoc%", platform::SpecialFolder(platform::Folder::Documents)},
           {"%ProgFiles%", platform::SpecialFolder(platform::Folder::ProgramFiles)}}};
}

}  // namespace

int EnsureFolder(const std::string& path, bool create, bool testWrite) {
  std::string dir = fileutil::FolderPart(path);
  if (dir.empty()) return 0;
  int lastPart = 0;
  if (create) {
    auto parts = text::Split(dir, '/');
    // The root "/" stands where a drive would: it exists and is skipped.
    std::string prefix = dir[0] == '/' ? "/" : "";
    size_t first = dir[0] == '/' ? 1 : 0;
    for (size_t i = first; i < parts.size(); ++i) {
      lastPart = static_cast<int>(i);
      if (parts[i].empty()) break;
      prefix += parts[i] + "/";
      if (!fileutil::IsFolder(prefix) && !platform::MakeFolder(prefix)) break;
    }
  }
  bool ok = fileutil::IsFolder(dir);
  if (ok && testWrite) {
    int n = lastPart;
    while (fileutil::Exists(dir + std::to_string(n) + ".txt")) ++n;
    std::string probe = dir + std::to_string(n) + ".txt";
    FILE* f = platform::OpenFile(probe, "wx");
    ok = f != nullptr;
    if (f) {
      std::fclose(f);
      platform::RemoveFile(probe);
    }
  }
  return ok ? 1 : 0;
}

std::string ExpandPathMacros(const std::string& path) {
  // Every macro holds a "%": without one there is nothing to look up (folder look-ups cost
  // file reads, and play lists resolve thousands of paths).
  if (path.find('%') == std::string::npos) return path;
  std::string out = path;
  for (const auto& m : Macros()) out = text::ReplaceNoCase(out, m.name, m.folder);
  return out;
}

std::string ContractPathMacros(const std::string& path) {
  std::string out = path;
  for (const auto& m : Macros())
    if (!m.folder.empty()) out = text::ReplaceNoCase(out, m.folder, m.name);
  return out;
}

bool IsAbsolutePath(const std::string& p) {
  if (p.empty()) return false;
  if (p[0] == '/') return true;
  if (p.find("://") != std::string::npos) return true;
  return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

std::string MakeAbsolutePath(const std::string& path, const std::string& base) {
  std::string p = text::Trim(ExpandPathMacros(path));
  if (p.find("://") != std::string::npos) return p;
  // Decide before turning "\\" into "/": a stored "\\x" is relative to the base, "/x" is not.
  bool absolute = IsAbsolutePath(p);
  p = text::Replace(p, "\\", "/");
  if (absolute) return p;
  std::string b = base.empty() ? platform::CurrentFolder() : text::Replace(base, "\\", "/");
  if (b.empty() || b.back() != '/') b += '/';
  if (!p.empty() && p[0] == '/') p.erase(0, 1);
  return b + p;
}
