#include "scene/easing.h"

#include <array>
#include <cmath>

namespace tsuzuri::scene {
namespace {

// Every curve is evaluated in single precision, as the engine always did:
// positions built from these values are compared frame to frame, and the
// float rounding is part of how a motion lands.
using Curve = float (*)(float t, float b, float c);

constexpr float kPi = 3.14159265F;
constexpr float kHalfPi = kPi / 2;
constexpr float kTwoPi = kPi * 2;

// The overshoot of the back curves, and the larger one their in-out form
// uses (1.70158 × 1.525).
constexpr float kBackOvershoot = 1.70158F;
constexpr float kBackInOutOvershoot = 2.5949095F;

// The elastic curves ring with period 0.3, their in-out form with 0.45.
constexpr float kElasticPeriod = 0.3F;
constexpr float kElasticInOutPeriod = 0.45F;

float sineOut(float t, float b, float c) {
  return c * std::sin(t * kHalfPi) + b;
}
float sineIn(float t, float b, float c) {
  return c - c * std::cos(t * kHalfPi) + b;
}

float quadOut(float t, float b, float c) {
  return b - c * t * (t - 2);
}
float quadIn(float t, float b, float c) {
  return c * t * t + b;
}

float cubicOut(float t, float b, float c) {
  const float u = t - 1;
  return c * (u * u * u + 1) + b;
}
float cubicIn(float t, float b, float c) {
  return c * t * t * t + b;
}

float quartOut(float t, float b, float c) {
  const float u = t - 1;
  return b - c * (u * u * u * u - 1);
}
float quartIn(float t, float b, float c) {
  return c * t * t * t * t + b;
}

float quintOut(float t, float b, float c) {
  const float u = t - 1;
  return c * (u * u * u * u * u + 1) + b;
}
float quintIn(float t, float b, float c) {
  return c * t * t * t * t * t + b;
}

float expoOut(float t, float b, float c) {
  if (t == 1) return b + c;
  return c * (1 - std::pow(2.0F, -10 * t)) + b;
}
float expoIn(float t, float b, float c) {
  if (t == 0) return b;
  return c * std::pow(2.0F, 10 * (t - 1)) + b;
}

float circOut(float t, float b, float c) {
  const float u = t - 1;
  return c * std::sqrt(1 - u * u) + b;
}
float circIn(float t, float b, float c) {
  return b - c * (std::sqrt(1 - t * t) - 1);
}

// The phase shift of the elastic curves. A rising curve divides the period
// by π² rather than by 4, so it does not start exactly at a crest; that is
// how the engine's elastic motions have always looked, so it stays.
float elasticShift(float period, float c) {
  return c >= 0 ? period / 9.869605F : period / 4;
}

// The elastic curves without their snapped endpoints, which the in-out
// form does not have.
float elasticOutWave(float t, float b, float c, float period) {
  const float s = elasticShift(period, c);
  return c * std::pow(2.0F, -10 * t) * std::sin((t - s) * kTwoPi / period) + c + b;
}
float elasticInWave(float t, float b, float c, float period) {
  const float s = elasticShift(period, c);
  return b - c * std::pow(2.0F, 10 * (t - 1)) * std::sin((t - 1 - s) * kTwoPi / period);
}

float elasticOut(float t, float b, float c) {
  if (t == 0) return b;
  if (t == 1) return b + c;
  return elasticOutWave(t, b, c, kElasticPeriod);
}
float elasticIn(float t, float b, float c) {
  if (t == 0) return b;
  if (t == 1) return b + c;
  return elasticInWave(t, b, c, kElasticPeriod);
}
float elasticInOutFirstHalf(float t, float b, float c) {
  return elasticInWave(t, b, c, kElasticInOutPeriod);
}
float elasticInOutSecondHalf(float t, float b, float c) {
  return elasticOutWave(t, b, c, kElasticInOutPeriod);
}

float backOutWith(float t, float b, float c, float s) {
  const float u = t - 1;
  return c * (u * u * ((s + 1) * u + s) + 1) + b;
}
float backInWith(float t, float b, float c, float s) {
  return c * t * t * ((s + 1) * t - s) + b;
}

float backOut(float t, float b, float c) {
  return backOutWith(t, b, c, kBackOvershoot);
}
float backIn(float t, float b, float c) {
  return backInWith(t, b, c, kBackOvershoot);
}
float backInOutFirstHalf(float t, float b, float c) {
  return backInWith(t, b, c, kBackInOutOvershoot);
}
float backInOutSecondHalf(float t, float b, float c) {
  return backOutWith(t, b, c, kBackInOutOvershoot);
}

// Four parabolic arcs of shrinking height: the first falls onto the
// target, the others bounce off it.
float bounceOut(float t, float b, float c) {
  constexpr float kSlope = 7.5625F;
  constexpr float kSpan = 2.75F;
  if (t < 1 / kSpan) return c * (kSlope * t * t) + b;
  if (t < 2 / kSpan) {
    const float u = t - 1.5F / kSpan;
    return c * (kSlope * u * u + 0.75F) + b;
  }
  if (t < 2.5F / kSpan) {
    const float u = t - 2.25F / kSpan;
    return c * (kSlope * u * u + 0.9375F) + b;
  }
  const float u = t - 2.625F / kSpan;
  return c * (kSlope * u * u + 0.984375F) + b;
}
float bounceIn(float t, float b, float c) {
  return c - bounceOut(1 - t, 0, c) + b;
}

struct CurvePair {
  Curve in;
  Curve out;
};

// The "in" and "out" forms of curves 1..10, indexed by curve − 1. The
// in-out and out-in forms 11..20 and −11..−20 are built from these halves.
constexpr std::array<CurvePair, 10> kCurves{{
    {sineIn, sineOut},
    {quadIn, quadOut},
    {cubicIn, cubicOut},
    {quartIn, quartOut},
    {quintIn, quintOut},
    {expoIn, expoOut},
    {circIn, circOut},
    {elasticIn, elasticOut},
    {backIn, backOut},
    {bounceIn, bounceOut},
}};

// The halves of the in-out forms 11..20: the plain curves, except elastic,
// which rings more slowly and does not snap its ends, and back, which
// overshoots further. The out-in forms use the plain curves.
constexpr CurvePair kElasticInOut{elasticInOutFirstHalf, elasticInOutSecondHalf};
constexpr CurvePair kBackInOut{backInOutFirstHalf, backInOutSecondHalf};

constexpr std::int32_t kBasicCurves = static_cast<std::int32_t>(kCurves.size());

std::size_t curveIndex(std::int32_t curve) {
  return static_cast<std::size_t>(curve - 1);
}

}  // namespace

float easingCurve(std::int32_t easing, float t, float b, float c) {
  // A curve outside the table moves linearly.
  if (easing == 0 || easing > kEasingLimit || easing < -kEasingLimit) return c * t + b;

  const bool inOut = easing > kBasicCurves;
  const bool outIn = easing < -kBasicCurves;
  if (!inOut && !outIn) {
    const CurvePair& pair = kCurves[curveIndex(easing > 0 ? easing : -easing)];
    return easing > 0 ? pair.out(t, b, c) : pair.in(t, b, c);
  }

  // Each half runs its curve over the whole 0..1 range at twice the speed
  // and covers half the change.
  const std::int32_t curve = inOut ? easing - kBasicCurves : -easing - kBasicCurves;
  const CurvePair& pair = !inOut       ? kCurves[curveIndex(curve)]
                          : curve == 8 ? kElasticInOut
                          : curve == 9 ? kBackInOut
                                       : kCurves[curveIndex(curve)];
  const Curve first = inOut ? pair.in : pair.out;
  const Curve second = inOut ? pair.out : pair.in;
  const float half = c / 2;
  const float u = t * 2;
  return u < 1 ? first(u, b, half) : second(u - 1, b + half, half);
}

float ease(std::int32_t delta, std::int32_t elapsed, std::int32_t duration, std::int32_t easing) {
  if (duration == 0) return static_cast<float>(delta);
  if (easing == 0) {
    const auto product = static_cast<std::int64_t>(delta) * elapsed;
    return static_cast<float>(static_cast<double>(product) / duration);
  }
  return easingCurve(easing, static_cast<float>(elapsed) / static_cast<float>(duration), 0.0F,
                     static_cast<float>(delta));
}

std::int32_t easeInteger(std::int32_t start, std::int32_t delta, std::int32_t elapsed,
                         std::int32_t duration, std::int32_t easing) {
  if (duration == 0) return start + delta;
  if (easing == 0) {
    const auto product = static_cast<std::int64_t>(delta) * elapsed;
    return start + static_cast<std::int32_t>(product / duration);
  }
  return static_cast<std::int32_t>(static_cast<float>(start) +
                                   ease(delta, elapsed, duration, easing));
}

}  // namespace tsuzuri::scene
