// Speech through speech-dispatcher (the speech server the Orca screen reader uses), and the
// same line on a braille display when a BRLTTY server is reachable.
#pragma once
#include <memory>
#include <string>

#include "access/Speech.h"

class SpeechDispatcherBackend : public SpeechBackend {
 public:
  struct Options {
    bool autospawn = true;  // let the client library start the server when it is not running
    bool braille = true;    // also show each line on a braille display
    int brailleSeconds = 4; // how long a line stays before the display goes back to the reader
  };
  SpeechDispatcherBackend();
  explicit SpeechDispatcherBackend(const Options& options);
  ~SpeechDispatcherBackend() override;
  SpeechDispatcherBackend(const SpeechDispatcherBackend&) = delete;
  SpeechDispatcherBackend& operator=(const SpeechDispatcherBackend&) = delete;

  // Opens the connection on the first line; each line cancels what this program was saying.
  bool Say(const std::string& text, bool interrupt) override;
  void Idle() override;
  // The error text of the last failed connection ("" when none).
  const std::string& LastError() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
