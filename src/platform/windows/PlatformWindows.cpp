#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <map>
#include <vector>

#include "platform/FolderOverrides.h"
#include "platform/Platform.h"
#include "platform/windows/WinText.h"

namespace platform {
namespace win {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring out(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Utf8(const wchar_t* wide) { return wide ? Utf8(std::wstring(wide)) : std::string(); }

std::string ForwardSlashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace win

namespace {

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) out = win::Utf8(path);
  CoTaskMemFree(path);
  return win::ForwardSlashes(out);
}

}  // namespace

std::string SpecialFolder(Folder kind) {
  std::string overridden;
  if (detail::OverriddenFolder(kind, overridden)) return overridden;
  std::string p;
  switch (kind) {
    case Folder::AppData: p = KnownFolder(FOLDERID_RoamingAppData); break;
    case Folder::Documents: p = KnownFolder(FOLDERID_Documents); break;
    case Folder::Music: p = KnownFolder(FOLDERID_Music); break;
    case Folder::ProgramFiles: p = KnownFolder(FOLDERID_ProgramFiles); break;
    case Folder::Profile: p = KnownFolder(FOLDERID_Profile); break;
  }
  return detail::WithSlash(p);
}

std::string ProgramFile() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) return win::ForwardSlashes(win::Utf8(std::wstring(buf.data(), n)));
    buf.resize(buf.size() * 2);
  }
}

std::string CurrentFolder() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return std::string();
  std::wstring buf(n, L'\0');
  n = GetCurrentDirectoryW(n, buf.data());
  buf.resize(n);
  return detail::WithSlash(win::ForwardSlashes(win::Utf8(buf)));
}

bool SetCurrentFolder(const std::string& path) {
  return !path.empty() && SetCurrentDirectoryW(win::Wide(path).c_str()) != 0;
}

std::string OSName() {
  // GetVersionEx lies to programs without a manifest; the kernel's own call does not.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto fn = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                  : nullptr;
  if (!fn || fn(&v) != 0) return "Windows";
  std::string name = "Windows " + std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion) +
                     " (build " + std::to_string(v.dwBuildNumber) + ")";
  if (v.szCSDVersion[0]) name += " " + win::Utf8(v.szCSDVersion);
  return name;
}

std::vector<std::string> RunningProcessNames() {
  std::vector<std::string> names;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return names;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) names.push_back(win::Utf8(e.szExeFile));
  CloseHandle(snap);
  return names;
}

bool OpenDocument(const std::string& pathOrUrl) {
  // Values above 32 mean success.
  auto rc = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", win::Wide(pathOrUrl).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return rc > 32;
}

}  // namespace platform
