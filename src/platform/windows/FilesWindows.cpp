#include <windows.h>
// The system's own ReplaceFile is a macro that would rename ours.
#undef ReplaceFile

#include <atomic>

#include "platform/Files.h"
#include "platform/windows/WinText.h"

namespace platform {
namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesW(win::Wide(path).c_str()); }

bool WriteAll(HANDLE h, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD n = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &n, nullptr)) return false;
    done += n;
  }
  return true;
}

// Six letters or digits, as mkstemp makes them, so leftovers are recognised by their name.
std::string TempSuffix() {
  static std::atomic<unsigned> counter{0};
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned long long v = (unsigned long long)GetTickCount64() * 2654435761ULL ^
                         ((unsigned long long)GetCurrentProcessId() << 20) ^ counter.fetch_add(1) * 40503ULL;
  std::string s;
  for (size_t i = 0; i < kTempRandom; ++i) {
    s += kChars[v % 62];
    v /= 62;
  }
  return s;
}

}  // namespace

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(win::Wide(path).c_str(), win::Wide(mode).c_str());
}

bool PathExists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsRegularFile(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool RemoveFile(const std::string& path) { return DeleteFileW(win::Wide(path).c_str()) != 0; }

bool MakeFolder(const std::string& path) { return CreateDirectoryW(win::Wide(path).c_str(), nullptr) != 0; }

bool IsReadOnlyFile(const std::string& path) {
  DWORD a = Attributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  if (a & FILE_ATTRIBUTE_READONLY) return true;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return false;
  // No right to write (an access list may say so without the attribute).
  HANDLE h = CreateFileW(win::Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_ACCESS_DENIED;
  CloseHandle(h);
  return false;
}

int ReplaceFile(const std::string& path, const std::string& bytes) {
  std::wstring tmp;
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int tries = 0; tries < 16 && h == INVALID_HANDLE_VALUE; ++tries) {
    tmp = win::Wide(path + kTempMark + TempSuffix());
    h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return 0;
  }
  if (h == INVALID_HANDLE_VALUE) return 0;
  bool ok = WriteAll(h, bytes) && FlushFileBuffers(h);
  if (!CloseHandle(h)) ok = false;
  // Write-through: the rename is on disk when the call returns.
  if (ok && MoveFileExW(tmp.c_str(), win::Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return 1;
  DeleteFileW(tmp.c_str());
  return 0;
}

bool RenameDurable(const std::string& from, const std::string& to) {
  return MoveFileExW(win::Wide(from).c_str(), win::Wide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

int AppendFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileW(win::Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  bool ok = WriteAll(h, bytes);
  if (!CloseHandle(h)) ok = false;
  return ok ? 1 : 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '/';
  WIN32_FIND_DATAW fd{};
  HANDLE h = FindFirstFileW(win::Wide(pattern + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string n = win::Utf8(fd.cFileName);
    if (n != "." && n != "..") names.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

// Through the system's conversions, which replace what is not valid instead of throwing.
std::filesystem::path FsPath(const std::string& utf8) { return std::filesystem::path(win::Wide(utf8)); }

std::string Utf8Of(const std::filesystem::path& path) { return win::Utf8(path.generic_wstring()); }

bool LocalTime(std::time_t t, std::tm& out) { return localtime_s(&out, &t) == 0; }

}  // namespace platform
