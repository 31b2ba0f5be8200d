#include "RenderChain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tbench {

using namespace alib::dsp;

RenderChain::RenderChain(int sampleRate, const RenderOptions& options) : options_(options), tempo_(sampleRate) {
  tempo_.SetTempo(options.tempo);
  tempo_.SetPitch(options.pitch);
  if (!options.fullChain) return;
  // Fifteen bands a half octave to an octave apart, alternately raised and lowered.
  auto eq = CreateEffect(kFxPeakEq, sampleRate);
  for (int i = 0; i < 15; ++i) {
    PeakEqParams b;
    b.lBand = i;
    b.fCenter = static_cast<float>(25.0 * std::pow(2.0, i * 9.5 / 14.0));
    b.fBandwidth = 1.0f;
    b.fGain = (i % 2 == 0) ? 3.0f : -2.0f;
    eq->SetParameters(&b);
  }
  effects_.push_back(std::move(eq));
  auto add = [&](int32_t type, const void* params) {
    auto fx = CreateEffect(type, sampleRate);
    fx->SetParameters(params);
    effects_.push_back(std::move(fx));
  };
  CompressorParams comp;  // the default model
  add(kFxCompressor, &comp);
  AllPassParams apf{0.6f, 0.05f, -1};                               // robot voice
  add(kFxAllPass, &apf);
  AutoWahParams wah{0.5f, 1.5f, 0.5f, 2.0f, 4.3f, 50.0f, -1};       // slow auto-wah
  add(kFxAutoWah, &wah);
  ChorusParams chorus{1.0f, 0.35f, 0.5f, 1.0f, 5.0f, 1.0f, -1};     // flanger
  add(kFxChorus, &chorus);
  EchoParams echo{0.999f, 0.999f, 0.0f, 0.2f, -1};                  // small echo
  add(kFxEcho, &echo);
  ReverbParams reverb{0.6f, 1200};
  add(kFxReverb, &reverb);
}

void RenderChain::Effects(float* buf, size_t n) {
  for (auto& fx : effects_) fx->Process(buf, n);
  const float v = options_.volume;
  for (size_t i = 0; i < n * 2; ++i) buf[i] *= v;
}

RenderResult RenderChain::Run(AudioStream& source) {
  RenderResult r;
  std::vector<float> in(options_.block * 2), buf(options_.block * 2);
  std::FILE* out = options_.write.empty() ? nullptr : std::fopen(options_.write.c_str(), "wb");
  auto consume = [&](size_t n) {
    Effects(buf.data(), n);
    if (out != nullptr) std::fwrite(buf.data(), sizeof(float) * 2, n, out);
    // Several sums and maxima side by side, so summarising does not cost more than a stage.
    float sum[8] = {}, peak[8] = {};
    size_t i = 0;
    for (; i + 8 <= n * 2; i += 8) {
      for (int k = 0; k < 8; ++k) {
        sum[k] += buf[i + k];
        peak[k] = std::max(peak[k], std::fabs(buf[i + k]));
      }
    }
    for (; i < n * 2; ++i) {
      sum[0] += buf[i];
      peak[0] = std::max(peak[0], std::fabs(buf[i]));
    }
    for (int k = 0; k < 8; ++k) {
      r.checksum += sum[k];
      r.peak = std::max(r.peak, static_cast<double>(peak[k]));
    }
    r.outputFrames += n;
  };
  for (size_t n; (n = source.Read(in.data(), options_.block)) > 0;) {
    r.inputFrames += n;
    tempo_.Put(in.data(), n);
    for (size_t got; (got = tempo_.Receive(buf.data(), options_.block)) > 0;) consume(got);
  }
  tempo_.Flush();
  for (size_t got; (got = tempo_.Receive(buf.data(), options_.block)) > 0;) consume(got);
  if (out != nullptr) std::fclose(out);
  return r;
}

}  // namespace tbench
