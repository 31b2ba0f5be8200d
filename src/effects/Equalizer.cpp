#include "effects/Equalizer.h"

#include <charconv>
#include <system_error>

#include "audio/AudioErrors.h"
#include "audiolib/AudioLib.h"
#include "effects/EffectSets.h"
#include "app/TextUtil.h"

using namespace alib::dsp;

namespace {

const std::string kSection = "\xC2\xA7";  // "§"
const char* const kEqCaller = "ParamEQ_ChannelUpdate()";
const char* const kCompressorCaller = "Compressor2";

double Clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

// The text after the mark up to the next occurrence of the same mark; the entry keeps what
// stood before the mark.
std::string CutAfter(std::string& entry, size_t at, const std::string& mark) {
  size_t from = at + mark.size();
  size_t next = entry.find(mark, from);
  std::string part = entry.substr(from, next == std::string::npos ? std::string::npos : next - from);
  entry.erase(at);
  return part;
}

}  // namespace

void ParseEqualizerText(const std::string& eqText, std::vector<PeakEqParams>& bands) {
  bands.clear();
  // Entries are taken one at a time up to the last band kept: a long text costs no more
  // than its first bands (the piece after the last ";" is not an entry).
  size_t from = 0;
  for (size_t semi = eqText.find(';'); semi != std::string::npos && bands.size() < kMaxEqualizerBands;
       from = semi + 1, semi = eqText.find(';', from)) {
    if (semi == from) continue;  // an empty entry: nothing to read, and runs of them are common in junk
    std::string entry = eqText.substr(from, semi - from);
    size_t hash = entry.find('#');
    size_t sect = entry.find(kSection);
    std::string freq, width, gain;
    if (hash == std::string::npos && sect == std::string::npos) {
      freq = entry;
    } else if (hash != std::string::npos && (sect == std::string::npos || hash > sect)) {
      gain = CutAfter(entry, hash, "#");
      size_t s = entry.find(kSection);
      if (s != std::string::npos) width = CutAfter(entry, s, kSection);
      freq = entry;
    } else {
      width = CutAfter(entry, sect, kSection);
      size_t h = entry.find('#');
      if (h != std::string::npos) gain = CutAfter(entry, h, "#");
      freq = entry;
    }
    double f = LeadingDecimal(freq), bw = LeadingDecimal(width), g = LeadingDecimal(gain);
    if (f < 20 || f > 20000 || bw < 0.1 || bw > 10) continue;
    PeakEqParams band;
    band.lBand = static_cast<int32_t>(bands.size());
    band.fBandwidth = static_cast<float>(bw);
    band.fQ = 0.0f;
    band.fCenter = static_cast<float>(f);
    band.fGain = static_cast<float>(Clamp(g, -15, 15));
    band.lChannel = kAllChannels;
    bands.push_back(band);
  }
}

void ApplyEqualizer(uint32_t channel, AppliedEffectList& list, const std::string& eqText) {
  if (channel == 0) return;
  std::vector<PeakEqParams> bands;
  ParseEqualizerText(eqText, bands);
  if (bands.empty()) {
    DetachEffect(channel, alib::kFxPeakEq, list, kEqCaller);
    return;
  }
  uint32_t fx = 0;
  if (HasEffect(alib::kFxPeakEq, list)) fx = list.items[static_cast<size_t>(list.current)].handle;
  else fx = AttachEffect(channel, alib::kFxPeakEq, list, kEqCaller);
  if (fx == 0) return;
  for (const PeakEqParams& b : bands) {
    alib::FXSetParameters(fx, &b);
    LogBassError("- ParamEQ_ChannelUpdate(), BASS_FXSetParameters((" + std::to_string(fx) +
                 ", FQ=" + std::to_string(static_cast<long>(b.fCenter)) +
                 " BW=" + std::to_string(static_cast<long>(b.fBandwidth)) +
                 " Gn=" + std::to_string(static_cast<long>(b.fGain)) + " Band=" + std::to_string(b.lBand));
  }
  // Bands a longer text set before stay in the effect: they are made flat, so a shorter text
  // sounds as it reads.
  for (int32_t n = static_cast<int32_t>(bands.size()); n < static_cast<int32_t>(kMaxEqualizerBands); ++n) {
    PeakEqParams old;
    old.lBand = n;
    if (!alib::FXGetParameters(fx, &old) || old.fGain == 0.0f) continue;
    old.lBand = n;
    old.fGain = 0.0f;
    alib::FXSetParameters(fx, &old);
  }
}

CompressorParams ParseCompressorText(const std::string& compText) {
  // The five fields in order; whatever follows them is never looked at.
  std::vector<std::string> f;
  for (size_t from = 0; f.size() < 5 && from <= compText.size();) {
    size_t semi = compText.find(';', from);
    if (semi == std::string::npos) semi = compText.size();
    f.push_back(compText.substr(from, semi - from));
    from = semi + 1;
  }
  auto field = [&](size_t i, double lo, double hi, double def) {
    std::string t = i < f.size() ? text::Trim(f[i]) : std::string();
    return static_cast<float>(t.empty() ? def : Clamp(LeadingDecimal(t), lo, hi));
  };
  CompressorParams p;
  p.fGain = field(0, -60, 60, 0);
  p.fAttack = field(1, 0.01, 1000, 10);
  p.fRelease = field(2, 0.01, 5000, 200);
  p.fThreshold = field(3, -60, 0, -15);
  p.fRatio = field(4, 1, 100, 3);
  p.lChannel = kAllChannels;
  return p;
}

std::string CompressorText(const CompressorParams& p) {
  return FormatEffectValue(p.fGain) + ";" + FormatEffectValue(p.fAttack) + ";" + FormatEffectValue(p.fRelease) + ";" + FormatEffectValue(p.fThreshold) + ";" +
         FormatEffectValue(p.fRatio) + ";";
}

void ApplyCompressor(uint32_t channel, AppliedEffectList& list, const std::string& compText) {
  if (channel == 0) return;
  CompressorParams p = ParseCompressorText(compText);
  if (p.fGain == 0.0f && p.fThreshold == 0.0f) {
    ApplyEffect(channel, list, alib::kFxCompressor, nullptr, kCompressorCaller);
    return;
  }
  p.lChannel = kAllChannels;
  ApplyEffect(channel, list, alib::kFxCompressor, &p, kCompressorCaller);
}

const std::vector<CompressorModel>& CompressorModels() {
  static const std::vector<CompressorModel> models = {
      {"Default", {0.0f, -15.0f, 3.0f, 10.0f, 200.0f, kAllChannels}},
      {"Compressor 2", {3.0f, -20.0f, 3.0f, 10.0f, 200.0f, kAllChannels}},
  };
  return models;
}
