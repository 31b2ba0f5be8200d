// Test signals and measurements on interleaved stereo float buffers. The effects are driven in
// blocks like the device pulls them, so these helpers can later feed the library's manual device.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audiolib/dsp/Effect.h"

namespace dsptest {

constexpr int kRate = 44100;

using Buffer = std::vector<float>;  // interleaved stereo

Buffer Sine(double hz, double seconds, double amplitude, int rate = kRate);
Buffer Noise(double seconds, double amplitude, uint32_t seed = 1, int rate = kRate);
Buffer Impulse(double seconds, float amplitude = 1.0f, int rate = kRate);
Buffer Silence(double seconds, int rate = kRate);
void Append(Buffer& to, const Buffer& from);

// Sets a parameter record given by value.
template <class T>
bool Set(alib::dsp::Effect& fx, const T& params) {
  return fx.SetParameters(&params);
}

// Runs the effect over the buffer in blocks of the given size (the way a device pulls).
void RunFx(alib::dsp::Effect& fx, Buffer& buf, size_t block = 512);

std::vector<float> Channel(const Buffer& buf, int ch);
// RMS of frames [from, to) of a channel, in dB full scale (0 dB = amplitude 1 RMS).
double RmsDb(const Buffer& buf, int ch, size_t from, size_t to);
double PeakAbs(const Buffer& buf);
double ToDb(double v);
// Magnitude of the discrete-time Fourier transform of a channel at one frequency.
double Goertzel(const Buffer& buf, int ch, double hz, size_t from, size_t to, int rate = kRate);
// Frequency from the zero crossings of a channel between two frames.
double ZeroCrossingHz(const Buffer& buf, int ch, size_t from, size_t to, int rate = kRate);
// Largest jump between neighbouring samples of a channel.
double MaxStep(const Buffer& buf, int ch, size_t from, size_t to);

}  // namespace dsptest
