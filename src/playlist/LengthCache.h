// Lengths of files learnt at earlier starts, kept in a file beside the settings, so that a
// start opens only the files it does not know yet. An entry counts only while the file keeps
// the size and modification time it had when examined. The file is a cache: when it is
// missing or damaged it is ignored and written anew.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

class LengthCache {
 public:
  // Replaces the entries with the file's. False (and no entries) when it is missing or damaged.
  bool Load(const std::string& path);
  // Writes every entry crash-safe (temporary file and rename). False when it cannot.
  bool Save(const std::string& path) const;

  // Length in whole seconds of file as it was when examined with this size and time.
  bool Find(const std::string& file, int64_t size, int64_t mtime, int32_t& seconds);
  void Put(const std::string& file, int64_t size, int64_t mtime, int32_t seconds);
  // Some entry was added or replaced since the last Load or Save.
  bool Changed() const { return changed_; }
  size_t Size() const { return entries_.size(); }
  void Clear();

  // Size and modification time of a plain non-empty file; false for anything else.
  static bool Stamp(const std::string& file, int64_t& size, int64_t& mtime);

 private:
  struct Entry {
    int64_t size = 0;
    int64_t mtime = 0;
    int32_t seconds = 0;
    bool used = false;  // found or put in this run
  };
  std::unordered_map<std::string, Entry> entries_;
  mutable bool changed_ = false;
};
