#include "shell/cursor_mover.h"

#include <gtest/gtest.h>

#include <vector>

namespace tsuzuri::shell {
namespace {

TEST(CursorMover, DurationGrowsWithSpeedTimesDistanceAndIsNeverBelowTwo) {
  struct Case {
    std::int32_t speed;
    std::int64_t dx, dy;
    std::uint32_t milliseconds;
  };
  const Case cases[] = {
      {8, 100, 0, 102},     // 100, with bit 1 set
      {8, -60, 80, 102},    // the same distance on a slant
      {3, 10, 10, 7},       // d = floor(14.14…) = 14; 42 >> 3 = 5
      {16, 1000, 0, 2002},  // 2000 | 2
      {8, 1, 0, 3},         // 1 | 2
      {7, 1, 1, 2},         // the shift leaves nothing
      {0, 500, 500, 2},     // speed 0
      {-8, 100, 0, 2},      // a negative speed counts as 0
      {8, 0, 0, 2},         // no distance
      {1, 0x7FFF'FFFF, 0, (0x7FFF'FFFFU >> 3) | 2},
      {0x7FFF'FFFF, -0x8000'0000LL, 0x7FFF'FFFF, 0x7FFF'FFFF},  // at the longest
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CursorMover::duration(c.speed, c.dx, c.dy), c.milliseconds)
        << c.speed << " over " << c.dx << ", " << c.dy;
  }
}

TEST(CursorMover, EasesOutAlongTheCubicCurveAndEndsOnTheTarget) {
  // Moves of 102 ms (speed 8 over 100 pixels), started at `start`: the
  // point at each elapsed time.
  struct Case {
    std::uint32_t start;
    Point from, to;
    std::uint32_t elapsed;
    Point at;
    bool running;
  };
  const Case cases[] = {
      {1000, {10, 20}, {110, 20}, 0, {10, 20}, true},
      {1000, {10, 20}, {110, 20}, 51, {97, 20}, true},  // u = 0.5: 87.5 % of the way
      {1000, {10, 20}, {110, 20}, 101, {109, 20}, true},
      {1000, {10, 20}, {110, 20}, 102, {110, 20}, false},
      {1000, {10, 20}, {110, 20}, 5000, {110, 20}, false},
      // Backwards: the sum is truncated, so 12.5 becomes 12.
      {7, {100, 100}, {20, 40}, 51, {30, 47}, true},
      {7, {100, 100}, {20, 40}, 34, {43, 57}, true},
      // The clock wraps during the move.
      {0xFFFF'FFF0U, {10, 20}, {110, 20}, 51, {97, 20}, true},
  };
  for (const Case& c : cases) {
    CursorMover mover;
    mover.start(c.from.x, c.from.y, c.to.x, c.to.y, 8, c.start);
    const std::uint32_t now = c.start + c.elapsed;
    EXPECT_EQ(mover.position(now), c.at) << c.elapsed << " ms from " << c.from.x;
    EXPECT_EQ(mover.running(now), c.running) << c.elapsed << " ms from " << c.from.x;
    EXPECT_EQ(mover.remaining(now), c.running ? 102 - c.elapsed : 0U);
  }
}

TEST(CursorMover, StepsGiveEachNewPointOnceAndTheTargetLast) {
  CursorMover mover;
  EXPECT_FALSE(mover.step(0).has_value()) << "no move, nothing to place";
  mover.start(0, 0, 3, 0, 40, 0);  // d = 3: (120 >> 3) | 2 = 15 ms
  std::vector<std::int32_t> placed;
  for (std::uint32_t now = 0; now < 40; ++now) {
    if (const auto point = mover.step(now)) placed.push_back(point->x);
  }
  // A point already placed is not placed again; the end places the target.
  EXPECT_EQ(placed, (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_FALSE(mover.active());
  EXPECT_EQ(mover.target(), (Point{3, 0}));

  // A move that is over before its first step still ends on its target.
  mover.start(50, 50, 0, 0, 1, 100);
  EXPECT_TRUE(mover.active());
  EXPECT_EQ(mover.step(200), (Point{0, 0}));
  EXPECT_FALSE(mover.step(201).has_value());
}

}  // namespace
}  // namespace tsuzuri::shell
