// What running copies of the program share: a named lock that tells a new copy another one
// runs, and a message channel to each running copy's main window.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// The per-user, per-desktop folder that holds the lock and the channels, with a trailing "/";
// created when missing; "" when no such folder can be made. A copy on another display is not
// seen: its window could not come to the front of this desktop anyway.
std::string InstanceFolder();
// Tests put the folder elsewhere; null restores the real one.
void OverrideInstanceFolder(const std::string* folder);

enum class InstanceLockState {
  Created,  // no other copy held it: this copy is the first
  Exists,   // another running copy holds it
  Failed,   // it could not be opened or created
};
// Opens the named lock and holds it (shared with every other copy that runs) until
// CloseInstanceLock or the end of the process; a killed process leaves nothing held.
InstanceLockState OpenInstanceLock(const std::string& name, int& handle);
void CloseInstanceLock(int& handle);

// A running copy's main window, as another copy finds it.
struct InstanceWindow {
  std::string title;      // the name its channel was opened under
  std::string className;  // the kind of window
  std::string address;    // where to send it messages
};
// Every main window that answers, in no fixed order. Channels left by copies that died are
// removed on the way.
std::vector<InstanceWindow> InstanceWindows();

struct HandOverMessage {
  uint32_t code = 0;
  std::string text;
};

// Opens the channel of this copy's main window; returns its handle, or -1.
int OpenHandOverChannel(const std::string& title, const std::string& className);
void CloseHandOverChannel(int& handle);
// Takes every message waiting on the channel without blocking; each is given to handle, whose
// result is sent back as the answer.
void ServeHandOverChannel(int handle, const std::function<int32_t(const HandOverMessage&)>& handle_message);
// Sends a message and waits (at most timeoutMs) until the other copy has handled it.
// False when it could not be delivered or was not answered in time.
bool SendHandOver(const std::string& address, const HandOverMessage& message, int timeoutMs, int32_t& answer);

}  // namespace platform
