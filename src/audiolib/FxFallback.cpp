// Pass-through stand-ins for the effect bodies and the tempo processor. They are weak: the real
// DSP objects define the same symbols and replace them at link time. The chain, parameter
// storage and validation work with these; audio passes through unchanged.
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "audiolib/dsp/Effect.h"
#include "audiolib/dsp/Tempo.h"

#define ALIB_WEAK __attribute__((weak))

namespace alib::dsp {

namespace {

// Field kinds of each parameter record, one letter per 32-bit field: f float, i integer.
const char* FieldKinds(int32_t type) {
  switch (type) {
    case kFxPeakEq: return "iffffi";
    case kFxCompressor: return "fffffi";
    case kFxAllPass: return "ffi";
    case kFxAutoWah: return "ffffffi";
    case kFxChorus: return "ffffffi";
    case kFxEcho: return "ffffi";
    case kFxReverb: return "fi";
    default: return nullptr;
  }
}

bool FiniteRecord(int32_t type, const void* params) {
  const char* kinds = FieldKinds(type);
  const auto* p = static_cast<const unsigned char*>(params);
  for (size_t i = 0; kinds[i]; ++i) {
    if (kinds[i] != 'f') continue;
    float f;
    std::memcpy(&f, p + i * 4, 4);
    if (!std::isfinite(f)) return false;
  }
  return true;
}

class PassThroughEffect final : public Effect {
 public:
  explicit PassThroughEffect(int32_t type) : type_(type), size_(ParamSize(type)) {
    current_.assign(size_, 0);
  }
  void Process(float*, size_t) override {}
  void Reset() override {}
  bool SetParameters(const void* params) override {
    if (!params || !FiniteRecord(type_, params)) return false;
    const auto* p = static_cast<const unsigned char*>(params);
    if (type_ == kFxPeakEq) {
      int32_t band;
      std::memcpy(&band, p, 4);
      if (band < 0 || band > 255) return false;
      bands_[band].assign(p, p + size_);
    }
    current_.assign(p, p + size_);
    return true;
  }
  void GetParameters(void* params) const override {
    if (!params) return;
    if (type_ == kFxPeakEq) {
      // The caller names the band it wants in lBand.
      int32_t band;
      std::memcpy(&band, params, 4);
      auto it = bands_.find(band);
      if (it != bands_.end()) {
        std::memcpy(params, it->second.data(), size_);
        return;
      }
    }
    std::memcpy(params, current_.data(), size_);
  }

 private:
  int32_t type_;
  size_t size_;
  std::vector<unsigned char> current_;
  std::map<int32_t, std::vector<unsigned char>> bands_;
};

}  // namespace

ALIB_WEAK size_t ParamSize(int32_t type) {
  switch (type) {
    case kFxPeakEq: return sizeof(PeakEqParams);
    case kFxCompressor: return sizeof(CompressorParams);
    case kFxAllPass: return sizeof(AllPassParams);
    case kFxAutoWah: return sizeof(AutoWahParams);
    case kFxChorus: return sizeof(ChorusParams);
    case kFxEcho: return sizeof(EchoParams);
    case kFxReverb: return sizeof(ReverbParams);
    default: return 0;
  }
}

ALIB_WEAK std::unique_ptr<Effect> CreateEffect(int32_t type, int sampleRate) {
  (void)sampleRate;
  if (!FieldKinds(type)) return nullptr;
  auto e = std::make_unique<PassThroughEffect>(type);
  return e;
}

struct TempoProcessor::Impl {
  float tempo = 0.0f;
  float pitch = 0.0f;
  std::vector<float> fifo;  // frames put and not yet received
  size_t readOff = 0;       // in floats
};

ALIB_WEAK TempoProcessor::TempoProcessor(int sampleRate) : impl_(std::make_unique<Impl>()) { (void)sampleRate; }
ALIB_WEAK TempoProcessor::~TempoProcessor() = default;
ALIB_WEAK void TempoProcessor::SetTempo(float percent) { impl_->tempo = percent; }
ALIB_WEAK void TempoProcessor::SetPitch(float semitones) { impl_->pitch = semitones; }
ALIB_WEAK float TempoProcessor::Tempo() const { return impl_->tempo; }
ALIB_WEAK float TempoProcessor::Pitch() const { return impl_->pitch; }
ALIB_WEAK bool TempoProcessor::IsTransparent() const { return impl_->tempo == 0.0f && impl_->pitch == 0.0f; }

ALIB_WEAK void TempoProcessor::Put(const float* frames, size_t count) {
  Impl& d = *impl_;
  if (d.readOff > 0 && d.readOff == d.fifo.size()) {
    d.fifo.clear();
    d.readOff = 0;
  }
  d.fifo.insert(d.fifo.end(), frames, frames + count * 2);
}

ALIB_WEAK size_t TempoProcessor::Receive(float* out, size_t max) {
  Impl& d = *impl_;
  size_t avail = (d.fifo.size() - d.readOff) / 2;
  size_t n = avail < max ? avail : max;
  if (n == 0) return 0;
  std::memcpy(out, d.fifo.data() + d.readOff, n * 2 * sizeof(float));
  d.readOff += n * 2;
  if (d.readOff == d.fifo.size()) {
    d.fifo.clear();
    d.readOff = 0;
  }
  return n;
}

ALIB_WEAK double TempoProcessor::SourceFramesInside() const {
  return double((impl_->fifo.size() - impl_->readOff) / 2);
}

ALIB_WEAK void TempoProcessor::Clear() {
  impl_->fifo.clear();
  impl_->readOff = 0;
}

ALIB_WEAK void TempoProcessor::Flush() {}

}  // namespace alib::dsp
