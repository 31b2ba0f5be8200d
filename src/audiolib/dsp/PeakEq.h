// Peaking equaliser: any number of bands up to kMaxBands in one effect, each an audio-EQ-cookbook
// peaking biquad whose bandwidth in octaves lies between the half-gain points.
#pragma once
#include <array>

#include "audiolib/dsp/Effect.h"

namespace alib::dsp {

class PeakEq final : public Effect {
 public:
  static constexpr int kMaxBands = 32;

  explicit PeakEq(int sampleRate);
  void Process(float* frames, size_t count) override;
  void Reset() override;
  // A record with a new lBand adds that band; an existing lBand changes it. lBand outside
  // 0..kMaxBands-1 is refused like a record with NaN or infinities.
  bool SetParameters(const void* params) override;
  // Reads lBand from the record it is given and fills in that band (gain 0 when it is unset).
  void GetParameters(void* params) const override;
  int BandCount() const;

 private:
  struct Coefs {
    float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
  };
  struct Band {
    bool active = false;
    PeakEqParams params;
    Coefs cur, step, target;
    int remaining = 0;
    float z1[2] = {0, 0}, z2[2] = {0, 0};
  };
  Coefs Design(const PeakEqParams& p) const;

  int sampleRate_;
  std::array<Band, kMaxBands> bands_;
};

}  // namespace alib::dsp
