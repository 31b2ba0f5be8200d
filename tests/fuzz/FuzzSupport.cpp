#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fuzz {

const std::string& Scratch() {
  // Never destroyed: the clean-up at exit still needs it.
  static const std::string& dir = *new std::string([] {
    // tmpfs when there is one: inputs are written once per run.
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string d = std::string(base) + "/tondrial-fuzz-" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(d);
    std::atexit([] { std::filesystem::remove_all(Scratch()); });
    return d;
  }());
  return dir;
}

std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) {
  std::string path = Scratch() + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return path;
}

int64_t TakeInt(const uint8_t*& data, size_t& size, size_t bytes) {
  if (size < bytes) return 0;
  uint64_t v = 0;
  for (size_t i = 0; i < bytes; ++i) v |= uint64_t(data[i]) << (8 * i);
  data += bytes;
  size -= bytes;
  return static_cast<int64_t>(v);
}

}  // namespace fuzz
