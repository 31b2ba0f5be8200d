#include "app/About.h"

#include "app/AppState.h"
#include "app/Dispatch.h"
#include "app/TextUtil.h"
#include "app/UpdateCheck.h"
#include "lang/Lang.h"
#include "platform/Platform.h"

namespace {
// The product, whatever the running instance is called ("Tondrial-Portable" names the window).
constexpr const char* kProductName = "Tondrial";
}  // namespace

std::string AboutText() {
  std::string about = Lang("About.MessageAuthor");
  bool ok = false;
  std::string licence = ReadTextFile(DataFolder() + "License.Txt", ok);
  if (ok) about += text::Replace(licence, "%1", kProductName);
  return about;
}

void OpenMakerSite() { platform::OpenDocument(kMakerSite); }
