#include "SignalTools.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace dsptest {

Buffer Sine(double hz, double seconds, double amplitude, int rate) {
  size_t n = static_cast<size_t>(seconds * rate);
  Buffer b(n * 2);
  for (size_t i = 0; i < n; ++i) {
    float v = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate));
    b[i * 2] = b[i * 2 + 1] = v;
  }
  return b;
}

Buffer Noise(double seconds, double amplitude, uint32_t seed, int rate) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  size_t n = static_cast<size_t>(seconds * rate);
  Buffer b(n * 2);
  for (float& v : b) v = static_cast<float>(amplitude) * d(gen);
  return b;
}

Buffer Impulse(double seconds, float amplitude, int rate) {
  Buffer b = Silence(seconds, rate);
  b[0] = b[1] = amplitude;
  return b;
}

Buffer Silence(double seconds, int rate) { return Buffer(static_cast<size_t>(seconds * rate) * 2, 0.0f); }

void Append(Buffer& to, const Buffer& from) { to.insert(to.end(), from.begin(), from.end()); }

void RunFx(alib::dsp::Effect& fx, Buffer& buf, size_t block) {
  size_t frames = buf.size() / 2;
  for (size_t i = 0; i < frames; i += block) fx.Process(buf.data() + i * 2, std::min(block, frames - i));
}

std::vector<float> Channel(const Buffer& buf, int ch) {
  std::vector<float> out(buf.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) out[i] = buf[i * 2 + ch];
  return out;
}

double ToDb(double v) { return 20.0 * std::log10(std::max(v, 1e-30)); }

double RmsDb(const Buffer& buf, int ch, size_t from, size_t to) {
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += static_cast<double>(buf[i * 2 + ch]) * buf[i * 2 + ch];
  return ToDb(std::sqrt(sum / static_cast<double>(std::max<size_t>(1, to - from))));
}

double PeakAbs(const Buffer& buf) {
  double p = 0.0;
  for (float v : buf) p = std::max(p, static_cast<double>(std::fabs(v)));
  return p;
}

double Goertzel(const Buffer& buf, int ch, double hz, size_t from, size_t to, int rate) {
  double w = 2.0 * std::numbers::pi * hz / rate;
  double re = 0.0, im = 0.0;
  // Direct sum with a rotating phasor: exact enough and simple.
  double c = std::cos(w), s = std::sin(w), pr = 1.0, pi = 0.0;
  for (size_t i = from; i < to; ++i) {
    double x = buf[i * 2 + ch];
    re += x * pr;
    im -= x * pi;
    double nr = pr * c - pi * s;
    pi = pr * s + pi * c;
    pr = nr;
  }
  return std::hypot(re, im);
}

double ZeroCrossingHz(const Buffer& buf, int ch, size_t from, size_t to, int rate) {
  double first = -1.0, last = -1.0;
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i) {
    float a = buf[(i - 1) * 2 + ch], b = buf[i * 2 + ch];
    if (a < 0.0f && b >= 0.0f) {
      double t = static_cast<double>(i - 1) + a / (a - b);
      if (first < 0.0) first = t;
      last = t;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return (crossings - 1) / ((last - first) / rate);
}

double MaxStep(const Buffer& buf, int ch, size_t from, size_t to) {
  double m = 0.0;
  for (size_t i = std::max<size_t>(from, 1); i < to; ++i) {
    m = std::max(m, static_cast<double>(std::fabs(buf[i * 2 + ch] - buf[(i - 1) * 2 + ch])));
  }
  return m;
}

}  // namespace dsptest
