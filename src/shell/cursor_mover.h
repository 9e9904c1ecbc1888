#pragma once

#include <cstdint>
#include <optional>

#include "shell/display_layout.h"

namespace tsuzuri::shell {

// An animated move of the mouse cursor to a point, in client pixels: fast
// at first and slowing to a stop on the target (a cubic ease-out).
//
// The move has no thread of its own. The engine's message pumps, which run
// on the main thread like everything that touches the window, call step()
// and place the cursor where it says; a wait that pumps therefore shows the
// whole animation, and the cursor is only ever set from one thread.
class CursorMover {
 public:
  // The duration in milliseconds of a move over (dx, dy) at `speed`:
  // ((speed × d) >> 3) | 2 with d = floor(√(dx² + dy²)); the low bit set
  // makes it at least 2. A negative speed counts as 0, and the duration
  // stops at 2^31 − 1 (some 24 days).
  static std::uint32_t duration(std::int32_t speed, std::int64_t dx, std::int64_t dy);

  // Starts a move from (fromX, fromY) to (toX, toY) at clock time `now`,
  // replacing any move that was running.
  void start(std::int32_t fromX, std::int32_t fromY, std::int32_t toX, std::int32_t toY,
             std::int32_t speed, std::uint32_t now);

  // Whether a started move has time left at `now`.
  bool running(std::uint32_t now) const { return active_ && elapsed(now) < duration_; }
  // Milliseconds until the move ends; 0 once it has.
  std::uint32_t remaining(std::uint32_t now) const;

  // Where the cursor belongs at `now`: start + (1 − f) × (target − start)
  // for each axis, truncated, with u = 1 − elapsed / duration and f = u³;
  // exactly the target once the duration has passed.
  Point position(std::uint32_t now) const;
  Point target() const { return to_; }

  // One step of a move in progress: the point to place the cursor on when
  // it differs from the one the last step gave, nothing otherwise. The step
  // at or after the end gives the target and ends the move.
  std::optional<Point> step(std::uint32_t now);

  // Whether a move has been started and has not yet ended in a step.
  bool active() const { return active_; }
  // Forgets the move.
  void stop() { active_ = false; }

 private:
  std::uint32_t elapsed(std::uint32_t now) const { return now - startTime_; }

  Point from_;
  Point to_;
  Point lastPlaced_;
  std::uint32_t startTime_ = 0;
  std::uint32_t duration_ = 0;
  bool active_ = false;
};

}  // namespace tsuzuri::shell
