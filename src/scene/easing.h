#pragma once

#include <cstdint>

namespace tsuzuri::scene {

// The easing curves a motion or a quake can follow: 0 is linear, 1..10 the
// "out" curves (sine, quad, cubic, quart, quint, expo, circ, elastic, back,
// bounce), -1..-10 their "in" forms, 11..20 in-out and -11..-20 out-in.
inline constexpr std::int32_t kEasingLimit = 20;

// The value of curve `easing` at t (0..1) for a start offset `b` and a
// change `c`. A curve outside -20..20 is linear.
float easingCurve(std::int32_t easing, float t, float b, float c);

// How far a motion toward `delta` has come after `elapsed` of `duration`
// milliseconds. Easing 0 is the integer product delta × elapsed divided in
// floating point (the product is 64-bit: a long motion over a large
// distance must not wrap); the others take t = elapsed ÷ duration on their
// curve from 0 to delta.
float ease(std::int32_t delta, std::int32_t elapsed, std::int32_t duration, std::int32_t easing);

// The value of an integer property (alpha, cells, colour channels, mask
// progress) moving from `start` by `delta`: easing 0 divides as integers
// and adds the start; the curves add the start in floating point and
// truncate the sum toward zero.
std::int32_t easeInteger(std::int32_t start, std::int32_t delta, std::int32_t elapsed,
                         std::int32_t duration, std::int32_t easing);

}  // namespace tsuzuri::scene
