// The effects that run on a channel at mix time, and their parameter records.
// Every effect processes interleaved float stereo frames in place on the device thread:
// no allocation, no locks, denormals flushed, parameter changes without clicks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audiolib/dsp/FxTypes.h"

namespace alib::dsp {

// lChannel: -1 for all channels, otherwise a mask: 1 the first (left) channel, 2 the second.
inline constexpr int32_t kAllChannels = -1;

struct PeakEqParams {
  int32_t lBand = 0;
  float fBandwidth = 1.0f;  // octaves between the half-gain points, 0.1..10
  float fQ = 0.0f;          // used only when fBandwidth is 0
  float fCenter = 1000.0f;  // Hz
  float fGain = 0.0f;       // dB, -15..15
  int32_t lChannel = kAllChannels;
};

struct CompressorParams {
  float fGain = 0.0f;        // dB, -60..60
  float fThreshold = -15.0f; // dB, -60..0
  float fRatio = 3.0f;       // >= 1
  float fAttack = 10.0f;     // ms, 0.01..1000
  float fRelease = 200.0f;   // ms, 0.01..5000
  int32_t lChannel = kAllChannels;
};

struct AllPassParams {
  float fGain = 0.0f;   // -1..1
  float fDelay = 0.0f;  // seconds
  int32_t lChannel = kAllChannels;
};

struct AutoWahParams {
  float fDryMix = 0.0f, fWetMix = 0.0f;  // -2..2
  float fFeedback = 0.0f;                // -1..1
  float fRate = 0.0f;                    // sweep cycles per second
  float fRange = 0.0f;                   // octaves
  float fFreq = 0.0f;                    // base Hz
  int32_t lChannel = kAllChannels;
};

struct ChorusParams {
  float fDryMix = 0.0f, fWetMix = 0.0f;  // -2..2
  float fFeedback = 0.0f;                // -1..1
  float fMinSweep = 0.0f, fMaxSweep = 0.0f;  // ms
  float fRate = 0.0f;                    // ms of delay change per second
  int32_t lChannel = kAllChannels;
};

struct EchoParams {
  float fDryMix = 0.0f, fWetMix = 0.0f;  // -2..2
  float fFeedback = 0.0f;                // -1..1
  float fDelay = 0.0f;                   // seconds, 0..5
  int32_t lChannel = kAllChannels;
};

struct ReverbParams {
  float fLevel = 0.0f;   // linear wet level, 0..5
  int32_t lDelay = 1200; // reverberation time in ms, 1200..10000
};

// Size of the parameter record of a type, 0 for an unknown type.
size_t ParamSize(int32_t type);

class Effect {
 public:
  virtual ~Effect() = default;
  // Processes frames interleaved stereo float frames in place.
  virtual void Process(float* frames, size_t count) = 0;
  virtual void Reset() = 0;
  virtual int LatencyFrames() const { return 0; }
  // Takes a record of the effect's own type; false (the "illegal parameter" case) when the record
  // holds NaN or infinities: the previous parameters stay. Out-of-range values are clamped.
  // Not called concurrently with Process by the library (it swaps parameters at block boundaries).
  virtual bool SetParameters(const void* params) = 0;
  virtual void GetParameters(void* params) const = 0;
};

// The record handling of the effects whose parameters are one plain record: a null record is
// refused, Apply gets a copy to check, clamp and keep in params_.
template <class P>
class EffectWith : public Effect {
 public:
  bool SetParameters(const void* params) final {
    return params != nullptr && Apply(*static_cast<const P*>(params));
  }
  void GetParameters(void* params) const final {
    if (params != nullptr) *static_cast<P*>(params) = params_;
  }

 protected:
  virtual bool Apply(P p) = 0;
  P params_;
};

// A new effect of type for the sample rate, or null for an unknown type.
std::unique_ptr<Effect> CreateEffect(int32_t type, int sampleRate);

}  // namespace alib::dsp
