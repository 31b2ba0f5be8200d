#include "audio/PlayerEvents.h"

#include <utility>
#include <vector>

namespace player {

namespace {
struct Entry {
  int token;
  Listener listener;
};
std::vector<Entry>& Listeners() {
  static std::vector<Entry> l;
  return l;
}
int g_lastToken = 0;
}  // namespace

int AddListener(Listener listener) {
  Listeners().push_back({++g_lastToken, std::move(listener)});
  return g_lastToken;
}

void RemoveListener(int token) {
  auto& l = Listeners();
  for (auto it = l.begin(); it != l.end(); ++it)
    if (it->token == token) {
      l.erase(it);
      return;
    }
}

void Notify(Change change) {
  // A copy: a listener may add or remove listeners, or act and so notify again.
  const std::vector<Entry> now = Listeners();
  for (const Entry& e : now)
    if (e.listener) e.listener(change);
}

}  // namespace player
