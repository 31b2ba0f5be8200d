#include "access/Speech.h"

#include "app/TextUtil.h"

namespace {
struct SpeechState {
  std::string LastContext;
  SpeechBackend* backend = nullptr;
};
SpeechState& S() {
  static SpeechState s;
  return s;
}

std::string Clean(const std::string& t) {
  std::string out;
  for (char c : t)
    if (static_cast<unsigned char>(c) >= 32 || c == 0) out += c;
  return text::Trim(out);
}

int SendToScreenReader(const std::string& t, bool interrupt) {
  if (!S().backend) return 0;
  return S().backend->Say(Clean(t), interrupt) ? 1 : 0;
}
}  // namespace

void Speak(const std::string& t, const std::string& context) {
  if (!context.empty() && context != S().LastContext) {
    SendToScreenReader(context + t, true);
    S().LastContext = context;
  } else {
    SendToScreenReader(t, true);
  }
}

void SetSpeechBackend(SpeechBackend* backend) {
  S().backend = backend;
  S().LastContext.clear();
}

void ResetSpeech() { S().LastContext.clear(); }
