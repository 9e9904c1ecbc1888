#pragma once

#include <cstdint>

namespace tsuzuri::scene {

// One axis of a shake, of a sprite or of the screen. The offset follows a
// waveform period after period, eased along each of its parts.
struct QuakeAxis {
  std::int32_t amplitude = 0;  // pixels; 0: off
  std::int32_t count = 0;      // periods left; 0 and below: endless
  std::int32_t easing = 0;
  std::int32_t mode = 0;  // 0: one bump out and back; else a full swing to both sides
  std::uint32_t startTime = 0;
  std::int32_t period = 0;  // ms
  float offset = 0;

  bool on() const { return amplitude != 0; }
  void stop() {
    amplitude = 0;
    offset = 0;
  }
};

// The shortest period a shake runs with; a shorter one stops it.
inline constexpr std::int32_t kMinQuakePeriod = 10;

// Moves the axis to `now`. True when the axis is off or has just run out
// of periods (it is then off).
bool advanceQuake(QuakeAxis& axis, std::uint32_t now);

// The displacement of the waveform `elapsed` ms into a period.
float quakeOffset(const QuakeAxis& axis, std::int32_t elapsed);

}  // namespace tsuzuri::scene
