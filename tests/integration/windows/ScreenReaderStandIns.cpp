// Stand-ins for the screen readers' client libraries: each call is appended as one UTF-8 line
// to the file named by TONDRIAL_SPEECH_RECORD. Built as nvdaControllerClient.dll or JFWAPI.DLL.
#include <windows.h>

#include <string>

namespace {

void Record(const std::string& line) {
  wchar_t path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"TONDRIAL_SPEECH_RECORD", path, MAX_PATH)) return;
  HANDLE h = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  std::string out = line + "\n";
  DWORD n = 0;
  WriteFile(h, out.data(), DWORD(out.size()), &n, nullptr);
  CloseHandle(h);
}

[[maybe_unused]] std::string Utf8(const wchar_t* w) {
  if (!w) return "<null>";
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(size_t(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  return s;
}

// The ANSI bytes as they came, in hexadecimal past ASCII, so the test sees the code page used.
[[maybe_unused]] std::string Bytes(const char* a) {
  if (!a) return "<null>";
  std::string s;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(a); *p; ++p) {
    if (*p < 0x80) {
      s += char(*p);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      s += "\\x";
      s += kHex[*p >> 4];
      s += kHex[*p & 15];
    }
  }
  return s;
}

}  // namespace

extern "C" {

#ifdef TONDRIAL_STANDIN_NVDA
__declspec(dllexport) unsigned long __stdcall nvdaController_testIfRunning() {
  Record("testIfRunning");
  return 0;
}
__declspec(dllexport) unsigned long __stdcall nvdaController_speakText(const wchar_t* text) {
  Record("speakText " + Utf8(text));
  return 0;
}
__declspec(dllexport) unsigned long __stdcall nvdaController_brailleMessage(const wchar_t* text) {
  Record("brailleMessage " + Utf8(text));
  return 0;
}
__declspec(dllexport) unsigned long __stdcall nvdaController_cancelSpeech() {
  Record("cancelSpeech");
  return 0;
}
#endif

#ifdef TONDRIAL_STANDIN_JAWS
__declspec(dllexport) BOOL __stdcall JFWSayString(const char* text, BOOL interrupt) {
  Record(std::string("JFWSayString ") + (interrupt ? "1 " : "0 ") + Bytes(text));
  return TRUE;
}
__declspec(dllexport) BOOL __stdcall JFWRunFunction() { return TRUE; }
__declspec(dllexport) BOOL __stdcall JFWRunScript() { return TRUE; }
__declspec(dllexport) BOOL __stdcall JFWStopSpeech() {
  Record("JFWStopSpeech");
  return TRUE;
}
#endif

}  // extern "C"
