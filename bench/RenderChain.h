// The playback chain of one Output channel, run offline: tempo/pitch, 15-band equaliser,
// compressor, all-pass, auto-wah, chorus, echo, reverb, volume.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "audiolib/dsp/Effect.h"
#include "WavReader.h"
#include "audiolib/dsp/Tempo.h"

namespace tbench {

struct RenderOptions {
  float tempo = 0.0f;   // percent
  float pitch = 0.0f;   // semitones
  bool fullChain = true;
  float volume = 0.8f;
  size_t block = 1024;  // frames per pull, as a device would ask
  std::string write;    // if set, the output as raw float stereo to this file, for listening
};

struct RenderResult {
  size_t inputFrames = 0;
  size_t outputFrames = 0;
  double checksum = 0.0;  // keeps the work observable
  double peak = 0.0;
};

class RenderChain {
 public:
  RenderChain(int sampleRate, const RenderOptions& options);
  // Runs the whole source through the chain, a block at a time; the output is summarised only.
  RenderResult Run(AudioStream& source);

 private:
  void Effects(float* buf, size_t n);
  RenderOptions options_;
  alib::dsp::TempoProcessor tempo_;
  std::vector<std::unique_ptr<alib::dsp::Effect>> effects_;
};

}  // namespace tbench
