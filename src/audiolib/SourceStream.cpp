#include "audiolib/SourceStream.h"

#include <algorithm>
#include <cstring>

#include "audiolib/AudioLib.h"

namespace alib {

SourceStream::SourceStream(std::unique_ptr<Decoder> decoder, std::unique_ptr<std::atomic<bool>> abort,
                           bool network, size_t ringFrames)
    : dec_(std::move(decoder)), abort_(std::move(abort)), network_(network), cap_(ringFrames) {
  length_ = dec_->LengthFrames();
  seekable_ = dec_->Seekable();
  openMeta_ = dec_->IcyMeta();
  hasOgg_ = dec_->OggComments(openOgg_);
  hasIcy_ = dec_->IcyHeaders(icyHeaders_);
  hasHttp_ = dec_->HttpHeaders(httpHeaders_);
  hasWma_ = dec_->WmaTags(wmaTags_);
  // Left uncleared: zeroing it faulted in every page on the thread that opens the stream, on
  // the way from a key to the sound; the decoder thread touches the pages as it fills them.
  ring_.reset(new float[cap_ * 2]);
  marks_.reserve(16);
  // Network streams start filling at once, so playing them does not begin with a stall.
  if (network_) Start();
}

void SourceStream::Start() {
  std::call_once(started_, [this] { thread_ = std::thread([this] { Run(); }); });
}

SourceStream::~SourceStream() {
  abort_->store(true);
  {
    std::lock_guard<std::mutex> lk(ringMutex_);
    quit_ = true;
  }
  ringCv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void SourceStream::Run() {
  for (;;) {
    std::unique_lock<std::mutex> dl(decMutex_);
    uint64_t gen;
    {
      std::lock_guard<std::mutex> lk(ringMutex_);
      if (quit_) return;
      gen = seekGen_;
    }
    bool ended = false;
    if (stagingOff_ >= staging_.size() / 2) {
      staging_.clear();
      stagingOff_ = 0;
      const int64_t chunkStart = dec_->NextFrame();
      uint32_t events = 0;
      ended = !dec_->DecodeMore(staging_, events);
      if (events != kTagEventNone) {
        std::lock_guard<std::mutex> lk(ringMutex_);
        // Forget old reported marks but keep the newest, which holds the title now heard.
        size_t lastReported = marks_.size();
        for (size_t i = 0; i < marks_.size(); ++i)
          if (marks_[i].reported) lastReported = i;
        if (lastReported != marks_.size() && lastReported > 0) {
          // What they said is what is heard now, unless a later mark says otherwise.
          for (size_t i = 0; i < lastReported; ++i) {
            if (!marks_[i].icy.empty()) openMeta_ = marks_[i].icy;
            if (!marks_[i].ogg.empty()) openOgg_ = marks_[i].ogg;
          }
          marks_.erase(marks_.begin(), marks_.begin() + long(lastReported));
        }
        if (marks_.size() < 256) {
          Mark m{chunkStart, events, false, dec_->IcyMeta(), {}};
          if (events & kTagEventOgg) dec_->OggComments(m.ogg);
          marks_.push_back(std::move(m));
        }
      }
    }
    std::unique_lock<std::mutex> lk(ringMutex_);
    if (gen != seekGen_) continue;  // a seek came in between; the chunk was dropped by it
    // Copy what fits.
    size_t avail = staging_.size() / 2 - stagingOff_;
    size_t n = std::min(avail, cap_ - count_);
    for (size_t i = 0; i < n;) {
      size_t pos = (head_ + count_) % cap_;
      size_t run = std::min(n - i, cap_ - pos);
      std::memcpy(&ring_[pos * 2], &staging_[(stagingOff_ + i) * 2], run * 2 * sizeof(float));
      count_ += run;
      i += run;
    }
    stagingOff_ += n;
    stagingLeft_ = staging_.size() / 2 - stagingOff_;
    if (ended && stagingLeft_ == 0) eof_ = true;
    ringCv_.notify_all();
    dl.unlock();
    // Wait for room, a seek or the end of the stream.
    ringCv_.wait(lk, [&] {
      if (quit_ || gen != seekGen_) return true;
      if (eof_) return false;
      const size_t left = stagingLeft_;
      return left == 0 ? count_ < cap_ : cap_ - count_ >= std::min(left, cap_ / 4);
    });
  }
}

size_t SourceStream::Read(float* out, size_t frames, bool wait) {
  Start();
  std::unique_lock<std::mutex> lk(ringMutex_);
  if (wait) ringCv_.wait(lk, [&] { return count_ >= frames || eof_ || quit_; });
  size_t n = std::min(frames, count_);
  for (size_t i = 0; i < n;) {
    size_t run = std::min(n - i, cap_ - head_);
    std::memcpy(out + i * 2, &ring_[head_ * 2], run * 2 * sizeof(float));
    head_ = (head_ + run) % cap_;
    count_ -= run;
    i += run;
  }
  readPos_.fetch_add(int64_t(n));
  lk.unlock();
  if (n) ringCv_.notify_all();
  return n;
}

bool SourceStream::AtEnd() {
  std::lock_guard<std::mutex> lk(ringMutex_);
  return eof_ && count_ == 0;
}

bool SourceStream::Seek(int64_t frame) {
  if (!seekable_ || frame < 0 || frame > length_) return false;
  std::lock_guard<std::mutex> dl(decMutex_);
  if (!dec_->Seek(frame)) return false;
  staging_.clear();
  stagingOff_ = 0;
  // Decode the run-in and the first frames here, so a live device does not play a gap of
  // silence while the decoding thread catches up.
  uint32_t events = 0;
  bool ended = false;
  while (staging_.empty() && !ended) ended = !dec_->DecodeMore(staging_, events);
  {
    std::lock_guard<std::mutex> lk(ringMutex_);
    head_ = count_ = 0;
    ++seekGen_;
    marks_.clear();
    readPos_.store(frame);
    size_t n = std::min(staging_.size() / 2, cap_);
    if (n) std::memcpy(ring_.get(), staging_.data(), n * 2 * sizeof(float));
    count_ = n;
    stagingOff_ = n;
    stagingLeft_ = staging_.size() / 2 - stagingOff_;
    eof_ = ended && stagingLeft_ == 0;
  }
  ringCv_.notify_all();
  return true;
}

uint32_t SourceStream::TakeTagEvents(int64_t heardFrame) {
  std::lock_guard<std::mutex> lk(ringMutex_);
  uint32_t ev = 0;
  for (Mark& m : marks_) {
    if (!m.reported && m.frame <= heardFrame) {
      m.reported = true;
      ev |= m.events;
    }
  }
  return ev;
}

bool SourceStream::Tags(uint32_t kind, int64_t heardFrame, std::string& out) {
  std::lock_guard<std::mutex> lk(ringMutex_);
  switch (kind) {
    case kTagMeta: {
      const std::string* cur = &openMeta_;
      for (const Mark& m : marks_)
        if (m.frame <= heardFrame && !m.icy.empty()) cur = &m.icy;
      if (cur->empty()) return false;
      out = *cur;
      return true;
    }
    case kTagOgg: {
      if (!hasOgg_) return false;
      const std::string* cur = &openOgg_;
      for (const Mark& m : marks_)
        if (m.frame <= heardFrame && !m.ogg.empty()) cur = &m.ogg;
      out = *cur;
      return true;
    }
    case kTagIcy: out = icyHeaders_; return hasIcy_;
    case kTagHttp: out = httpHeaders_; return hasHttp_;
    case kTagWma: out = wmaTags_; return hasWma_;
    default: return false;
  }
}

}  // namespace alib
