// Error codes, versions, configuration and the handle registry.
#include "audiolib/Core.h"

namespace alib {

namespace detail {

namespace {
thread_local int t_error = kOk;
}

void SetError(int code) { t_error = code; }
int GetError() { return t_error; }

Registry& Reg() {
  static Registry* r = new Registry;  // lives until the process ends; threads may outlive main
  return *r;
}

std::shared_ptr<Channel> FindChannel(uint32_t handle) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  auto it = r.channels.find(handle);
  if (it == r.channels.end()) {
    SetError(kErrorHandle);
    return nullptr;
  }
  return it->second;
}

Device* DeviceOf(const Channel& ch) {
  Registry& r = Reg();
  if (ch.device < 0 || size_t(ch.device) >= r.devices.size()) return nullptr;
  return r.devices[size_t(ch.device)].get();
}

}  // namespace detail

using namespace detail;

int ErrorGetCode() { return GetError(); }

// 1.0.0.0 for the library, 1.0.0.0 for its tempo and effect part.
uint32_t GetVersion() { return 0x01000000u; }
uint32_t FxGetVersion() { return 0x01000000u; }

bool SetConfig(int option, uint32_t value) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  switch (option) {
    case kConfigNetTimeout: r.netTimeoutMs = value; break;
    case kConfigNetReadTimeout: r.netReadTimeoutMs = value; break;
    case kConfigNetBuffer: r.netBufferMs = value < 500 ? 500 : (value > 60000 ? 60000 : value); break;
    case kConfigNetPlaylist: r.netPlaylist = value; break;
    case kConfigUnicode: r.unicode = value; break;
    default: return Fail(kErrorIllType, false);
  }
  return Fail(kOk, true);
}

uint32_t GetConfig(int option) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  SetError(kOk);
  switch (option) {
    case kConfigNetTimeout: return r.netTimeoutMs;
    case kConfigNetReadTimeout: return r.netReadTimeoutMs;
    case kConfigNetBuffer: return r.netBufferMs;
    case kConfigNetPlaylist: return r.netPlaylist;
    case kConfigUnicode: return r.unicode;
    default: return Fail(kErrorIllType, 0xFFFFFFFFu);
  }
}

bool SetConfigPtr(int option, const void* value) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  if (option != kConfigNetAgent) return Fail(kErrorIllType, false);
  r.agent = value ? static_cast<const char*>(value) : "";
  return Fail(kOk, true);
}

}  // namespace alib
