#include "playlist/LengthCache.h"

#include <charconv>
#include <chrono>
#include <climits>
#include <filesystem>

#include "app/FileUtil.h"
#include "platform/Files.h"

namespace {

// Changes whenever the way lengths are learnt changes, so old entries are not trusted.
const char* const kHeader = "Tondrial lengths 1";
// Beyond this many entries, those not used in this run are left out when saving.
constexpr size_t kMaxEntries = 100000;

bool ParseInt(const std::string& text, size_t& pos, char end, int64_t& value) {
  size_t stop = text.find(end, pos);
  if (stop == std::string::npos) return false;
  const char* first = text.data() + pos;
  const char* last = text.data() + stop;
  auto r = std::from_chars(first, last, value);
  if (r.ec != std::errc() || r.ptr != last || first == last) return false;
  pos = stop + 1;
  return true;
}

}  // namespace

void LengthCache::Clear() {
  entries_.clear();
  changed_ = false;
}

bool LengthCache::Load(const std::string& path) {
  Clear();
  std::string text;
  if (!fileutil::ReadFile(path, text)) return false;
  const std::string head = std::string(kHeader) + "\n";
  if (text.compare(0, head.size(), head) != 0) return false;
  // Lines "size<TAB>mtime<TAB>seconds<TAB>path", then "end<TAB>count": a file cut short or
  // altered anywhere is dropped whole.
  size_t pos = head.size();
  std::unordered_map<std::string, Entry> read;
  for (;;) {
    if (pos >= text.size()) return false;
    if (text.compare(pos, 4, "end\t") == 0) {
      pos += 4;
      int64_t count = 0;
      if (!ParseInt(text, pos, '\n', count) || pos != text.size() || count != int64_t(read.size())) return false;
      break;
    }
    Entry e;
    int64_t seconds = 0;
    if (!ParseInt(text, pos, '\t', e.size) || !ParseInt(text, pos, '\t', e.mtime) ||
        !ParseInt(text, pos, '\t', seconds) || seconds < 0 || seconds > INT32_MAX || e.size <= 0)
      return false;
    e.seconds = int32_t(seconds);
    size_t stop = text.find('\n', pos);
    if (stop == std::string::npos || stop == pos) return false;
    read[text.substr(pos, stop - pos)] = e;
    pos = stop + 1;
  }
  entries_ = std::move(read);
  return true;
}

bool LengthCache::Save(const std::string& path) const {
  const bool prune = entries_.size() > kMaxEntries;
  std::string text = std::string(kHeader) + "\n";
  size_t count = 0;
  for (const auto& [file, e] : entries_) {
    if (prune && !e.used) continue;
    text += std::to_string(e.size) + "\t" + std::to_string(e.mtime) + "\t" + std::to_string(e.seconds) + "\t" + file + "\n";
    ++count;
  }
  text += "end\t" + std::to_string(count) + "\n";
  if (fileutil::WriteFileAtomic(path, text) == 0) return false;
  changed_ = false;
  return true;
}

bool LengthCache::Find(const std::string& file, int64_t size, int64_t mtime, int32_t& seconds) {
  auto it = entries_.find(file);
  if (it == entries_.end() || it->second.size != size || it->second.mtime != mtime) return false;
  it->second.used = true;
  seconds = it->second.seconds;
  return true;
}

void LengthCache::Put(const std::string& file, int64_t size, int64_t mtime, int32_t seconds) {
  // A line break in a name would end its line early; such files are examined every time.
  if (file.empty() || file.find('\n') != std::string::npos || seconds < 0) return;
  Entry& e = entries_[file];
  if (e.size == size && e.mtime == mtime && e.seconds == seconds && e.used) return;
  e = Entry{size, mtime, seconds, true};
  changed_ = true;
}

bool LengthCache::Stamp(const std::string& file, int64_t& size, int64_t& mtime) {
  std::error_code ec;
  const std::filesystem::path path = platform::FsPath(file);
  auto st = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::is_regular_file(st)) return false;
  auto bytes = std::filesystem::file_size(path, ec);
  if (ec || bytes == 0) return false;
  auto time = std::filesystem::last_write_time(path, ec);
  if (ec) return false;
  size = int64_t(bytes);
  mtime = int64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count());
  return true;
}
