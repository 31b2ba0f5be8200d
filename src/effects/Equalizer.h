// The Output's peaking equaliser and compressor, stored as short texts in the settings.
#pragma once
#include <string>
#include <vector>

#include "audiolib/dsp/Effect.h"
#include "effects/EffectChain.h"

// "freq§bandwidth#gain;" entries ("#" may come before "§"): the valid bands, at most 15,
// numbered in order.
void ParseEqualizerText(const std::string& text, std::vector<alib::dsp::PeakEqParams>& bands);
inline constexpr size_t kMaxEqualizerBands = 15;

// "gain;attack;release;threshold;ratio;": empty fields take the defaults, others are clamped.
alib::dsp::CompressorParams ParseCompressorText(const std::string& text);
std::string CompressorText(const alib::dsp::CompressorParams& params);

struct CompressorModel {
  const char* name;
  alib::dsp::CompressorParams params;
};
// "Default" and "Compressor 2", the choices of the compressor page.
const std::vector<CompressorModel>& CompressorModels();
