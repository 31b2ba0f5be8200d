#include "audio/StreamTags.h"

#include <cstring>

#include "app/TextUtil.h"
#include "audiolib/AudioLib.h"

namespace {
constexpr size_t kMaxTagBytes = 512;
constexpr int kMaxEntries = 51;

std::string Bounded(const char* s) { return std::string(s, strnlen(s, kMaxTagBytes)); }
}  // namespace

std::string TitleFromMeta(const std::string& meta) {
  // Values are quoted (StreamTitle='...';): a quoted value may itself hold ";" or "'", and ends
  // only at a quote followed by ";" or by the end of the block. Unquoted values end at ";".
  size_t pos = 0;
  while (pos < meta.size()) {
    size_t eq = meta.find('=', pos);
    if (eq == std::string::npos) break;
    const std::string key = text::Lower(text::Trim(meta.substr(pos, eq - pos)));
    std::string value;
    size_t next;
    if (eq + 1 < meta.size() && meta[eq + 1] == '\'') {
      size_t close = std::string::npos;
      for (size_t q = meta.find('\'', eq + 2); q != std::string::npos; q = meta.find('\'', q + 1)) {
        const bool atEnd = meta.find_first_not_of(std::string_view(" \0", 2), q + 1) == std::string::npos;
        if (atEnd || meta[q + 1] == ';') {
          close = q;
          break;
        }
      }
      if (close == std::string::npos) {
        value = meta.substr(eq + 2);
        next = meta.size();
      } else {
        value = meta.substr(eq + 2, close - eq - 2);
        next = close + 2;
      }
    } else {
      size_t semi = meta.find(';', eq + 1);
      value = meta.substr(eq + 1, semi == std::string::npos ? std::string::npos : semi - eq - 1);
      if (!value.empty() && value.back() == '\'') value.pop_back();
      next = semi == std::string::npos ? meta.size() : semi + 1;
    }
    if (key == "streamtitle") {
      // Many servers send the 8-bit text of their source as it is.
      return text::IsValidUtf8(value) ? value : text::FromWindows1252(value);
    }
    pos = next;
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
