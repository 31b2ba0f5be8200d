// Spoken announcements: the one way the program talks to the screen reader.
#pragma once
#include <string>
#include <utility>
#include <vector>

// A way to reach a screen reader. Implementations: speech-dispatcher (Linux), the Windows
// screen-reader libraries, and RecordingSpeech for tests.
class SpeechBackend {
 public:
  virtual ~SpeechBackend() = default;
  // True when the text was accepted.
  virtual bool Say(const std::string& text, bool interrupt) = 0;
};

// Records every line with its interrupt flag (tests).
class RecordingSpeech : public SpeechBackend {
 public:
  std::vector<std::pair<std::string, bool>> lines;
  bool accept = true;
  bool Say(const std::string& text, bool interrupt) override {
    if (accept) lines.emplace_back(text, interrupt);
    return accept;
  }
  std::string Last() const { return lines.empty() ? std::string() : lines.back().first; }
};

// Says text, preceded by context when context is new (the label is said once, then bare values).
void Speak(const std::string& text, const std::string& context = {});

// Replaces the backend (null: the one the program detects). Resets the context label.
void SetSpeechBackend(SpeechBackend* backend);
void ResetSpeech();
