#include "render/scaling_filters.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

namespace tsuzuri::render {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr ScalingFilter kFilters[] = {ScalingFilter::kBiLinearSharp, ScalingFilter::kLanczos1,
                                      ScalingFilter::kBiQuad, ScalingFilter::kBiCubic,
                                      ScalingFilter::kLanczos2};
constexpr const char* kNames[] = {"BiLinearSharp", "Lanczos1", "BiQuad", "BiCubic", "Lanczos2"};
const char* nameOf(ScalingFilter filter) {
  return kNames[static_cast<int>(filter)];
}

double sinc(double d) {
  return d == 0 ? 1.0 : std::sin(kPi * d) / (kPi * d);
}

// The cubic convolution kernel with a = -1, written out by distance.
double cubicKernel(double d) {
  d = std::abs(d);
  if (d <= 1) return d * d * d - 2 * d * d + 1;
  if (d < 2) return -d * d * d + 5 * d * d - 8 * d + 4;
  return 0;
}

constexpr double kFractions[] = {0.0, 0.1, 0.25, 0.5, 0.7, 0.999};

TEST(ScalingWeights, BiLinearSharpIsBilinearAtOneAndSteeperAbove) {
  for (const double f : kFractions) EXPECT_DOUBLE_EQ(sharpWeight(f, 1), f) << f;
  const std::pair<double, double> steep[] = {{0.1, 0},   {0.3, 0},   {0.4, 0.2},
                                             {0.5, 0.5}, {0.6, 0.8}, {0.9, 1}};
  for (const auto& [f, w] : steep) EXPECT_NEAR(sharpWeight(f, 3), w, 1e-12) << f;

  // Destination width, picture width, s: a reduction or the same size is
  // plain bilinear.
  const std::tuple<std::int32_t, std::int32_t, float> sizes[] = {
      {800, 800, 1.0F},    {400, 800, 1.0F},  {1600, 800, 1.5F},
      {1920, 1280, 1.25F}, {2400, 800, 2.0F}, {100, 0, 1.0F}};
  for (const auto& [destination, picture, s] : sizes) {
    EXPECT_FLOAT_EQ(sharpness(destination, picture), s) << destination << " / " << picture;
  }
}

TEST(ScalingWeights, QuadAndCubicKeepTheCentreAtZeroAndSumToOne) {
  EXPECT_EQ(biQuadWeights(0), (std::array<double, 3>{0, 1, 0}));
  EXPECT_EQ(biCubicWeights(0), (std::array<double, 4>{0, 1, 0, 0}));
  // Towards f = 1 both hand over to the next texel, so the picture has no
  // seams between texels.
  EXPECT_EQ(biQuadWeights(1), (std::array<double, 3>{0, 0, 1}));
  EXPECT_EQ(biCubicWeights(1), (std::array<double, 4>{0, 0, 1, 0}));
  for (const double f : kFractions) {
    const auto quad = biQuadWeights(f);
    const auto cubic = biCubicWeights(f);
    EXPECT_NEAR(quad[0] + quad[1] + quad[2], 1, 1e-12) << f;
    EXPECT_NEAR(cubic[0] + cubic[1] + cubic[2] + cubic[3], 1, 1e-12) << f;
    const double distances[] = {f + 1, f, 1 - f, 2 - f};
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_NEAR(cubic[i], cubicKernel(distances[i]), 1e-12) << f << " tap " << i;
    }
  }
}

TEST(ScalingWeights, LanczosFollowSincAndSurviveZero) {
  for (const double d : {0.25, 0.5, 0.75, 1.0, 1.5, 2.0}) {
    EXPECT_NEAR(lanczos1(d), sinc(d) * sinc(d), 1e-12) << d;
    EXPECT_NEAR(lanczos2(d), sinc(d) * sinc(d / 2), 1e-12) << d;
    EXPECT_DOUBLE_EQ(lanczos1(-d), lanczos1(d));
    EXPECT_DOUBLE_EQ(lanczos2(-d), lanczos2(d));
  }
  // At and near zero the floor on πd holds: just below 1, never NaN.
  for (const auto weight : {&lanczos1, &lanczos2}) {
    EXPECT_LT(weight(0), 1.0);
    EXPECT_GT(weight(0), 1.0 - 1e-5);
    EXPECT_EQ(weight(1e-12), weight(0));
  }
}

// A picture of `width` × `height` pseudo-random texels.
std::vector<std::uint32_t> noise(std::int32_t width, std::int32_t height) {
  std::vector<std::uint32_t> texels(static_cast<std::size_t>(width * height));
  std::uint32_t state = 12345;
  for (std::uint32_t& t : texels) {
    state = state * 1664525U + 1013904223U;
    t = state;
  }
  return texels;
}

std::uint32_t pack(const UnitColour& colour) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    word |= static_cast<std::uint32_t>(std::lround(colour[i] * 255)) << (8 * i);
  }
  return word;
}

TEST(ScalingFilters, KeepTexelCentresAndAPictureAtItsOwnSize) {
  const std::vector<std::uint32_t> texels = noise(7, 5);
  const PixelView picture{texels.data(), {7, 5}, 7};
  std::vector<std::uint32_t> copy(texels.size());
  for (const ScalingFilter filter : kFilters) {
    SCOPED_TRACE(nameOf(filter));
    for (std::int32_t y = 0; y < 5; ++y) {
      for (std::int32_t x = 0; x < 7; ++x) {
        EXPECT_EQ(pack(filterAt(picture, filter, x, y, 2.0)),
                  texels[static_cast<std::size_t>(y * 7 + x)])
            << x << "," << y;
      }
    }
    scalePicture(picture, filter, copy.data(), {7, 5}, 7);
    EXPECT_EQ(copy, texels);
  }
}

TEST(ScalingFilters, NeverReadPastTheEdges) {
  // A flat picture inside a frame of other values: whatever a tap reads
  // outside the picture would show.
  constexpr std::int32_t kStride = 11;
  std::vector<std::uint32_t> buffer(kStride * 9, 0xFF00FF00U);
  for (std::int32_t y = 2; y < 7; ++y) {
    for (std::int32_t x = 3; x < 8; ++x)
      buffer[static_cast<std::size_t>(y * kStride + x)] = 0x80402010U;
  }
  const PixelView picture{buffer.data() + 2 * kStride + 3, {5, 5}, kStride};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, double> points[] = {{-0.5, -0.5}, {4.49, 4.49}, {-0.99, 2.3}, {2.6, 4.9},
                                              {-40, 1e9},   {nan, 0.5},   {0.5, -1e300}};
  for (const ScalingFilter filter : kFilters) {
    for (const auto& [x, y] : points) {
      EXPECT_EQ(pack(filterAt(picture, filter, x, y, 4.0)), 0x80402010U)
          << nameOf(filter) << " at " << x << "," << y;
    }
  }
}

// Each filter's weight for the texel at (dx, dy) from the one at or before
// the point (fx, fy): the 4 × 4 filters read the rows -1 and +2 only at
// offsets 0 and +1, which carry the weights of their outer neighbours.
double tapWeight(ScalingFilter filter, double fx, double fy, int dx, int dy) {
  const auto along = [&](double f, int d, bool shortRow) -> double {
    switch (filter) {
      case ScalingFilter::kBiLinearSharp: {
        const double w = sharpWeight(f, 2.0);
        return d == 0 ? 1 - w : d == 1 ? w : 0;
      }
      case ScalingFilter::kLanczos1: {
        const double total = lanczos1(f) + lanczos1(1 - f);
        return d == 0 ? lanczos1(f) / total : d == 1 ? lanczos1(1 - f) / total : 0;
      }
      case ScalingFilter::kBiQuad:
        return d >= -1 && d <= 1 ? biQuadWeights(f)[static_cast<std::size_t>(d + 1)] : 0;
      case ScalingFilter::kBiCubic:
      case ScalingFilter::kLanczos2:
        break;
    }
    std::array<double, 4> w = biCubicWeights(f);
    if (filter == ScalingFilter::kLanczos2) {
      w = {lanczos2(f + 1), lanczos2(f), lanczos2(1 - f), lanczos2(2 - f)};
      const double total = w[0] + w[1] + w[2] + w[3];
      for (double& weight : w) weight /= total;
    }
    if (d < -1 || d > 2) return 0;
    if (!shortRow) return w[static_cast<std::size_t>(d + 1)];
    return d == 0 ? w[0] + w[1] : d == 1 ? w[2] + w[3] : 0;
  };
  return along(fx, dx, dy == -1 || dy == 2) * along(fy, dy, false);
}

TEST(ScalingFilters, WeighEachTapAsTheirPatternSays) {
  // One lit texel at a time around the point (3.3, 3.6) of a dark picture.
  constexpr double kX = 3.3, kY = 3.6;
  for (const ScalingFilter filter : kFilters) {
    for (int dy = -2; dy <= 3; ++dy) {
      for (int dx = -2; dx <= 3; ++dx) {
        std::vector<std::uint32_t> texels(64, 0);
        texels[static_cast<std::size_t>((3 + dy) * 8 + 3 + dx)] = 0xFF;
        const UnitColour colour = filterAt({texels.data(), {8, 8}, 8}, filter, kX, kY, 2.0);
        EXPECT_NEAR(colour[0], tapWeight(filter, kX - 3, kY - 3, dx, dy), 1e-12)
            << nameOf(filter) << " tap " << dx << "," << dy;
        EXPECT_EQ(colour[1], 0.0);
      }
    }
  }
}

TEST(ScalingFilters, ScaleAMirroredPictureIntoAMirroredOne) {
  // Every filter but BiQuad, whose weights lean towards the next texel, is
  // symmetric; a misplaced pixel centre would break the symmetry.
  std::vector<std::uint32_t> texels = noise(16, 3);
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 8; x < 16; ++x) {
      texels[static_cast<std::size_t>(y * 16 + x)] =
          texels[static_cast<std::size_t>(y * 16 + 15 - x)];
    }
  }
  const PixelView picture{texels.data(), {16, 3}, 16};
  for (const ScalingFilter filter : kFilters) {
    if (filter == ScalingFilter::kBiQuad) continue;
    for (const std::int32_t width : {40, 23, 8}) {
      for (std::int32_t x = 0; x < width / 2; ++x) {
        const std::uint32_t left = scaledPixel(picture, filter, {width, 5}, x, 2);
        const std::uint32_t right = scaledPixel(picture, filter, {width, 5}, width - 1 - x, 2);
        // Rational weights often land on a half, which the rounding of
        // either side's sum may take up or down.
        for (int shift = 0; shift < 32; shift += 8) {
          EXPECT_LE(std::abs(static_cast<int>(left >> shift & 0xFFU) -
                             static_cast<int>(right >> shift & 0xFFU)),
                    1)
              << nameOf(filter) << " to " << width << " at " << x;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tsuzuri::render
