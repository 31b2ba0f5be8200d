// One media source decoded to 44100 Hz float stereo with FFmpeg: files and network streams,
// exact lengths, sample-accurate seeking, stream tags. Not thread-safe: its owner serialises calls.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace alib {

inline constexpr int kOutRate = 44100;

struct NetOptions {
  std::string agent;
  int connectTimeoutMs = 5000;
  int readTimeoutMs = 10000;
};

// What changed in the tags while decoding a chunk.
enum TagEvent : uint32_t { kTagEventNone = 0, kTagEventMeta = 1, kTagEventOgg = 2 };

class Decoder {
 public:
  Decoder();
  ~Decoder();
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // Opens path or URL; returns an error code of AudioLib.h (kOk on success).
  // abort, when set from another thread, breaks any blocking network call; cancel (the caller's,
  // read during the call only) breaks those of the opening.
  int Open(const std::string& location, bool network, const NetOptions& net, const std::atomic<bool>* abort,
           const std::atomic<bool>* cancel = nullptr);
  // Learns only the length (output frames) of a local file, as Open would give it, without
  // setting up the codec: for examining many files. Returns an error code like Open.
  int ProbeLength(const std::string& path, int64_t& frames);

  int64_t LengthFrames() const { return length_; }  // -1 when unknown (live streams)
  bool Seekable() const { return seekable_; }
  // Moves so that the next decoded frame is target (output frames). False when it cannot.
  bool Seek(int64_t target);
  // Decodes at least one packet and appends its frames to out. Returns false at the end of the
  // stream or on a fatal read error (then Failed() tells which). events gets TagEvent bits.
  bool DecodeMore(std::vector<float>& out, uint32_t& events);
  bool Failed() const { return failed_; }
  int64_t NextFrame() const { return next_; }

  // Tag texts as the library hands them out; empty optional = none of that kind.
  bool HasIcyMeta() const { return !icyMeta_.empty(); }
  const std::string& IcyMeta() const { return icyMeta_; }
  bool IcyHeaders(std::string& out) const;   // zero-separated entries, ended by an empty one
  bool HttpHeaders(std::string& out) const;
  bool OggComments(std::string& out) const;
  bool WmaTags(std::string& out) const;

 private:
  struct Impl;
  struct Probe;
  std::unique_ptr<Impl> impl_;
  int64_t length_ = -1;
  bool seekable_ = false;
  bool failed_ = false;
  int64_t next_ = 0;
  std::string icyMeta_;

  // lengthOnly: nothing will be decoded, so the length may be learnt without building an index.
  int OpenStream(const std::string& location, bool network, const NetOptions& net, const std::atomic<bool>* abort);
  int OpenFormat(const std::string& location, bool network, const NetOptions& net, bool lengthOnly, Probe& probe);
  bool FeedFrame(void* frame, std::vector<float>& out);
  bool SetupResampler(void* frame);
  void PollTags(uint32_t& events, void* packet);
};

// Reads a small playlist (PLS or M3U) at url and gives its first network link. False when the
// resource is not such a playlist or holds no http, https or ftp link. abort and cancel as for
// Decoder::Open.
bool PlaylistFirstLink(const std::string& url, const NetOptions& net, const std::atomic<bool>* abort,
                       const std::atomic<bool>* cancel, std::string& link);

// Keeps FFmpeg quiet and ready for network use; safe to call many times.
void InitFfmpegOnce();

}  // namespace alib
