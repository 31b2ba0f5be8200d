#include "access/SpeechDispatcher.h"

#include <brlapi.h>
#include <libspeechd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/Threads.h"

struct SpeechDispatcherBackend::Impl {
  Options options;
  SPDConnection* conn = nullptr;
  std::string error;
  // Braille: the handle is opaque and sized at run time.
  std::vector<unsigned char> brlHandle;
  bool brlOpen = false, brlTried = false, inTty = false;
  std::chrono::steady_clock::time_point lastBraille;

  brlapi_handle_t* H() { return reinterpret_cast<brlapi_handle_t*>(brlHandle.data()); }

  bool Open() {
    if (conn) return true;
    // The address is looked up here and freed here: the library loses its own copy when the
    // connection fails, and a missing reader means a failed connection on every announcement.
    char* err = nullptr;
    SPDConnectionAddress* address = spd_get_default_address(&err);
    if (address) {
      std::free(err);
      err = nullptr;
      conn = spd_open2("tondrial", "main", nullptr, SPD_MODE_SINGLE, address, options.autospawn ? 1 : 0, &err);
      SPDConnectionAddress__free(address);
    }
    error = err ? err : (conn ? "" : "no connection");
    std::free(err);
    return conn != nullptr;
  }

  void Close() {
    if (conn) spd_close(conn);
    conn = nullptr;
  }

  void OpenBraille() {
    if (brlTried || !options.braille) return;
    brlTried = true;
    brlHandle.assign(brlapi_getHandleSize(), 0);
    brlOpen = brlapi__openConnection(H(), nullptr, nullptr) >= 0;
  }

  void Braille(const std::string& text) {
    OpenBraille();
    if (!brlOpen) return;
    if (!inTty) inTty = brlapi__enterTtyModeWithPath(H(), nullptr, 0, nullptr) >= 0;
    if (!inTty) return;
    unsigned int x = 0, y = 0;
    if (brlapi__getDisplaySize(H(), &x, &y) < 0 || x == 0) return;
    unsigned int cells = x * (y ? y : 1);
    // Whole characters up to the display's size; an empty line blanks the display.
    std::string shown;
    unsigned int count = 0;
    for (size_t i = 0; i < text.size() && count < cells;) {
      size_t len = 1;
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (c >= 0xF0) len = 4;
      else if (c >= 0xE0) len = 3;
      else if (c >= 0xC0) len = 2;
      shown += text.substr(i, len);
      i += len;
      ++count;
    }
    if (shown.empty()) {
      shown = " ";
      count = 1;
    }
    brlapi_writeArguments_t wa = BRLAPI_WRITEARGUMENTS_INITIALIZER;
    wa.regionBegin = 1;
    wa.regionSize = -static_cast<int>(count);
    wa.text = shown.c_str();
    wa.textSize = static_cast<int>(shown.size());
    wa.charset = "UTF-8";
    wa.cursor = BRLAPI_CURSOR_OFF;
    if (brlapi__write(H(), &wa) >= 0) lastBraille = std::chrono::steady_clock::now();
  }

  void LeaveTty() {
    if (inTty) brlapi__leaveTtyMode(H());
    inTty = false;
  }
};

SpeechDispatcherBackend::SpeechDispatcherBackend() : SpeechDispatcherBackend(Options{}) {}

SpeechDispatcherBackend::SpeechDispatcherBackend(const Options& options) : impl_(std::make_unique<Impl>()) {
  impl_->options = options;
}

SpeechDispatcherBackend::~SpeechDispatcherBackend() {
  platform::NoSigpipe guard;
  impl_->Close();
  if (impl_->brlOpen) {
    impl_->LeaveTty();
    brlapi__closeConnection(impl_->H());
  }
}

bool SpeechDispatcherBackend::Say(const std::string& text, bool interrupt) {
  platform::NoSigpipe guard;
  if (!impl_->Open()) return false;
  if (interrupt && spd_cancel(impl_->conn) != 0) {
    impl_->Close();
    return false;
  }
  // An empty line only silences: the server has nothing to say for it.
  if (!text.empty() && spd_say(impl_->conn, SPD_MESSAGE, text.c_str()) < 0) {
    impl_->Close();
    return false;
  }
  impl_->Braille(text);
  return true;
}

void SpeechDispatcherBackend::Idle() {
  platform::NoSigpipe guard;
  if (impl_->inTty &&
      std::chrono::steady_clock::now() - impl_->lastBraille > std::chrono::seconds(impl_->options.brailleSeconds))
    impl_->LeaveTty();
}

const std::string& SpeechDispatcherBackend::LastError() const { return impl_->error; }

std::unique_ptr<SpeechBackend> LoadPlatformScreenReader(int kind) {
  if (kind != kScreenReaderOrca) return nullptr;
  return std::make_unique<SpeechDispatcherBackend>();
}
