#include "util/fast_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tsuzuri::util {
namespace {

TEST(Atan2Fast, FollowsAtan2InEveryOctant) {
  for (int y = -300; y <= 300; y += 7) {
    for (int x = -300; x <= 300; x += 11) {
      if (x == 0 && y == 0) continue;
      EXPECT_NEAR(atan2_fast(y, x), std::atan2(y, x), 0.005) << y << "," << x;
    }
  }
}

TEST(Atan2Fast, HandlesAxesAndExtremes) {
  EXPECT_EQ(atan2_fast(0, 0), 0.0F);
  EXPECT_FLOAT_EQ(atan2_fast(0, 5), 0.0F);
  EXPECT_NEAR(atan2_fast(5, 0), M_PI / 2, 1e-6);
  EXPECT_NEAR(atan2_fast(-5, 0), -M_PI / 2, 1e-6);
  EXPECT_NEAR(atan2_fast(0, -5), M_PI, 1e-6);
  const auto lo = std::numeric_limits<std::int32_t>::min();
  EXPECT_NEAR(atan2_fast(lo, lo), -3 * M_PI / 4, 0.005);
  EXPECT_NEAR(atan2_fast(1, lo), M_PI, 0.005);
}

TEST(SimdRoutines, PlainVariantsComputeTheUsualResults) {
  const SimdRoutines& r = plainSimdRoutines();
  float s = 0;
  float c = 0;
  r.sincos(0.5F, &s, &c);
  EXPECT_FLOAT_EQ(s, r.sin(0.5F));
  EXPECT_FLOAT_EQ(c, r.cos(0.5F));
  EXPECT_FLOAT_EQ(r.sqrt(16.0F), 4.0F);
  EXPECT_FLOAT_EQ(r.rsqrt(4.0F), 0.5F);
  char to[4] = {};
  r.memcpy(to, "abc", 4);
  EXPECT_STREQ(to, "abc");
}

}  // namespace
}  // namespace tsuzuri::util
