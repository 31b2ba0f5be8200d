// Spoken announcements: the one way the program talks to the screen reader.
#pragma once
#include <functional>
#include <memory>
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
  // Called from the speech thread when no announcement came for a while (a braille message
  // can give the display back to the screen reader).
  virtual void Idle() {}
};

// Records every line with its interrupt flag (tests).
class RecordingSpeech : public SpeechBackend {
 public:
  std::vector<std::pair<std::string, bool>> lines;
  bool accept = true;
  int attempts = 0;  // every call, accepted or not
  bool Say(const std::string& text, bool interrupt) override {
    ++attempts;
    if (accept) lines.emplace_back(text, interrupt);
    return accept;
  }
  std::string Last() const { return lines.empty() ? std::string() : lines.back().first; }
};

// Says text, preceded by context when context is new (the label is said once, then bare values).
void Speak(const std::string& text, const std::string& context = {});

// Replaces the backend (null: the one the program detects). Resets the context label.
// A backend set here is used as it is: no process scan, no reconnection pause.
void SetSpeechBackend(SpeechBackend* backend);
void ResetSpeech();

// Kinds of screen reader the process scan recognises.
enum ScreenReaderKind : int {
  kNoScreenReader = 0,
  kScreenReaderJaws = 1,   // "jfw.exe"
  kScreenReaderNvda = 2,   // "nvda.exe"
  kScreenReaderOrca = 3,   // "orca"
};

// Removes the control characters 1..31 (words around them are joined) and the outer spaces.
std::string CleanSpeechText(const std::string& text);

// Cleans, tries the loaded reader, reconnects once on failure and tries again.
// 1 when a screen reader accepted the text, else 0. Safe to call from any thread.
int SendToScreenReader(const std::string& text, bool interrupt);

// Kind of the first screen reader in the list of process names (file-name part, any case).
int ScreenReaderKindOf(const std::vector<std::string>& processNames);
// Scans the running processes.
int DetectScreenReader();
// Drops the loaded reader, pauses 200 ms, detects and loads the reader found.
// The kind of the reader now loaded, or 0.
int ReconnectScreenReader();
// Kind of the reader loaded now (0: none).
int LoadedScreenReader();

// What the bridge needs from the system; tests replace parts (an empty member keeps the default).
struct ScreenReaderHooks {
  std::function<std::vector<std::string>()> processNames;              // running processes
  std::function<std::unique_ptr<SpeechBackend>(int kind)> load;        // null when it cannot
  std::function<void(int milliseconds)> pause;                         // the reconnection wait
};
void SetScreenReaderHooks(const ScreenReaderHooks& hooks);
// Back to the system's hooks, nothing loaded.
void ResetScreenReaderHooks();

// The connection this platform opens for a kind: speech-dispatcher for Orca on Linux, the
// screen readers' libraries on Windows; null for any other kind.
std::unique_ptr<SpeechBackend> LoadPlatformScreenReader(int kind);

// Announcements go through a thread of their own, so a slow or absent screen reader (the
// reconnection pause, a speech server that does not answer) never holds up the caller.
// Without it (tests), announcements are sent at once.
void StartSpeechThread();
void StopSpeechThread();
// Waits until every queued announcement was handed over (tests, exit).
void FlushSpeech();
