#include "render/scaling_filters.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tsuzuri::render {
namespace {

constexpr double kPi = 3.14159265358979323846;
// The smallest πd the Lanczos weights divide by.
constexpr double kMinimumAngle = 0.00392;

double angle(double d) {
  return std::max(kPi * std::abs(d), kMinimumAngle);
}

// Texel (x, y) with both kept inside the picture, as unit values.
UnitColour texel(const PixelView& picture, std::int64_t x, std::int64_t y) {
  x = std::clamp<std::int64_t>(x, 0, picture.size.width - 1);
  y = std::clamp<std::int64_t>(y, 0, picture.size.height - 1);
  const std::uint32_t word = picture.pixels[y * picture.stride + x];
  UnitColour colour{};
  for (std::size_t i = 0; i < 4; ++i)
    colour[i] = static_cast<double>(word >> (8 * i) & 0xFFU) / 255;
  return colour;
}

void addWeighted(UnitColour& sum, const UnitColour& colour, double weight) {
  for (std::size_t i = 0; i < 4; ++i) sum[i] += colour[i] * weight;
}

// Σ weights[i] × texel(x + first + i, y) along one row.
template <std::size_t N>
UnitColour row(const PixelView& picture, std::int64_t x, std::int64_t y, int first,
               const std::array<double, N>& weights) {
  UnitColour sum{};
  for (std::size_t i = 0; i < N; ++i) {
    addWeighted(sum, texel(picture, x + first + static_cast<std::int64_t>(i), y), weights[i]);
  }
  return sum;
}

// The N × N taps from offset `first` on both axes, weighted separably.
template <std::size_t N>
UnitColour separable(const PixelView& picture, std::int64_t x, std::int64_t y, int first,
                     const std::array<double, N>& wx, const std::array<double, N>& wy) {
  UnitColour sum{};
  for (std::size_t j = 0; j < N; ++j) {
    addWeighted(sum, row(picture, x, y + first + static_cast<std::int64_t>(j), first, wx), wy[j]);
  }
  return sum;
}

// The 4 × 4 filters in twelve reads: rows 0 and +1 read offsets -1 to +2;
// rows -1 and +2 read offset 0 for the weights of -1 and 0, and offset +1
// for those of +1 and +2.
UnitColour twelveTaps(const PixelView& picture, std::int64_t x, std::int64_t y,
                      const std::array<double, 4>& wx, const std::array<double, 4>& wy) {
  const std::array<double, 2> merged{wx[0] + wx[1], wx[2] + wx[3]};
  UnitColour sum{};
  addWeighted(sum, row(picture, x, y - 1, 0, merged), wy[0]);
  addWeighted(sum, row(picture, x, y, -1, wx), wy[1]);
  addWeighted(sum, row(picture, x, y + 1, -1, wx), wy[2]);
  addWeighted(sum, row(picture, x, y + 2, 0, merged), wy[3]);
  return sum;
}

template <std::size_t N>
std::array<double, N> normalised(std::array<double, N> weights) {
  double total = 0;
  for (const double w : weights) total += w;
  for (double& w : weights) w /= total;
  return weights;
}

std::array<double, 2> lanczos1Weights(double f) {
  return normalised(std::array<double, 2>{lanczos1(f), lanczos1(1 - f)});
}

std::array<double, 4> lanczos2Weights(double f) {
  return normalised(
      std::array<double, 4>{lanczos2(f + 1), lanczos2(f), lanczos2(1 - f), lanczos2(2 - f)});
}

// A coordinate kept where the cast to an integer is defined. Beyond one
// texel and a half outside the picture every tap reads the edge anyway;
// NaN becomes the low end.
double bounded(double value, std::int32_t size) {
  const double low = -2;
  const double high = static_cast<double>(size) + 1;
  if (!(value >= low)) return low;
  return value <= high ? value : high;
}

}  // namespace

std::optional<ScalingFilter> scalingFilterOf(std::int32_t interpolation) {
  if (interpolation < 3 || interpolation >= 3 + kScalingFilterCount) return std::nullopt;
  return static_cast<ScalingFilter>(interpolation - 3);
}

Program programOf(ScalingFilter filter) {
  switch (filter) {
    case ScalingFilter::kBiLinearSharp:
      return Program::kBiLinearSharp;
    case ScalingFilter::kLanczos1:
      return Program::kLanczos1;
    case ScalingFilter::kBiQuad:
      return Program::kBiQuad;
    case ScalingFilter::kBiCubic:
      return Program::kBiCubic;
    case ScalingFilter::kLanczos2:
      break;
  }
  return Program::kLanczos2;
}

std::int32_t shaderLevelNeeded(ScalingFilter filter) {
  return filter == ScalingFilter::kLanczos2 ? 3 : 2;
}

float sharpness(std::int32_t destinationWidth, std::int32_t pictureWidth) {
  if (pictureWidth <= 0) return 1.0F;
  const float magnification =
      static_cast<float>(destinationWidth) / static_cast<float>(pictureWidth);
  return std::max(1.0F, (magnification - 1.0F) * 0.5F + 1.0F);
}

double sharpWeight(double f, double s) {
  return std::clamp((f - 0.5) * s + 0.5, 0.0, 1.0);
}

double lanczos1(double d) {
  const double x = angle(d);
  const double sine = std::sin(x);
  return sine * sine / (x * x);
}

double lanczos2(double d) {
  const double x = angle(d);
  return std::sin(x) * std::sin(x / 2) / (x * x / 2);
}

std::array<double, 3> biQuadWeights(double f) {
  return {f * f - f, 1 - f * f, f};
}

std::array<double, 4> biCubicWeights(double f) {
  const double f2 = f * f;
  const double f3 = f2 * f;
  return {-f3 + 2 * f2 - f, f3 - 2 * f2 + 1, -f3 + f2 + f, f3 - f2};
}

UnitColour filterAt(const PixelView& picture, ScalingFilter filter, double x, double y, double s) {
  if (picture.pixels == nullptr || picture.size.width <= 0 || picture.size.height <= 0) return {};
  x = bounded(x, picture.size.width);
  y = bounded(y, picture.size.height);
  const double baseX = std::floor(x);
  const double baseY = std::floor(y);
  const double fx = x - baseX;
  const double fy = y - baseY;
  const auto bx = static_cast<std::int64_t>(baseX);
  const auto by = static_cast<std::int64_t>(baseY);
  switch (filter) {
    case ScalingFilter::kBiLinearSharp: {
      const double wx = sharpWeight(fx, s);
      const double wy = sharpWeight(fy, s);
      return separable<2>(picture, bx, by, 0, {1 - wx, wx}, {1 - wy, wy});
    }
    case ScalingFilter::kLanczos1:
      return separable(picture, bx, by, 0, lanczos1Weights(fx), lanczos1Weights(fy));
    case ScalingFilter::kBiQuad:
      return separable(picture, bx, by, -1, biQuadWeights(fx), biQuadWeights(fy));
    case ScalingFilter::kBiCubic:
      return twelveTaps(picture, bx, by, biCubicWeights(fx), biCubicWeights(fy));
    case ScalingFilter::kLanczos2:
      break;
  }
  return twelveTaps(picture, bx, by, lanczos2Weights(fx), lanczos2Weights(fy));
}

std::uint32_t scaledPixel(const PixelView& picture, ScalingFilter filter, Size destination,
                          std::int32_t x, std::int32_t y) {
  if (destination.width <= 0 || destination.height <= 0) return 0;
  // The pixel's centre in picture texels, whose centres lie on integers.
  const double scaleX = static_cast<double>(picture.size.width) / destination.width;
  const double scaleY = static_cast<double>(picture.size.height) / destination.height;
  const UnitColour colour =
      filterAt(picture, filter, (x + 0.5) * scaleX - 0.5, (y + 0.5) * scaleY - 0.5,
               sharpness(destination.width, picture.size.width));
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    word |= static_cast<std::uint32_t>(std::lround(std::clamp(colour[i], 0.0, 1.0) * 255))
            << (8 * i);
  }
  return word;
}

void scalePicture(const PixelView& picture, ScalingFilter filter, std::uint32_t* destination,
                  Size destinationSize, std::int32_t destinationStride) {
  for (std::int32_t y = 0; y < destinationSize.height; ++y) {
    for (std::int32_t x = 0; x < destinationSize.width; ++x) {
      destination[static_cast<std::ptrdiff_t>(y) * destinationStride + x] =
          scaledPixel(picture, filter, destinationSize, x, y);
    }
  }
}

}  // namespace tsuzuri::render
