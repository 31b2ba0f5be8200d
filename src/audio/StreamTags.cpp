#include "audio/StreamTags.h"

#include <cstring>

#include "app/TextUtil.h"
#include "audio/Playback.h"
#include "audiolib/AudioLib.h"

namespace {
constexpr size_t kMaxTagBytes = 512;
constexpr int kMaxEntries = 51;

std::string Bounded(const char* s) { return std::string(s, strnlen(s, kMaxTagBytes)); }
}  // namespace

std::string TitleFromMeta(const std::string& meta) {
  for (const std::string& field : text::Split(meta, ';')) {
    size_t eq = field.find('=');
    if (eq == std::string::npos) continue;
    if (text::Lower(text::Trim(field.substr(0, eq))) != "streamtitle") continue;
    std::string value = field.substr(eq + 1);
    if (!value.empty() && value.front() == '\'') value.erase(0, 1);
    if (!value.empty() && value.back() == '\'') value.pop_back();
    return value;
  }
  return {};
}

bool TitleFromEntries(const char* entries, std::string& title) {
  bool found = false;
  const char* p = entries;
  for (int i = 0; i < kMaxEntries && *p; ++i) {
    const size_t len = std::strlen(p);
    const std::string entry = Bounded(p);
    size_t eq = entry.find('=');
    if (!found && eq != std::string::npos && text::Lower(entry.substr(0, eq)) == "title") {
      title = entry.substr(eq + 1);
      found = true;
    }
    p += len + 1;
  }
  return found;
}

bool ReadTitleOfKind(uint32_t handle, uint32_t kind, std::string& title) {
  const char* tags = alib::ChannelGetTags(handle, kind);
  if (!tags) return false;
  title.clear();
  switch (kind) {
    case alib::kTagMeta: title = TitleFromMeta(Bounded(tags)); break;
    case alib::kTagOgg:
    case alib::kTagWma: TitleFromEntries(tags, title); break;
    case alib::kTagWmaMeta: title = Bounded(tags); break;
    default: break;
  }
  return true;
}

bool ReadStreamTitle(uint32_t handle, int32_t /*code*/, std::string& title) {
  // The kind named by the event code is not asked first: for code 4 it is the server's response
  // headers, which would blank the title on every change. The fallback order finds it instead.
  for (uint32_t kind : {uint32_t(alib::kTagMeta), uint32_t(alib::kTagOgg), uint32_t(alib::kTagWma),
                        uint32_t(alib::kTagWmaMeta)})
    if (ReadTitleOfKind(handle, kind, title)) return true;
  return false;
}

void OnStreamTags(ChannelRecord& record, int32_t code) {
  std::string title;
  if (!record.Handle || !ReadStreamTitle(record.Handle, code, title)) return;
  record.Track.StreamTitle = title;
  RefreshPlayerDisplay();
}
