// The equaliser and compressor texts of the settings.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "effects/EffectSets.h"
#include "effects/Equalizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<alib::dsp::PeakEqParams> bands;
  ParseEqualizerText(text, bands);
  if (bands.size() > kMaxEqualizerBands) std::abort();
  for (const auto& b : bands)
    if (!(b.fGain >= -15 && b.fGain <= 15) || !(b.fCenter >= 20 && b.fCenter <= 20000)) std::abort();
  const alib::dsp::CompressorParams p = ParseCompressorText(text);
  for (float v : {p.fGain, p.fAttack, p.fRelease, p.fThreshold, p.fRatio})
    if (!std::isfinite(v)) std::abort();
  // Written and read back, the parameters stay the same.
  const std::string written = CompressorText(p);
  if (CompressorText(ParseCompressorText(written)) != written) std::abort();
  if (!std::isfinite(LeadingDecimal(text))) std::abort();
  return 0;
}
