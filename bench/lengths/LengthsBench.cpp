// Learning lengths: time per file and error against the decoded audio, over a folder of files
// made by make_media.sh (names "<length>-<copy>-<kind>").
// Usage: lengths_bench FOLDER
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "audiolib/AudioLib.h"

namespace {

using namespace alib;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int64_t DecodedFrames(const std::string& path) {
  uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
  if (!h) return -1;
  std::vector<float> buf(8192 * 2);
  int64_t frames = 0;
  for (;;) {
    uint32_t got = ChannelGetData(h, buf.data(), uint32_t(buf.size() * sizeof(float)));
    if (got == 0xFFFFFFFFu || got == 0) break;
    frames += got / 8;
  }
  StreamFree(h);
  return frames;
}

struct Kind {
  std::vector<double> probeMs;   // FileGetLength
  std::vector<double> streamMs;  // StreamCreateFile + ChannelGetLength + StreamFree
  double maxErrorMs = 0;
  int files = 0;
  int failed = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lengths_bench FOLDER [--probe-only]\n");
    return 2;
  }
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(argv[1]))
    if (e.is_regular_file() && e.path().filename().string()[0] != '.') files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  // Once over every file so that all of them come from the page cache, as with soxi after it.
  for (const std::string& f : files) FileGetLength(f.c_str());
  if (argc > 2 && std::string(argv[2]) == "--probe-only") {
    // Only the examination, ten times over: for a profiler.
    double t0 = Now();
    for (int round = 0; round < 10; ++round)
      for (const std::string& f : files) FileGetLength(f.c_str());
    std::printf("probe only: %.3f ms per file\n", (Now() - t0) * 1e3 / double(10 * files.size()));
    return 0;
  }

  std::map<std::string, Kind> kinds;
  std::vector<double> all, allStream;
  double worstMs = 0;
  std::string worst;
  for (const std::string& f : files) {
    std::string name = std::filesystem::path(f).filename().string();
    size_t d1 = name.find('-'), d2 = name.find('-', d1 + 1);
    if (d1 == std::string::npos || d2 == std::string::npos) continue;
    Kind& k = kinds[name.substr(d2 + 1)];
    ++k.files;
    double t0 = Now();
    int64_t bytes = FileGetLength(f.c_str());
    double t1 = Now();
    uint32_t h = StreamCreateFile(false, f.c_str(), 0, 0, kStreamDecode);
    int64_t streamBytes = h ? ChannelGetLength(h, kPosByte) : -1;
    if (h) StreamFree(h);
    double t2 = Now();
    k.probeMs.push_back((t1 - t0) * 1e3);
    k.streamMs.push_back((t2 - t1) * 1e3);
    all.push_back((t1 - t0) * 1e3);
    allStream.push_back((t2 - t1) * 1e3);
    if (bytes < 0 || bytes != streamBytes) {
      ++k.failed;
      continue;
    }
    // Copies hold the same audio: decode the first of each.
    if (name.substr(d1 + 1, d2 - d1 - 1) != "0") continue;
    int64_t decoded = DecodedFrames(f);
    double errMs = std::fabs(double(bytes / 8 - decoded)) * 1000.0 / 44100.0;
    k.maxErrorMs = std::max(k.maxErrorMs, errMs);
    if (errMs > worstMs) {
      worstMs = errMs;
      worst = name;
    }
  }
  std::printf("%-16s %6s %14s %16s %14s\n", "kind", "files", "length ms", "via stream ms", "max error ms");
  for (const auto& [name, k] : kinds)
    std::printf("%-16s %6d %14.3f %16.3f %14.3f%s\n", name.c_str(), k.files, Median(k.probeMs), Median(k.streamMs),
                k.maxErrorMs, k.failed ? "  (some failed)" : "");
  double sum = 0;
  for (double v : all) sum += v;
  std::printf("lengths: %zu files, median %.3f ms, mean %.3f ms per file (via a stream: median %.3f ms); "
              "max error %.3f ms (%s)\n",
              all.size(), Median(all), all.empty() ? 0.0 : sum / double(all.size()), Median(allStream), worstMs,
              worst.empty() ? "-" : worst.c_str());
  return 0;
}
