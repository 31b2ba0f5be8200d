// Independent tempo and pitch change of a float stereo source (SoundTouch underneath).
// At tempo 0 % and pitch 0 semitones the processor is bit-transparent with no added latency.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace alib::dsp {

class TempoProcessor {
 public:
  explicit TempoProcessor(int sampleRate);
  ~TempoProcessor();
  TempoProcessor(const TempoProcessor&) = delete;
  TempoProcessor& operator=(const TempoProcessor&) = delete;

  // Tempo in percent (-95..+5000 accepted), pitch in semitones (-60..+60).
  void SetTempo(float percent);
  void SetPitch(float semitones);
  float Tempo() const;
  float Pitch() const;
  bool IsTransparent() const;  // tempo 0 and pitch 0

  // Feeds source frames (interleaved stereo float).
  void Put(const float* frames, size_t count);
  // Takes up to max processed frames; returns how many were written.
  size_t Receive(float* out, size_t max);
  // Frames of source that went in but have not come out yet (in source frames), so the caller
  // can report positions in source time.
  double SourceFramesInside() const;
  // Drops everything inside (after a seek).
  void Clear();
  // Pushes the remaining samples out at the end of the source.
  void Flush();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace alib::dsp
