#pragma once

#include <cstdint>

namespace tsuzuri::render {

// Software frame pacing at F frames per second without drift: with
// g = gcd(1000, F), P = 1000 / g and R = F / g, a frame is due once
// (now - T) × R + C >= P, where T is the time of the last frame and C the
// carry of the frames before it.
class Pacer {
 public:
  // F; 0 or less turns pacing off (every frame is due at once).
  void setRate(std::int32_t framesPerSecond);
  std::int32_t rate() const { return rate_; }

  // Whether the next frame must still wait at `now` (milliseconds of the
  // wrapping 32-bit clock).
  bool mustWait(std::uint32_t now) const;
  // The frame was shown at `now`: C += (now - T) × R - P, C back to 0 when
  // it exceeds P, T = now.
  void frameShown(std::uint32_t now);
  // Forgets the last frame: the next one is due at once.
  void reset(std::uint32_t now);

  std::int64_t period() const { return period_; }  // P
  std::int64_t step() const { return step_; }      // R
  std::int64_t carry() const { return carry_; }    // C

 private:
  std::int32_t rate_ = 0;
  std::int64_t period_ = 0;
  std::int64_t step_ = 0;
  std::int64_t carry_ = 0;
  std::uint32_t last_ = 0;
};

}  // namespace tsuzuri::render
