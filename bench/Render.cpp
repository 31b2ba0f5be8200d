// tondrial-render FILE [--tempo P] [--pitch S] [--chain full|none] [--rate R] [--write OUT]
// Runs a file through the Output chain as fast as it can and reports the processor time.
// FILE is a WAVE file, or "-" for raw float stereo on standard input (ffmpeg -f f32le -ac 2 -).
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "RenderChain.h"
#include "WavReader.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int Usage() {
  std::fprintf(stderr, "usage: tondrial-render FILE [--tempo P] [--pitch S] [--chain full|none] [--rate R] [--write OUT]\n");
  return 2;
}

bool Number(const char* text, double lo, double hi, double& out) {
  char* end = nullptr;
  out = std::strtod(text, &end);
  return end != text && *end == '\0' && out >= lo && out <= hi;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string file = argv[1];
  tbench::RenderOptions opt;
  double rate = 44100;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* v = argv[++i];
    double d = 0;
    if (a == "--tempo" && Number(v, -95, 5000, d)) {
      opt.tempo = static_cast<float>(d);
    } else if (a == "--pitch" && Number(v, -60, 60, d)) {
      opt.pitch = static_cast<float>(d);
    } else if (a == "--rate" && Number(v, 1000, 768000, d)) {
      rate = d;
    } else if (a == "--write") {
      opt.write = v;
    } else if (a == "--chain" && (std::strcmp(v, "full") == 0 || std::strcmp(v, "none") == 0)) {
      opt.fullChain = std::strcmp(v, "full") == 0;
    } else {
      return Usage();
    }
  }
  double start = CpuSeconds();
  tbench::AudioStream source;
  if (file == "-") {
    source.OpenRawF32(stdin, static_cast<int>(rate));
  } else {
    std::string error;
    if (!source.OpenWav(file, error)) {
      std::fprintf(stderr, "render: %s\n", error.c_str());
      return 1;
    }
  }
  tbench::RenderChain chain(source.SampleRate(), opt);
  tbench::RenderResult r = chain.Run(source);
  double cpu = CpuSeconds() - start;
  const int sampleRate = source.SampleRate();
  double seconds = static_cast<double>(r.inputFrames) / sampleRate;
  std::printf("output: %.3f s, peak %.3f, checksum %.6g\n", static_cast<double>(r.outputFrames) / sampleRate,
              r.peak, r.checksum);
  std::printf("render: %.3f s audio, %.3f s cpu\n", seconds, cpu);
  return 0;
}
