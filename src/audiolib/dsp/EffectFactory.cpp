// Creation of effects by type number and the sizes of their parameter records.
#include "audiolib/dsp/AllPass.h"
#include "audiolib/dsp/AutoWah.h"
#include "audiolib/dsp/Chorus.h"
#include "audiolib/dsp/Compressor.h"
#include "audiolib/dsp/Echo.h"
#include "audiolib/dsp/Effect.h"
#include "audiolib/dsp/PeakEq.h"
#include "audiolib/dsp/Reverb.h"

namespace alib::dsp {

size_t ParamSize(int32_t type) {
  switch (type) {
    case kFxReverb: return sizeof(ReverbParams);
    case kFxAutoWah: return sizeof(AutoWahParams);
    case kFxEcho: return sizeof(EchoParams);
    case kFxChorus: return sizeof(ChorusParams);
    case kFxAllPass: return sizeof(AllPassParams);
    case kFxPeakEq: return sizeof(PeakEqParams);
    case kFxCompressor: return sizeof(CompressorParams);
    default: return 0;
  }
}

std::unique_ptr<Effect> CreateEffect(int32_t type, int sampleRate) {
  // Outside this range the delay lines would be absurd in size or the filters meaningless.
  if (sampleRate < 1000 || sampleRate > 768000) return nullptr;
  switch (type) {
    case kFxReverb: return std::make_unique<Reverb>(sampleRate);
    case kFxAutoWah: return std::make_unique<AutoWah>(sampleRate);
    case kFxEcho: return std::make_unique<Echo>(sampleRate);
    case kFxChorus: return std::make_unique<Chorus>(sampleRate);
    case kFxAllPass: return std::make_unique<AllPass>(sampleRate);
    case kFxPeakEq: return std::make_unique<PeakEq>(sampleRate);
    case kFxCompressor: return std::make_unique<Compressor>(sampleRate);
    default: return nullptr;
  }
}

}  // namespace alib::dsp
