// A decoder on its own thread feeding a bounded ring of float stereo frames. The consumer
// (a mixer or a tempo stream) reads from the ring and never waits for the network; tag changes
// are kept with the audio position they belong to, so they are reported when that audio is heard.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audiolib/Decoder.h"

namespace alib {

class SourceStream {
 public:
  SourceStream(std::unique_ptr<Decoder> decoder, std::unique_ptr<std::atomic<bool>> abort,
               bool network, size_t ringFrames);
  ~SourceStream();
  SourceStream(const SourceStream&) = delete;
  SourceStream& operator=(const SourceStream&) = delete;

  // Starts the decoding thread; streams that are only opened to learn their length never decode.
  void Start();
  bool IsNetwork() const { return network_; }
  int64_t LengthFrames() const { return length_; }
  bool Seekable() const { return seekable_; }

  // Consumer side (one consumer at a time). wait: block until frames are there or the stream ended.
  size_t Read(float* out, size_t frames, bool wait);
  bool AtEnd();               // decoding finished and every frame was read
  int64_t ReadPos() const { return readPos_.load(); }
  // Jumps to frame; the consumer must not read at the same time.
  bool Seek(int64_t frame);

  // Tag events (TagEvent bits) whose audio is at or before heardFrame and not reported yet.
  // Never allocates.
  uint32_t TakeTagEvents(int64_t heardFrame);
  // Tags as heard at heardFrame. False when the stream has none of that kind.
  bool Tags(uint32_t kind, int64_t heardFrame, std::string& out);

 private:
  struct Mark {
    int64_t frame;
    uint32_t events;
    bool reported;
    std::string icy;
    std::string ogg;  // Ogg comments from this point on, when they changed here
  };

  void Run();

  std::unique_ptr<Decoder> dec_;
  std::unique_ptr<std::atomic<bool>> abort_;
  const bool network_;
  int64_t length_;
  bool seekable_;

  std::mutex decMutex_;            // guards dec_ and staging_ (held while one packet decodes)
  std::vector<float> staging_;     // decoded frames not yet in the ring
  size_t stagingOff_ = 0;

  std::mutex ringMutex_;           // guards the ring, eof_ and marks_ (held for copies only)
  std::condition_variable ringCv_;
  std::unique_ptr<float[]> ring_;  // only what was written is read: not cleared
  size_t cap_;
  size_t head_ = 0, count_ = 0;    // in frames
  size_t stagingLeft_ = 0;         // frames still in staging_, as the ring side may read it
  bool eof_ = false;
  bool quit_ = false;
  uint64_t seekGen_ = 0;
  std::vector<Mark> marks_;
  // Tags as they were at open time; the decoder thread's mutex is never taken for them.
  std::string openMeta_, openOgg_, icyHeaders_, httpHeaders_, wmaTags_;
  bool hasOgg_ = false, hasIcy_ = false, hasHttp_ = false, hasWma_ = false;
  std::atomic<int64_t> readPos_{0};

  std::once_flag started_;
  std::thread thread_;
};

}  // namespace alib
