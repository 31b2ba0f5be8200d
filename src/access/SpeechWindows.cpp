#include "access/SpeechWindows.h"

#include <windows.h>

#include <string>

namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

// JAWS takes the ANSI code page; characters outside it become the code page's default.
std::string Ansi(const std::string& utf8) {
  std::wstring w = Wide(utf8);
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string a(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), a.data(), n, nullptr, nullptr);
  return a;
}

template <typename F>
bool Resolve(HMODULE lib, const char* name, F& fn) {
  fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
  return fn != nullptr;
}

class Jaws : public SpeechBackend {
 public:
  using SayString = BOOL(WINAPI*)(const char*, BOOL);
  using Other = BOOL(WINAPI*)();
  HMODULE lib = nullptr;
  SayString sayString = nullptr;
  Other runFunction = nullptr, runScript = nullptr, stopSpeech = nullptr;
  ~Jaws() override {
    if (lib) FreeLibrary(lib);
  }
  bool Say(const std::string& text, bool interrupt) override {
    return sayString(Ansi(text).c_str(), interrupt ? TRUE : FALSE) != 0;
  }
};

class Nvda : public SpeechBackend {
 public:
  using TextFn = unsigned long(__stdcall*)(const wchar_t*);
  using VoidFn = unsigned long(__stdcall*)();
  HMODULE lib = nullptr;
  TextFn brailleMessage = nullptr, speakText = nullptr;
  VoidFn testIfRunning = nullptr, cancelSpeech = nullptr;
  ~Nvda() override {
    if (lib) FreeLibrary(lib);
  }
  bool Say(const std::string& text, bool interrupt) override {
    std::wstring w = Wide(text);
    if (interrupt) cancelSpeech();
    bool ok = speakText(w.c_str()) == 0;
    brailleMessage(w.c_str());  // the same line on the braille display
    return ok;
  }
};

}  // namespace

std::unique_ptr<SpeechBackend> LoadJawsLibrary() {
  auto j = std::make_unique<Jaws>();
  j->lib = LoadLibraryW(L"JFWAPI.DLL");
  if (!j->lib) return nullptr;
  if (!Resolve(j->lib, "JFWSayString", j->sayString) || !Resolve(j->lib, "JFWRunFunction", j->runFunction) ||
      !Resolve(j->lib, "JFWRunScript", j->runScript) || !Resolve(j->lib, "JFWStopSpeech", j->stopSpeech))
    return nullptr;  // the destructor frees the library
  j->sayString("", FALSE);
  return j;
}

std::unique_ptr<SpeechBackend> LoadNvdaLibrary() {
  auto n = std::make_unique<Nvda>();
  n->lib = LoadLibraryW(L"nvdaControllerClient.dll");
  if (!n->lib) return nullptr;
  if (!Resolve(n->lib, "nvdaController_brailleMessage", n->brailleMessage) ||
      !Resolve(n->lib, "nvdaController_speakText", n->speakText) ||
      !Resolve(n->lib, "nvdaController_testIfRunning", n->testIfRunning) ||
      !Resolve(n->lib, "nvdaController_cancelSpeech", n->cancelSpeech))
    return nullptr;
  return n;
}

std::unique_ptr<SpeechBackend> LoadPlatformScreenReader(int kind) {
  if (kind == kScreenReaderJaws) return LoadJawsLibrary();
  if (kind == kScreenReaderNvda) return LoadNvdaLibrary();
  return nullptr;
}
