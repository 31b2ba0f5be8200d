// Feeds each reader the input that once cost it far more than its size, and prints the time
// and the peak memory above the process's start, each case in a child process of its own.
//   hostile_bench [scratch folder]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "access/Templates.h"
#include "app/FileUtil.h"
#include "audiolib/AudioLib.h"
#include "effects/Equalizer.h"
#include "lang/Lang.h"
#include "playlist/PlayListFile.h"
#include "playlist/Track.h"

namespace {

std::string g_dir;

double CpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

long PeakKiB() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

struct Case {
  const char* name;
  size_t inputBytes;
  std::function<void()> prepare;  // outside the measurement
  std::function<void()> run;
};

std::string Write(const std::string& name, const std::string& bytes) {
  std::string path = g_dir + name;
  fileutil::WriteFileAtomic(path, bytes);
  return path;
}

std::string Make(const std::string& name, const std::string& args) {
  std::string path = g_dir + name;
  std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " '" + path + "'";
  if (std::system(cmd.c_str()) != 0) std::exit(1);
  return path;
}

void Patch(const std::string& path, long offset, uint64_t value, int bytes) {
  FILE* f = std::fopen(path.c_str(), "r+b");
  std::fseek(f, offset, SEEK_SET);
  for (int i = 0; i < bytes; ++i) std::fputc(int((value >> (8 * i)) & 0xFF), f);
  std::fclose(f);
}

void OpenAndDecode(const std::string& path) {
  uint32_t h = alib::StreamCreateFile(false, path.c_str(), 0, 0, alib::kStreamDecode);
  if (!h) return;
  std::vector<float> buf(8192);
  for (int i = 0; i < 20; ++i)
    if (alib::ChannelGetData(h, buf.data(), uint32_t(buf.size() * 4)) == 0xFFFFFFFFu) break;
  alib::StreamFree(h);
}

}  // namespace

int main(int argc, char** argv) {
  g_dir = argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "tondrial-hostile-bench").string();
  if (g_dir.back() != '/') g_dir += '/';
  std::filesystem::create_directories(g_dir);

  // Inputs are made in each case's child, so the parent's peak stays small.
  std::string tmpl, semis, lines, tiny, huge;
  auto makeLines = [&] {
    for (int i = 0; i < 5 << 20; ++i) lines += "a\n";
  };
  std::vector<Case> cases = {
      {"FormatTime, 1 MB of sections", 1 << 20, [&] {
         for (int i = 0; i < 1 << 20; i += 6) tmpl += "[%hh]x";
       },
       [&] { FormatTime(5, tmpl); }},
      {"play list, 10 MB of NULs", 10 << 20, [&] { Write("nuls.m3u", std::string(10 << 20, '\0')); },
       [] {
         std::vector<Track> t;
         LoadPlayListFile(g_dir + "nuls.m3u", t, 0);
       }},
      {"play list, 10 MB of one-letter lines", 10 << 20, [&] {
         makeLines();
         Write("lines.m3u", lines);
         lines = std::string();
       },
       [] {
         std::vector<Track> t;
         LoadPlayListFile(g_dir + "lines.m3u", t, 0);
       }},
      {"language file, 10 MB of one-letter lines", 10 << 20, makeLines, [&] { ParseLanguageText(lines); }},
      {"equaliser text, 100 MB of ';'", 100 << 20, [&] { semis.assign(100 << 20, ';'); }, [&] {
         std::vector<alib::dsp::PeakEqParams> b;
         ParseEqualizerText(semis, b);
       }},
      {"compressor text, 100 MB of ';'", 100 << 20, [&] { semis.assign(100 << 20, ';'); },
       [&] { ParseCompressorText(semis); }},
      {"152-byte WAV at 400 MHz", 152,
       [&] {
         tiny = Make("tiny.wav", "-f lavfi -i anullsrc=r=8000:cl=mono -t 0.007 -c:a pcm_s16le -fflags +bitexact");
         Patch(tiny, 24, 400000000, 4);
         Patch(tiny, 28, 800000000, 4);
       },
       [&] { OpenAndDecode(tiny); }},
      {"RF64 claiming 2^61 frames", 9714,
       [&] {
         huge = Make("huge.wav", "-f lavfi -i sine=sample_rate=8000:duration=0.3 -c:a pcm_s16le -rf64 always");
         Patch(huge, 28, uint64_t(1) << 62, 8);
         Patch(huge, 36, uint64_t(1) << 61, 8);
       },
       [&] { OpenAndDecode(huge); }},
  };
  for (const Case& c : cases) {
    pid_t pid = fork();
    if (pid == 0) {
      c.prepare();
      const long before = PeakKiB();
      const double cpu0 = CpuSeconds();
      auto t0 = std::chrono::steady_clock::now();
      c.run();
      const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      std::printf("%-42s input %9zu B  cpu %6.3f s  wall %6.3f s  peak +%7ld KiB\n", c.name, c.inputBytes,
                  CpuSeconds() - cpu0, wall, PeakKiB() - before);
      std::fflush(stdout);
      std::_Exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
  }
  return 0;
}
