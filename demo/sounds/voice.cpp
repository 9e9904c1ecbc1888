// The demo's voiced line: a murmured "sore ja, mata ne" made the way
// formant synthesisers speak. A glottal pulse train, with a little breath
// noise, passes through resonators tuned to the formants of each vowel;
// consonants are frication noise, closures and nasal murmurs. Every target
// is reached by gliding, as the tongue moves, rather than by jumps.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sounds/demo_sounds.h"
#include "sounds/mixing.h"

namespace tsuzuri::demosound {
namespace {

constexpr double kRate = 22050.0;

// The first three formants (Hz) of a mouth shape.
struct Formants {
  double f1;
  double f2;
  double f3;
};

Formants shapeOf(char shape) {
  switch (shape) {
    case 'a':
      return {800, 1250, 2600};
    case 'i':
      return {300, 2300, 3000};
    case 'u':
      return {350, 1400, 2400};
    case 'e':
      return {480, 1900, 2600};
    case 'o':
      return {460, 850, 2600};
    case 'n':  // the nasal murmur of m and n
      return {260, 1100, 2300};
    case 'r':  // a tap, close to a quick d
      return {350, 1500, 2000};
  }
  return {500, 1500, 2500};
}

struct Segment {
  double seconds;
  char shape;
  double voicing;  // loudness of the voice
  double hiss;     // loudness of the frication noise
  double hissHz;   // where the frication noise is centred
  double pitchFrom;
  double pitchTo;
};

// "so re ja, ma ta ne": the pitch falls through each phrase, with a lift
// on the accented syllables and a soft rise-fall at the end.
const std::vector<Segment>& phrase() {
  static const std::vector<Segment> segments = {
      {0.08, 'o', 0, 0, 0, 210, 210},          // silence
      {0.10, 'o', 0, 0.6, 5200, 210, 215},     // s
      {0.15, 'o', 1, 0, 0, 215, 235},          // o
      {0.03, 'r', 0.5, 0, 0, 235, 235},        // r
      {0.14, 'e', 1, 0, 0, 235, 205},          // e
      {0.06, 'i', 0.4, 0.35, 2800, 205, 200},  // j
      {0.22, 'a', 1, 0, 0, 200, 175},          // a
      {0.12, 'a', 0, 0, 0, 175, 215},          // the pause between the phrases
      {0.07, 'n', 0.45, 0, 0, 215, 220},       // m
      {0.14, 'a', 1, 0, 0, 220, 225},          // a
      {0.05, 'a', 0, 0, 0, 225, 215},          // the closure of t
      {0.015, 'a', 0, 0.8, 4000, 215, 210},    // its burst
      {0.14, 'a', 1, 0, 0, 210, 195},          // a
      {0.06, 'n', 0.45, 0, 0, 195, 200},       // n
      {0.30, 'e', 1, 0, 0, 200, 165},          // e
      {0.10, 'e', 0, 0, 0, 165, 165},          // silence
  };
  return segments;
}

// A two-pole resonator with unit gain at 0 Hz, as in cascade formant
// synthesisers.
class Resonator {
 public:
  void tune(double frequency, double bandwidth) {
    const double r = std::exp(-std::numbers::pi * bandwidth / kRate);
    c_ = -r * r;
    b_ = 2.0 * r * std::cos(2.0 * std::numbers::pi * frequency / kRate);
    a_ = 1.0 - b_ - c_;
  }
  double run(double x) {
    const double y = a_ * x + b_ * y1_ + c_ * y2_;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

 private:
  double a_ = 1.0, b_ = 0.0, c_ = 0.0;
  double y1_ = 0.0, y2_ = 0.0;
};

// A one-pole glide towards a target, `seconds` being its time constant.
class Glide {
 public:
  Glide(double value, double seconds) : value_(value), keep_(std::exp(-1.0 / (seconds * kRate))) {}
  double step(double target) {
    value_ = target + (value_ - target) * keep_;
    return value_;
  }

 private:
  double value_;
  double keep_;
};

// A small linear congruential generator: the same noise on every run.
class Noise {
 public:
  double next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 23) - 1.0;
  }

 private:
  std::uint32_t state_ = 0x7473757Au;
};

// The glottal flow over one period (phase 0..1): a smooth opening, a
// quicker closing, then the closed phase.
double glottalFlow(double phase) {
  constexpr double kOpening = 0.4;
  constexpr double kClosing = 0.16;
  if (phase < kOpening) return 0.5 * (1.0 - std::cos(std::numbers::pi * phase / kOpening));
  if (phase < kOpening + kClosing) {
    return std::cos(0.5 * std::numbers::pi * (phase - kOpening) / kClosing);
  }
  return 0.0;
}

}  // namespace

DemoSound voice() {
  const Formants first = shapeOf(phrase().front().shape);
  Glide f1(first.f1, 0.02), f2(first.f2, 0.025), f3(first.f3, 0.03);
  Glide voicing(0.0, 0.006), hiss(0.0, 0.003), pitch(phrase().front().pitchFrom, 0.02);
  Resonator r1, r2, r3, r4, fricative;
  r4.tune(3500, 250);
  Noise noise;
  double phase = 0.0;
  double jitter = 1.0;
  double lastFlow = 0.0;
  double hissHz = 0.0;
  std::vector<double> out;
  for (const Segment& segment : phrase()) {
    const auto frames = static_cast<std::int64_t>(segment.seconds * kRate);
    const Formants target = shapeOf(segment.shape);
    const double nasal = segment.shape == 'n' ? 2.0 : 1.0;  // nasals ring less sharply
    if (segment.hiss > 0.0 && segment.hissHz != hissHz) {
      hissHz = segment.hissHz;
      fricative.tune(hissHz, hissHz * 0.3);
    }
    for (std::int64_t i = 0; i < frames; ++i) {
      const double along = static_cast<double>(i) / static_cast<double>(frames);
      const double t = static_cast<double>(out.size()) / kRate;
      // A slow vibrato and a per-period jitter keep the voice from sounding
      // like an instrument.
      const double f0 =
          pitch.step(segment.pitchFrom + (segment.pitchTo - segment.pitchFrom) * along) *
          (1.0 + 0.008 * std::sin(2.0 * std::numbers::pi * 5.3 * t)) * jitter;
      phase += f0 / kRate;
      if (phase >= 1.0) {
        phase -= 1.0;
        jitter = 1.0 + 0.012 * noise.next();
      }
      // The lips radiate the flow's rate of change; breath noise rides on
      // the open phase.
      const double flow = glottalFlow(phase);
      const double source = (flow - lastFlow) * 12.0 + 0.06 * flow * noise.next();
      lastFlow = flow;

      r1.tune(f1.step(target.f1), 80 * nasal);
      r2.tune(f2.step(target.f2), 100 * nasal);
      r3.tune(f3.step(target.f3), 150 * nasal);
      const double voiced = r4.run(r3.run(r2.run(r1.run(source * voicing.step(segment.voicing)))));
      const double fricated = fricative.run(noise.next()) * 0.25 * hiss.step(segment.hiss);
      out.push_back(voiced + fricated);
    }
  }
  return {"voice.ogg", quantise(out, 1, static_cast<std::int32_t>(kRate), 0.7), std::nullopt, 0.4f};
}

}  // namespace tsuzuri::demosound
