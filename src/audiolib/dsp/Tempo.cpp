#include "audiolib/dsp/Tempo.h"

#include <SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace alib::dsp {

struct TempoProcessor::Impl {
  soundtouch::SoundTouch st;
  float tempo = 0.0f, pitch = 0.0f;
  // Frames that bypass the processor at 0/0, or that it gave back when it was switched off.
  std::vector<float> queue;
  size_t queueRead = 0;  // in frames
  double totalIn = 0.0, consumed = 0.0;

  bool Transparent() const { return tempo == 0.0f && pitch == 0.0f; }
  size_t Queued() const { return queue.size() / 2 - queueRead; }
  void Append(const float* frames, size_t count) {
    if (queueRead > 0 && queueRead * 2 >= queue.size() / 2) {
      queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(queueRead * 2));
      queueRead = 0;
    }
    queue.insert(queue.end(), frames, frames + count * 2);
  }
  // The processor's own latency would otherwise turn off with the effect: hand what it still
  // holds to the queue so nothing is lost.
  void DrainProcessor() {
    st.flush();
    float buf[2048 * 2];
    for (;;) {
      unsigned got = st.receiveSamples(buf, 2048);
      if (got == 0) break;
      Append(buf, got);
    }
    st.clear();
    consumed = std::max(0.0, totalIn - static_cast<double>(Queued()));
  }
  void Apply(bool wasTransparent) {
    st.setTempoChange(tempo);
    st.setPitchSemiTones(pitch);
    if (!wasTransparent && Transparent()) DrainProcessor();
  }
};

TempoProcessor::TempoProcessor(int sampleRate) : impl_(std::make_unique<Impl>()) {
  impl_->st.setSampleRate(static_cast<unsigned>(std::max(1000, sampleRate)));
  impl_->st.setChannels(2);
  impl_->st.setSetting(SETTING_USE_AA_FILTER, 1);
}

TempoProcessor::~TempoProcessor() = default;

void TempoProcessor::SetTempo(float percent) {
  if (!std::isfinite(percent)) return;
  bool was = impl_->Transparent();
  impl_->tempo = std::clamp(percent, -95.0f, 5000.0f);
  impl_->Apply(was);
}

void TempoProcessor::SetPitch(float semitones) {
  if (!std::isfinite(semitones)) return;
  bool was = impl_->Transparent();
  impl_->pitch = std::clamp(semitones, -60.0f, 60.0f);
  impl_->Apply(was);
}

float TempoProcessor::Tempo() const { return impl_->tempo; }
float TempoProcessor::Pitch() const { return impl_->pitch; }
bool TempoProcessor::IsTransparent() const { return impl_->Transparent(); }

void TempoProcessor::Put(const float* frames, size_t count) {
  if (frames == nullptr || count == 0) return;
  impl_->totalIn += static_cast<double>(count);
  if (impl_->Transparent()) {
    impl_->Append(frames, count);
  } else {
    impl_->st.putSamples(frames, static_cast<unsigned>(count));
  }
}

size_t TempoProcessor::Receive(float* out, size_t max) {
  if (out == nullptr || max == 0) return 0;
  Impl& m = *impl_;
  size_t done = 0;
  size_t q = std::min(max, m.Queued());
  if (q > 0) {
    std::memcpy(out, m.queue.data() + m.queueRead * 2, q * 2 * sizeof(float));
    m.queueRead += q;
    m.consumed += static_cast<double>(q);
    done = q;
    if (m.Queued() == 0) {
      m.queue.clear();
      m.queueRead = 0;
    }
  }
  if (done < max && !m.Transparent()) {
    unsigned got = m.st.receiveSamples(out + done * 2, static_cast<unsigned>(max - done));
    if (got > 0) {
      // Output frames stand for input frames in the ratio of the current tempo.
      double ratio = m.st.getInputOutputSampleRatio();
      m.consumed += ratio > 0.0 ? got / ratio : got;
      done += got;
    }
  }
  m.consumed = std::min(m.consumed, m.totalIn);
  return done;
}

double TempoProcessor::SourceFramesInside() const { return std::max(0.0, impl_->totalIn - impl_->consumed); }

void TempoProcessor::Clear() {
  impl_->st.clear();
  impl_->queue.clear();
  impl_->queueRead = 0;
  impl_->totalIn = impl_->consumed = 0.0;
}

void TempoProcessor::Flush() {
  if (!impl_->Transparent()) impl_->st.flush();
}

}  // namespace alib::dsp
