// Measures of the audio library: open + length per file, decode throughput per format, the cost
// of mixing on the manual device and how soon an attribute change is heard there.
// Usage: audiolib_bench [media folder]   (test media are made there with the ffmpeg command line)
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audiolib/AudioLib.h"
#include "unit/audiolib/TestMedia.h"

namespace {

using namespace alib;

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A 30 s tone in one of the test formats, made once in dir.
std::string Make(const std::string& dir, const testmedia::Format& f) {
  return testmedia::Make(dir, std::string("bench30-") + f.name, std::string(testmedia::kTone30) + " " + f.codec);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : "/tmp/audiolib-bench";
  std::system(("mkdir -p '" + dir + "'").c_str());

  printf("Open + length (100 opens per format, 1000 in all), decode throughput (whole 30 s file)\n");
  printf("%-16s %14s %16s %14s\n", "format", "open+len ms", "length s", "decode x real");
  double totalOpen = 0;
  int opens = 0;
  std::vector<testmedia::Format> formats = testmedia::Formats();
  formats.push_back({"video.wmv", nullptr});
  for (const testmedia::Format& f : formats) {
    std::string path = f.codec ? Make(dir, f) : testmedia::MakeWmv(dir, std::string("bench30-") + f.name, testmedia::kTone30);
    if (path.empty()) {
      printf("%-16s could not be made\n", f.name);
      continue;
    }
    double lengthSeconds = 0;
    double w0 = WallSeconds();
    for (int i = 0; i < 100; ++i) {
      uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
      if (!h) {
        printf("%s: open failed (%d)\n", f.name, ErrorGetCode());
        return 1;
      }
      lengthSeconds = ChannelBytes2Seconds(h, ChannelGetLength(h, kPosByte));
      StreamFree(h);
    }
    double openMs = (WallSeconds() - w0) * 1000.0 / 100.0;
    totalOpen += openMs * 100;
    opens += 100;

    uint32_t h = StreamCreateFile(false, path.c_str(), 0, 0, kStreamDecode);
    std::vector<float> buf(8192 * 2);
    double c0 = CpuSeconds();
    uint64_t frames = 0;
    for (;;) {
      uint32_t got = ChannelGetData(h, buf.data(), uint32_t(buf.size() * sizeof(float)));
      if (got == 0xFFFFFFFFu || got == 0) break;
      frames += got / 8;
    }
    double cpu = CpuSeconds() - c0;
    StreamFree(h);
    printf("%-16s %14.3f %16.3f %14.0f\n", f.name, openMs, lengthSeconds, double(frames) / 44100.0 / cpu);
  }
  printf("1000 opens: %.0f ms in all, %.3f ms per file\n\n", totalOpen, totalOpen / opens);

  // Mixing on the manual device.
  UseManualBackend({{"Bench", true}});
  Init(1, 44100, 0, nullptr);
  std::string wav = Make(dir, testmedia::Formats()[4]);  // pcm.wav
  uint32_t a = StreamCreateFile(false, wav.c_str(), 0, 0, 0);
  uint32_t src = StreamCreateFile(false, wav.c_str(), 0, 0, kStreamDecode);
  uint32_t b = TempoCreate(src, 0);
  ChannelPlay(a, false);
  ChannelPlay(b, false);
  std::vector<float> out(44100 * 2);
  double w0 = WallSeconds();
  for (int s = 0; s < 29; ++s) ManualRender(1, out.data(), 44100);
  double mixWall = WallSeconds() - w0;
  printf("Manual device, 2 streams (one through the tempo stage): %.0f audio seconds per wall second\n",
         29.0 / mixWall);

  // Attribute change: how many frames after the call the new volume is in the mix.
  ChannelSetPosition(a, 0, kPosByte);
  ChannelStop(b);
  std::vector<float> block(256 * 2);
  ManualRender(1, block.data(), 256);
  ChannelSetAttribute(a, kAttribVol, 0.0f);
  long latency = -1;
  for (int i = 0; i < 100 && latency < 0; ++i) {
    ManualRender(1, block.data(), 256);
    for (int k = 0; k < 256; ++k)
      if (block[2 * k] == 0.0f && block[2 * k + 1] == 0.0f && latency < 0) latency = i * 256 + k;
  }
  printf("Volume change heard after %ld frames (%.1f ms) on the manual device; mix period 256 frames (5.8 ms)\n",
         latency, latency / 44.1);

  // Tempo stream: pitch an octave up, then double tempo; 10 ms windows until each is heard.
  ChannelStop(a);
  uint32_t t = TempoCreate(StreamCreateFile(false, wav.c_str(), 0, 0, kStreamDecode), 0);
  ChannelPlay(t, false);
  std::vector<float> win(441 * 2);
  for (int i = 0; i < 50; ++i) ManualRender(1, win.data(), 441);
  ChannelSetAttribute(t, kAttribTempoPitch, 12.0f);
  int pitchMs = -1;
  for (int w = 0; w < 50 && pitchMs < 0; ++w) {
    ManualRender(1, win.data(), 441);
    int c = 0;
    for (int i = 0; i + 1 < 441; ++i)
      if ((win[2 * i] < 0) != (win[2 * i + 2] < 0)) ++c;
    if (c >= 16) pitchMs = w * 10;
  }
  ChannelSetAttribute(t, kAttribTempoPitch, 0.0f);
  for (int i = 0; i < 20; ++i) ManualRender(1, win.data(), 441);
  ChannelSetAttribute(t, kAttribTempo, 100.0f);
  int tempoMs = -1;
  for (int w = 0; w < 50 && tempoMs < 0; ++w) {
    int64_t p0 = ChannelGetPosition(t, kPosByte);
    ManualRender(1, win.data(), 441);
    if (ChannelGetPosition(t, kPosByte) - p0 >= 441 * 8 * 19 / 10) tempoMs = w * 10;
  }
  printf("Tempo stream: pitch change heard within %d ms, tempo change within %d ms (10 ms windows)\n",
         pitchMs + 10, tempoMs + 10);
  Shutdown();
  return 0;
}
