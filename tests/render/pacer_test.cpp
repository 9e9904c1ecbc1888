#include "render/pacer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace tsuzuri::render {
namespace {

TEST(Pacer, ReducesTheRateByTheCommonDivisor) {
  // F, then the rate, P and R it gives.
  const std::int32_t cases[][4] = {
      {60, 60, 50, 3}, {144, 144, 125, 18}, {1001, 1001, 1000, 1001}, {-5, 0, 0, 0}};
  for (const auto& [fps, rate, period, step] : cases) {
    Pacer pacer;
    pacer.setRate(fps);
    EXPECT_EQ(pacer.rate(), rate) << fps;
    EXPECT_EQ(pacer.period(), period) << fps;
    EXPECT_EQ(pacer.step(), step) << fps;
  }
}

TEST(Pacer, KeepsTheAverageFrameTimeExactly) {
  // Waiting in 1 ms steps, frame n is shown at the first millisecond at or
  // after n × 1000 / F, from the reset on and across the wrap of the clock.
  const std::pair<std::int32_t, std::uint32_t> cases[] = {
      {60, 0xFFFFF000U}, {50, 12345}, {144, 0xFFFFFFFFU}, {1001, 99}};
  for (const auto& [fps, start] : cases) {
    Pacer pacer;
    pacer.setRate(fps);
    pacer.reset(start);
    std::uint32_t now = start;
    for (std::int64_t n = 0; n <= 10 * std::int64_t{fps}; ++n) {
      while (pacer.mustWait(now)) ++now;
      ASSERT_EQ(std::int64_t{now - start}, (n * 1000 + fps - 1) / fps)
          << fps << " fps, frame " << n;
      pacer.frameShown(now);
    }
  }
}

TEST(Pacer, DropsACarryOfMoreThanAPeriod) {
  // At 50 fps a frame is due every 20 ms. One shown 40 ms after the last
  // carries a whole period, so the next is due at once; one more millisecond
  // late and the lost time is forgotten instead of caught up.
  Pacer pacer;
  pacer.setRate(50);
  pacer.reset(1000);
  pacer.frameShown(1000);
  pacer.frameShown(1040);
  EXPECT_EQ(pacer.carry(), 20);
  pacer.setRate(50);  // the renderer sets the rate again and again
  EXPECT_FALSE(pacer.mustWait(1040));
  pacer.frameShown(1061);
  EXPECT_EQ(pacer.carry(), 0);
  EXPECT_TRUE(pacer.mustWait(1080));
  EXPECT_FALSE(pacer.mustWait(1081));

  // The largest step times the longest wait of the 32-bit clock still fits.
  pacer.setRate(2147483647);
  pacer.frameShown(0);
  EXPECT_FALSE(pacer.mustWait(0xFFFFFFFFU));
  pacer.frameShown(0xFFFFFFFFU);
  EXPECT_EQ(pacer.carry(), 0);
}

}  // namespace
}  // namespace tsuzuri::render
