// Running copies meet through a named mutex that every copy holds, and the hand-over is a
// WM_COPYDATA message to the first copy's main window, found by its title and class.
#include <windows.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "platform/Instance.h"
#include "platform/windows/WinText.h"

namespace platform {
namespace {

// Longer messages are not ours: the hand-over carries a code and a short text.
constexpr DWORD kMaxText = 64 * 1024;

std::optional<std::string>& Override() {
  static std::optional<std::string> folder;
  return folder;
}

int g_next = 0;

std::map<int, HANDLE>& Locks() {
  static std::map<int, HANDLE> locks;
  return locks;
}

struct Channel {
  HWND window = nullptr;
  std::wstring className;
  std::function<int32_t(const HandOverMessage&)> handler;
};
std::map<int, Channel>& Channels() {
  static std::map<int, Channel> channels;
  return channels;
}

LRESULT CALLBACK ChannelProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    for (auto& [id, ch] : Channels()) {
      if (ch.window != window || !ch.handler || !data) continue;
      HandOverMessage m;
      m.code = uint32_t(data->dwData);
      // The text with its terminating zero counted in cbData; only cbData bytes were copied
      // across, so the text travels as UTF-8 (one byte per character for the empty text).
      if (data->lpData && data->cbData > 0 && data->cbData <= kMaxText) {
        const auto* t = static_cast<const char*>(data->lpData);
        size_t n = data->cbData;
        while (n > 0 && t[n - 1] == '\0') --n;
        m.text.assign(t, n);
      }
      return LRESULT(ch.handler(m));
    }
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

std::string WindowText(HWND w) {
  wchar_t buf[257] = {};
  int n = GetWindowTextW(w, buf, 256);
  return win::Utf8(std::wstring(buf, size_t(n > 0 ? n : 0)));
}

std::string ClassText(HWND w) {
  wchar_t buf[257] = {};
  int n = GetClassNameW(w, buf, 256);
  return win::Utf8(std::wstring(buf, size_t(n > 0 ? n : 0)));
}

BOOL CALLBACK CollectWindow(HWND w, LPARAM user) {
  auto* out = reinterpret_cast<std::vector<InstanceWindow>*>(user);
  out->push_back({WindowText(w), ClassText(w), std::to_string(reinterpret_cast<uintptr_t>(w))});
  return TRUE;
}

}  // namespace

std::string InstanceFolder() {
  if (Override()) return *Override();
  // The named objects live in the session's namespace; no folder is needed to meet.
  return std::string();
}

void OverrideInstanceFolder(const std::string* folder) {
  if (folder) Override() = *folder;
  else Override().reset();
}

InstanceLockState OpenInstanceLock(const std::string& name, int& handle) {
  // Tests put their copies apart by folder; the folder joins the object's name.
  std::string full = name;
  if (Override()) {
    full += "-";
    for (char c : *Override()) full += (c == '\\' || c == '/' || c == ':') ? '_' : c;
  }
  HANDLE h = CreateMutexW(nullptr, FALSE, win::Wide(full).c_str());
  if (!h) return InstanceLockState::Failed;
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  handle = ++g_next;
  Locks()[handle] = h;
  return existed ? InstanceLockState::Exists : InstanceLockState::Created;
}

void CloseInstanceLock(int& handle) {
  auto it = Locks().find(handle);
  if (it != Locks().end()) {
    CloseHandle(it->second);
    Locks().erase(it);
  }
  handle = 0;
}

std::vector<InstanceWindow> InstanceWindows() {
  std::vector<InstanceWindow> out;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

int OpenHandOverChannel(const std::string& title, const std::string& className) {
  // A hidden top-level window of the main window's class and title: found by the same search
  // as the main window itself, and served on this thread's message queue.
  std::wstring cls = win::Wide(className);
  WNDCLASSW wc{};
  wc.lpfnWndProc = ChannelProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = cls.c_str();
  if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return -1;
  HWND w = CreateWindowExW(WS_EX_TOOLWINDOW, cls.c_str(), win::Wide(title).c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, wc.hInstance, nullptr);
  if (!w) return -1;
  int id = ++g_next;
  Channels()[id] = Channel{w, cls, nullptr};
  return id;
}

void CloseHandOverChannel(int& handle) {
  auto it = Channels().find(handle);
  if (it != Channels().end()) {
    DestroyWindow(it->second.window);
    Channels().erase(it);
  }
  handle = -1;
}

void ServeHandOverChannel(int handle, const std::function<int32_t(const HandOverMessage&)>& handle_message) {
  auto it = Channels().find(handle);
  if (it == Channels().end()) return;
  it->second.handler = handle_message;
  // A message sent from another process is handled inside PeekMessage.
  MSG msg;
  HWND w = it->second.window;
  while (PeekMessageW(&msg, w, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

bool SendHandOver(const std::string& address, const HandOverMessage& message, int timeoutMs, int32_t& answer) {
  char* end = nullptr;
  unsigned long long value = std::strtoull(address.c_str(), &end, 10);
  if (address.empty() || !end || *end != '\0') return false;
  HWND w = reinterpret_cast<HWND>(uintptr_t(value));
  if (!IsWindow(w)) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  // The first copy may bring itself to the front.
  if (pid) AllowSetForegroundWindow(pid);
  if (message.text.size() >= kMaxText) return false;
  std::string text = message.text;
  COPYDATASTRUCT data{};
  data.dwData = message.code;
  data.cbData = DWORD(text.size() + 1);
  data.lpData = text.data();
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                           UINT(timeoutMs > 0 ? timeoutMs : 0), &result))
    return false;
  answer = int32_t(result);
  return true;
}

}  // namespace platform
