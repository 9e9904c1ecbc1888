#include "scene/easing.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace tsuzuri::scene {
namespace {

struct CurvePoint {
  std::int32_t easing;
  float t, b, c, expected;
};

void expectPoints(std::initializer_list<CurvePoint> points) {
  for (const auto& [easing, t, b, c, expected] : points) {
    EXPECT_NEAR(easingCurve(easing, t, b, c), expected, 1e-4F * (std::abs(expected) + 1))
        << "easing " << easing << " at t = " << t << ", b = " << b << ", c = " << c;
  }
}

TEST(EasingCurve, BasicCurvesAtInnerPoints) {
  expectPoints({
      {1, 0.5F, 0, 100, 70.7107F},    {-1, 0.5F, 0, 100, 29.2893F},
      {2, 0.25F, 0, 100, 43.75F},     {-2, 0.25F, 0, 100, 6.25F},
      {3, 0.5F, 0, 100, 87.5F},       {-3, 0.5F, 0, 100, 12.5F},
      {4, 0.5F, 10, 100, 103.75F},    {-4, 0.5F, 10, 100, 16.25F},
      {5, 0.5F, 0, 64, 62},           {-5, 0.5F, 0, 64, 2},
      {6, 0.1F, 0, 100, 50},          {-6, 0.9F, 0, 100, 50},
      {7, 0.5F, 0, 100, 86.6025F},    {-7, 0.6F, 0, 100, 20},
      {9, 0.5F, 0, 100, 108.76975F},  {-9, 0.5F, 0, 100, -8.76975F},
      {12, 0.25F, 0, 100, 12.5F},     {12, 0.75F, 0, 100, 87.5F},
      {-12, 0.25F, 0, 100, 37.5F},    {-12, 0.75F, 0, 100, 62.5F},
      {13, 0.25F, 20, -80, 15},       {-13, 0.75F, 20, -80, -25},
      {19, 0.25F, 0, 100, -9.96818F}, {-19, 0.25F, 0, 100, 54.384875F},
      {20, 0.25F, 0, 100, 11.71875F}, {-20, 0.75F, 0, 100, 61.71875F},
  });
}

TEST(EasingCurve, EveryCurveStartsAtTheOffsetAndEndsAtTheTarget) {
  for (std::int32_t easing = -kEasingLimit; easing <= kEasingLimit; ++easing) {
    for (const float c : {100.0F, -250.0F}) {
      // Elastic in-out does not snap its ends; its ringing has decayed to
      // within 0.05% of the change there.
      const float tolerance = easing == 18 ? 5e-4F * std::abs(c) : 1e-4F * std::abs(c);
      EXPECT_NEAR(easingCurve(easing, 0, 30, c), 30, tolerance) << easing << " with " << c;
      EXPECT_NEAR(easingCurve(easing, 1, 30, c), 30 + c, tolerance) << easing << " with " << c;
    }
  }
}

TEST(EasingCurve, BounceArcsOnEachSegment) {
  // Out: 0.3025 on the falling arc, then 0.765625, 0.94 and 0.98453125 on
  // the three bounces. In mirrors it: c − out(1 − t).
  expectPoints({
      {10, 0.2F, 0, 100, 30.25F},
      {10, 0.5F, 0, 100, 76.5625F},
      {10, 0.8F, 0, 100, 94},
      {10, 0.95F, 0, 100, 98.453125F},
      {-10, 0.8F, 5, 100, 74.75F},
      {-10, 0.5F, 5, 100, 28.4375F},
      {-10, 0.2F, 5, 100, 11},
      {-10, 0.05F, 5, 100, 6.546875F},
  });
}

TEST(EasingCurve, ElasticPhaseDependsOnTheDirection) {
  // A rising curve shifts its phase by period ÷ π², a falling one by a
  // quarter period, so the two are not mirror images.
  expectPoints({
      {8, 0.1F, 0, 100, 149.681F},
      {8, 0.25F, 0, 100, 82.4351F},
      {8, 0.1F, 0, -100, -125},
      {8, 0.25F, 0, -100, -91.1612F},
      {-8, 0.5F, 0, 100, -3.1051F},
      {-8, 0.9F, 0, 100, 19.957F},
      {-8, 0.5F, 0, -100, 1.5625F},
      {-8, 0.9F, 0, -100, 25},
      {-18, 0.25F, 0, 100, 49.3763F},
      {-18, 0.75F, 0, -100, -49.2188F},
  });
}

TEST(EasingCurve, ElasticInOutUsesTheWiderPeriodOnBothHalves) {
  expectPoints({
      {18, 0.25F, 0, 100, 1.5192F},
      {18, 0.75F, 0, 100, 100.0961F},
      {18, 0.25F, 0, -100, -1.1969F},
      {18, 0.75F, 0, -100, -98.8031F},
      // The ends are not snapped to b and b + c.
      {18, 0, 0, 100, 0.0437F},
      {18, 1, 0, 100, 100.0336F},
      // Rising, the phase shift makes the halves miss each other at the
      // middle; falling, they meet.
      {18, 0.4999F, 0, 100, 29.7949F},
      {18, 0.5F, 0, 100, 70.276F},
      {18, 0.4999F, 0, -100, -49.9305F},
      {18, 0.5F, 0, -100, -50},
  });
}

TEST(EasingCurve, BackCurvesOvershoot) {
  float outPeak = 0;
  float inDip = 0;
  for (int i = 0; i <= 100; ++i) {
    const float t = static_cast<float>(i) / 100;
    outPeak = std::max(outPeak, easingCurve(9, t, 0, 100));
    inDip = std::min(inDip, easingCurve(-9, t, 0, 100));
  }
  // s = 1.70158 is the overshoot that peaks 10% past the end.
  EXPECT_NEAR(outPeak, 110, 0.1F);
  EXPECT_NEAR(inDip, -10, 0.1F);
}

TEST(EasingCurve, CombinedHalvesMeetHalfwayAtTheMiddle) {
  // Circ is vertical where its halves meet, so the first half is checked
  // as close to the middle as a float gets.
  const float justBelowHalf = std::nextafter(0.5F, 0.0F);
  for (std::int32_t curve = 11; curve <= kEasingLimit; ++curve) {
    for (const std::int32_t easing : {curve, -curve}) {
      if (easing == 18) continue;  // Covered above: the rising halves do not meet.
      EXPECT_NEAR(easingCurve(easing, 0.5F, 10, 100), 60, 1e-3F) << easing;
      // Expo out stops 2^−10 short of its end before it snaps there, hence
      // the looser bound just before the middle.
      EXPECT_NEAR(easingCurve(easing, justBelowHalf, 10, 100), 60, 0.1F) << easing;
    }
  }
}

TEST(EasingCurve, UnknownCurvesAreLinear) {
  for (const std::int32_t easing : {21, -21, 100, INT_MAX, INT_MIN}) {
    EXPECT_FLOAT_EQ(easingCurve(easing, 0.3F, 10, 100), 40) << easing;
  }
}

TEST(Ease, LinearUsesTheExactProduct) {
  EXPECT_FLOAT_EQ(ease(100, 501, 1002, 0), 50);
  EXPECT_FLOAT_EQ(ease(2000, 2'000'000, 4'000'000, 0), 1000);
  EXPECT_FLOAT_EQ(ease(-7, 1, 2, 0), -3.5F);
  EXPECT_FLOAT_EQ(ease(100, 1, 3, 0), 100.0F / 3);
  EXPECT_FLOAT_EQ(ease(42, 5, 0, 3), 42);
}

TEST(Ease, CurvesRunFromZeroToTheDelta) {
  EXPECT_NEAR(ease(100, 500, 1000, 1), 70.7107F, 1e-3F);
  EXPECT_NEAR(ease(-80, 250, 1000, 2), -35, 1e-3F);
  EXPECT_NEAR(ease(64, 3, 6, -5), 2, 1e-4F);
}

TEST(EaseInteger, TruncatesTheValueTowardZero) {
  // Easing 0 divides the change as integers; a curve truncates start + change.
  struct Case {
    std::int32_t start, delta, elapsed, duration, easing, expected;
  };
  const Case cases[] = {
      {0, 100, 1, 3, 0, 33},          {0, -100, 1, 3, 0, -33},
      {255, -100, 1, 3, 0, 222},      {0, 2000, 2'000'000, 4'000'000, 0, 1000},
      {0, 100, 500, 1000, 1, 70},     {0, -100, 500, 1000, 1, -70},
      {255, -100, 500, 1000, 1, 184},  // 184.29, not 255 - 70
      {0, 255, 250, 1000, -2, 15},    {0, -255, 250, 1000, -2, -15},
      {10, 9, 4, 0, 0, 19},
  };
  for (const auto& [start, delta, elapsed, duration, easing, expected] : cases) {
    EXPECT_EQ(easeInteger(start, delta, elapsed, duration, easing), expected)
        << start << " + " << delta << " " << elapsed << "/" << duration << " easing " << easing;
  }
}

}  // namespace
}  // namespace tsuzuri::scene
