#include "render/pacer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tsuzuri::render {
namespace {

TEST(Pacer, ReducesTheRateByTheCommonDivisor) {
  struct Case {
    std::int32_t framesPerSecond;
    std::int32_t rate;
    std::int64_t period;
    std::int64_t step;
  };
  const Case cases[] = {
      {60, 60, 50, 3},          {50, 50, 20, 1},    {144, 144, 125, 18},
      {30, 30, 100, 3},         {1000, 1000, 1, 1}, {1200, 1200, 5, 6},
      {1001, 1001, 1000, 1001}, {0, 0, 0, 0},       {-5, 0, 0, 0},
  };
  for (const auto& c : cases) {
    Pacer pacer;
    pacer.setRate(c.framesPerSecond);
    EXPECT_EQ(pacer.rate(), c.rate) << c.framesPerSecond;
    EXPECT_EQ(pacer.period(), c.period) << c.framesPerSecond;
    EXPECT_EQ(pacer.step(), c.step) << c.framesPerSecond;
  }
}

TEST(Pacer, KeepsTheAverageFrameTimeExactly) {
  // The renderer sleeps in 1 ms steps while it must wait. Frame n is then
  // shown at the first millisecond at or after n × 1000 / F, so ten seconds
  // hold exactly 10 × F frames whatever the remainder, also across the wrap
  // of the clock.
  struct Case {
    std::int32_t framesPerSecond;
    std::uint32_t start;
  };
  const Case cases[] = {
      {60, 0}, {60, 0xFFFFF000U}, {50, 12345}, {144, 0xFFFFFFFFU},
      {30, 7}, {1000, 0},         {1200, 0},   {1001, 99},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.framesPerSecond << " fps from " << c.start);
    Pacer pacer;
    pacer.setRate(c.framesPerSecond);
    pacer.reset(c.start);
    std::uint32_t now = c.start;
    ASSERT_FALSE(pacer.mustWait(now));
    pacer.frameShown(now);
    const std::int64_t frames = 10 * std::int64_t{c.framesPerSecond};
    for (std::int64_t n = 1; n <= frames; ++n) {
      while (pacer.mustWait(now)) ++now;
      const std::int64_t due = (n * 1000 + c.framesPerSecond - 1) / c.framesPerSecond;
      ASSERT_EQ(std::int64_t{static_cast<std::uint32_t>(now - c.start)}, due) << "frame " << n;
      pacer.frameShown(now);
    }
    EXPECT_EQ(static_cast<std::uint32_t>(now - c.start), 10000U);
  }
}

TEST(Pacer, DropsACarryOfMoreThanAPeriod) {
  // At 50 fps a frame is due every 20 ms. One shown 40 ms after the last
  // carries a whole period, so the next one is due at once; one more
  // millisecond late and the lost time is forgotten instead of caught up.
  Pacer pacer;
  pacer.setRate(50);
  pacer.reset(1000);
  pacer.frameShown(1000);
  pacer.frameShown(1040);
  EXPECT_EQ(pacer.carry(), 20);
  EXPECT_FALSE(pacer.mustWait(1040));

  pacer.reset(2000);
  pacer.frameShown(2000);
  pacer.frameShown(2041);
  EXPECT_EQ(pacer.carry(), 0);
  EXPECT_TRUE(pacer.mustWait(2060));
  EXPECT_FALSE(pacer.mustWait(2061));

  // A frame shown early leaves a debt that the next one pays back.
  pacer.frameShown(2051);
  EXPECT_EQ(pacer.carry(), -10);
  EXPECT_TRUE(pacer.mustWait(2080));
  EXPECT_FALSE(pacer.mustWait(2081));
}

TEST(Pacer, ResetMakesTheNextFrameDueAtOnce) {
  Pacer pacer;
  pacer.setRate(60);
  pacer.reset(0);
  pacer.frameShown(0);
  pacer.frameShown(17);
  EXPECT_TRUE(pacer.mustWait(18));
  pacer.reset(18);
  EXPECT_FALSE(pacer.mustWait(18));
  // The frame after it is timed from it, with the time it took as carry.
  pacer.frameShown(20);
  EXPECT_EQ(pacer.carry(), 6);
  EXPECT_TRUE(pacer.mustWait(34));
  EXPECT_FALSE(pacer.mustWait(35));
}

TEST(Pacer, KeepsTheCarryOfAnUnchangedRate) {
  Pacer pacer;
  pacer.setRate(60);
  pacer.reset(0);
  pacer.frameShown(0);
  pacer.frameShown(17);
  ASSERT_EQ(pacer.carry(), 1);
  pacer.setRate(60);
  EXPECT_EQ(pacer.carry(), 1);
  pacer.setRate(144);
  EXPECT_EQ(pacer.carry(), 0);
  EXPECT_TRUE(pacer.mustWait(23));
  EXPECT_FALSE(pacer.mustWait(24));
}

TEST(Pacer, FollowsTheClockThroughItsWrap) {
  Pacer pacer;
  pacer.setRate(60);
  pacer.frameShown(0xFFFFFFF0U);
  EXPECT_EQ(pacer.carry(), 0) << "the first frame is far from the clock's start";
  EXPECT_TRUE(pacer.mustWait(0));
  EXPECT_FALSE(pacer.mustWait(1));
  pacer.frameShown(1);
  EXPECT_EQ(pacer.carry(), 1);

  // The largest step times the longest wait still fits the arithmetic.
  pacer.setRate(2147483647);
  pacer.frameShown(0);
  EXPECT_FALSE(pacer.mustWait(0xFFFFFFFFU));
  pacer.frameShown(0xFFFFFFFFU);
  EXPECT_EQ(pacer.carry(), 0);
}

TEST(Pacer, NeverWaitsWithoutARate) {
  Pacer pacer;
  pacer.setRate(60);
  pacer.reset(0);
  pacer.frameShown(0);
  ASSERT_TRUE(pacer.mustWait(1));
  pacer.setRate(0);
  for (const std::uint32_t now : {0U, 1U, 0xFFFFFFFFU}) EXPECT_FALSE(pacer.mustWait(now)) << now;
}

}  // namespace
}  // namespace tsuzuri::render
