// Test media made at test time with the FFmpeg command line, and small signal helpers.
#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace testmedia {

inline std::string TmpDir(const std::string& sub) {
  const char* base = std::getenv("TONDRIAL_TEST_TMP");
  std::string dir = std::string(base && *base ? base : "/tmp") + "/" + sub;
  std::string cmd = "mkdir -p '" + dir + "'";
  if (std::system(cmd.c_str()) != 0) return "/tmp";
  return dir;
}

inline bool Exists(const std::string& path) {
  struct stat sb{};
  return ::stat(path.c_str(), &sb) == 0 && sb.st_size > 0;
}

// Runs an ffmpeg command line writing into path (given as {out}); made once, atomically.
inline std::string Make(const std::string& dir, const std::string& name, const std::string& args) {
  std::string path = dir + "/" + name;
  if (Exists(path)) return path;
  std::string ext = name.substr(name.rfind('.'));
  std::string tmp = dir + "/tmp-" + std::to_string(::getpid()) + "-" + name;
  std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " '" + tmp + "'";
  if (std::system(cmd.c_str()) != 0) return "";
  if (std::rename(tmp.c_str(), path.c_str()) != 0) return "";
  return path;
}

// A book of `seconds` of tone with chapters starting at the given seconds and named by titles,
// written by ffmpeg from a metadata file; extra: the codec options (the container follows name).
inline std::string MakeChapterBook(const std::string& dir, const std::string& name, int seconds,
                                   const std::vector<std::pair<int, std::string>>& chapters,
                                   const std::string& extra = "-c:a aac -b:a 64k") {
  std::string meta = dir + "/" + name + ".ffmeta";
  std::string text = ";FFMETADATA1\n";
  for (size_t i = 0; i < chapters.size(); ++i) {
    const int end = i + 1 < chapters.size() ? chapters[i + 1].first : seconds;
    text += "[CHAPTER]\nTIMEBASE=1/1000\nSTART=" + std::to_string(chapters[i].first * 1000) +
            "\nEND=" + std::to_string(end * 1000) + "\ntitle=" + chapters[i].second + "\n";
  }
  if (FILE* f = std::fopen(meta.c_str(), "w")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
  } else {
    return "";
  }
  return Make(dir, name,
              "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds) +
                  " -i '" + meta + "' -map 0:a -map_metadata 1 -map_chapters 1 -ac 2 " + extra);
}

// 30 s of a 440 Hz tone in stereo.
inline const char* kTone30 = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=30 -ac 2";
// 5 s of silence, then 5 s of a 1 kHz tone.
inline const char* kSilenceThenTone =
    "-f lavfi -i aevalsrc='if(gte(t\\,5)\\,0.5*sin(2*PI*1000*t)\\,0)':s=44100:d=10 -ac 2";

struct Format {
  const char* name;  // file name
  const char* codec; // ffmpeg output options
};

inline const std::vector<Format>& Formats() {
  static const std::vector<Format> f = {
      {"cbr.mp3", "-c:a libmp3lame -b:a 128k"},
      {"vbr.mp3", "-c:a libmp3lame -q:a 4"},
      {"vbr-noxing.mp3", "-c:a libmp3lame -q:a 4 -write_xing 0"},
      {"vorbis.ogg", "-c:a libvorbis -q:a 4"},
      {"pcm.wav", "-c:a pcm_s16le"},
      {"pcm.aiff", "-c:a pcm_s16be"},
      {"lossless.flac", "-c:a flac"},
      {"wma2.wma", "-c:a wmav2 -b:a 128k"},
      {"aac.m4a", "-c:a aac -b:a 128k"},
      {"opus.opus", "-c:a libopus -b:a 96k"},
      {"adts.aac", "-c:a aac -b:a 128k"},
  };
  return f;
}

// A WMV file (video and sound) of the given source.
inline std::string MakeWmv(const std::string& dir, const std::string& name, const char* audio) {
  return Make(dir, name,
              std::string("-f lavfi -i testsrc=size=160x120:rate=10 ") + audio +
                  " -map 0:v -map 1:a -shortest -c:v wmv2 -c:a wmav2 -b:a 128k");
}

// Index of the first frame whose left sample magnitude exceeds threshold, or -1.
inline long Onset(const std::vector<float>& stereo, float threshold = 0.1f) {
  for (size_t i = 0; i + 1 < stereo.size(); i += 2)
    if (std::fabs(stereo[i]) > threshold) return long(i / 2);
  return -1;
}

// RMS of the left channel over frames [from, from+count).
inline double Rms(const std::vector<float>& stereo, size_t from, size_t count) {
  double s = 0;
  size_t n = 0;
  for (size_t i = from; i < from + count && 2 * i < stereo.size(); ++i, ++n) s += double(stereo[2 * i]) * stereo[2 * i];
  return n ? std::sqrt(s / double(n)) : 0.0;
}

}  // namespace testmedia
