// The effect types: the values callers of the audio library pass to attach an effect.
#pragma once
#include <cstdint>

namespace alib::dsp {

enum FxType : int32_t {
  kFxReverb = 0x10005,
  kFxAutoWah = 0x10009,
  kFxEcho = 0x1000A,
  kFxChorus = 0x1000D,
  kFxAllPass = 0x1000E,
  kFxPeakEq = 0x10004,
  kFxCompressor = 0x10011,
};

}  // namespace alib::dsp
