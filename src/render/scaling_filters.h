#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "render/geometry.h"
#include "render/gpu_device.h"

namespace tsuzuri::render {

// The sharper filters of the scaling pass, in the order of Interpolation
// 3 to 7. Each reads a neighbourhood of texels around the sample point and
// weights it itself; the GL device runs the same arithmetic as programs.
enum class ScalingFilter : std::uint8_t { kBiLinearSharp, kLanczos1, kBiQuad, kBiCubic, kLanczos2 };
inline constexpr int kScalingFilterCount = 5;

// The filter of an Interpolation value; none for modes 0 to 2, which the
// sampler alone serves, and for values out of range.
std::optional<ScalingFilter> scalingFilterOf(std::int32_t interpolation);
Program programOf(ScalingFilter filter);
// The device's pixel-shader level the filter needs (Lanczos2 is the only
// one that needs 3).
std::int32_t shaderLevelNeeded(ScalingFilter filter);

// BiLinearSharp's steepness s: half of the horizontal magnification beyond
// 1, and never below 1 (so that a reduction is plain bilinear).
float sharpness(std::int32_t destinationWidth, std::int32_t pictureWidth);

// The weight of the second texel on one axis for a sample at f (0 <= f < 1)
// past the first one's centre: bilinear for s = 1, a steeper ramp around
// the midpoint for larger s.
double sharpWeight(double f, double s);
// The weights of sinc²: sin²(πd) / (πd)², with πd kept at 0.00392 or more
// so that d = 0 gives nearly 1 instead of a division by zero.
double lanczos1(double d);
// The two-lobe Lanczos window sinc(d) sinc(d / 2), with the same floor on πd.
double lanczos2(double d);
// The weights of the texels at offsets -1, 0, +1 for a sample at f past
// the centre of offset 0; they sum to 1.
std::array<double, 3> biQuadWeights(double f);
// The cubic convolution kernel (a = -1) for the texels at offsets -1, 0,
// +1, +2; they sum to 1.
std::array<double, 4> biCubicWeights(double f);

// Rows of BGRA8 pixels (0xAARRGGBB words), top-down, `stride` pixels apart.
struct PixelView {
  const std::uint32_t* pixels = nullptr;
  Size size;
  std::int32_t stride = 0;
};

// A colour as unit values in the order of the bytes of 0xAARRGGBB from the
// low end: blue, green, red, alpha. Filtered values may leave [0, 1].
using UnitColour = std::array<double, 4>;

// The filtered colour at (x, y) in texel units, where texel (i, j) has its
// centre at (i, j): the taps are the texels at the filter's offsets from
// (floor(x), floor(y)), each clamped into the picture. `s` is
// BiLinearSharp's steepness and unused by the others.
UnitColour filterAt(const PixelView& picture, ScalingFilter filter, double x, double y,
                    double s = 1.0);

// Pixel (x, y) of the picture scaled to `destination` pixels: the pixel's
// centre mapped onto the picture, filtered, clamped and rounded.
std::uint32_t scaledPixel(const PixelView& picture, ScalingFilter filter, Size destination,
                          std::int32_t x, std::int32_t y);

// The whole picture scaled into `destination`, destinationSize pixels in
// rows destinationStride pixels apart: the processor's scaling pass.
void scalePicture(const PixelView& picture, ScalingFilter filter, std::uint32_t* destination,
                  Size destinationSize, std::int32_t destinationStride);

}  // namespace tsuzuri::render
