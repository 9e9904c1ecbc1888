#include "assets/image_ops_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <numbers>
#include <numeric>

#include "assets/image_kernels.h"

namespace tsuzuri::assets {

namespace {

constexpr std::u8string_view kResizeMissing = u8"-RES: 画像データを読み込めませんでした\n";
constexpr std::u8string_view kResizeNoMemory = u8"-RES: メモリを確保出来ませんでした\n";
constexpr std::u8string_view kResizeBadSize = u8"-RES: 幅値の設定が無効です\n";
constexpr std::u8string_view kRotateMissing = u8"-ROT: 画像データを読み込めませんでした\n";
constexpr std::u8string_view kRotateNoMemory = u8"-ROT: メモリを確保出来ませんでした\n";

constexpr int kFractionBits = 18;
constexpr std::int64_t kOne = std::int64_t{1} << kFractionBits;
constexpr std::int64_t kFractionMask = kOne - 1;

struct Size {
  std::int32_t width;
  std::int32_t height;
};

template <class T>
std::unique_ptr<T[]> allocateArray(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

double roundHalfUp(double value) {
  return std::floor(value + 0.5);
}

// A side from an already rounded or truncated real: at least 1, and
// saturated just above the image limit so that absurd sizes reach
// createImage, which refuses them, instead of overflowing the conversion.
std::int32_t sideFrom(double value) {
  if (!(value >= 1.0)) return 1;
  if (value > kMaxImageSide + 1.0) return kMaxImageSide + 1;
  return static_cast<std::int32_t>(value);
}

const std::uint8_t* sourcePixel(const ImageBuffer& image, std::int64_t x, std::int64_t y) {
  return image.pixels + (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                         static_cast<std::size_t>(x)) *
                            4;
}

std::size_t byteCount(const ImageBuffer& image) {
  return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
}

Size resizeTarget(const ImageBuffer& source, double a, double b, std::int32_t sizeMode) {
  const double width = source.width;
  const double height = source.height;
  switch (sizeMode) {
    case 0:
    case 2: {
      if (a == 0) a = b;
      if (b == 0) b = a;
      const double unit = sizeMode == 0 ? 100.0 : 1.0;
      return {sideFrom(roundHalfUp(width * a / unit)), sideFrom(roundHalfUp(height * b / unit))};
    }
    case 1:
      if (a == 0) return {sideFrom(roundHalfUp(b * width / height)), sideFrom(roundHalfUp(b))};
      if (b == 0) return {sideFrom(roundHalfUp(a)), sideFrom(roundHalfUp(a * height / width))};
      return {sideFrom(roundHalfUp(a)), sideFrom(roundHalfUp(b))};
    default:
      return {1, 1};
  }
}

// --- Nearest -----------------------------------------------------------

// Destination index i samples min(trunc(i × S / T + 0.5), S − 1); the
// ratio is taken first, as real arithmetic, which decides the rounding.
void nearestIndices(std::int32_t sourceSize, std::int32_t targetSize, std::int32_t* indices) {
  const double ratio = static_cast<double>(sourceSize) / targetSize;
  for (std::int32_t i = 0; i < targetSize; ++i) {
    indices[i] = std::min(static_cast<std::int32_t>(i * ratio + 0.5), sourceSize - 1);
  }
}

bool resizeNearest(const ImageBuffer& source, ImageBuffer** destination, Size size) {
  auto columns = allocateArray<std::int32_t>(static_cast<std::size_t>(size.width));
  auto rows = allocateArray<std::int32_t>(static_cast<std::size_t>(size.height));
  if (!columns || !rows) return false;
  nearestIndices(source.width, size.width, columns.get());
  nearestIndices(source.height, size.height, rows.get());
  if (!prepareDestination(destination, size.width, size.height, source.depth)) return false;
  ImageBuffer& target = **destination;
  const std::int32_t* columnIndices = columns.get();
  const std::int32_t* rowIndices = rows.get();
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::uint8_t* out = pixelAt(target, 0, y);
    for (std::int32_t x = 0; x < size.width; ++x, out += 4) {
      std::memcpy(out, sourcePixel(source, columnIndices[x], rowIndices[y]), 4);
    }
  }
  return true;
}

// --- Bilinear ----------------------------------------------------------

// Where the first sample lies, in 1/2^18 of a source pixel; negative when
// enlarging.
std::int64_t bilinearStart(std::int32_t sourceSize, std::int32_t targetSize) {
  const std::int64_t difference = std::int64_t{sourceSize - targetSize} * kOne;
  if (targetSize < sourceSize) return difference / sourceSize;
  if (targetSize > sourceSize) return difference / targetSize / 2;
  return 0;
}

void bilinearTaps(std::int32_t sourceSize, std::int32_t targetSize, BilinearTap* taps) {
  const std::int64_t step = std::int64_t{sourceSize} * kOne / targetSize;
  const std::int64_t start = bilinearStart(sourceSize, targetSize);
  for (std::int32_t i = 0; i < targetSize; ++i) {
    const std::int64_t position = std::max<std::int64_t>(start + step * i, 0);
    auto index = static_cast<std::int32_t>(position >> kFractionBits);
    auto fraction = static_cast<std::int32_t>(position & kFractionMask);
    if (sourceSize == 1) {
      taps[i] = {0, 0, 0};
      continue;
    }
    // Past the last pair the last pixel is taken whole.
    if (index > sourceSize - 2) {
      index = sourceSize - 2;
      fraction = static_cast<std::int32_t>(kOne);
    }
    taps[i] = {index, index + 1, fraction};
  }
}

// Both weights in 1/2^18; the sum of the products stays below 2^31.
std::int32_t mix(std::int32_t first, std::int32_t second, std::int32_t fraction) {
  return (first * (static_cast<std::int32_t>(kOne) - fraction) + second * fraction) >>
         kFractionBits;
}

}  // namespace

// Rows [firstRow, endRow) of a bilinear resize. Bands of rows are
// independent, so a vector or threaded version can replace this whole.
void bilinearRows(const ImageBuffer& source, ImageBuffer& target, const BilinearTap* columns,
                  const BilinearTap* rows, std::int32_t firstRow, std::int32_t endRow) {
  for (std::int32_t y = firstRow; y < endRow; ++y) {
    const BilinearTap row = rows[y];
    std::uint8_t* out = pixelAt(target, 0, y);
    for (std::int32_t x = 0; x < target.width; ++x, out += 4) {
      const BilinearTap column = columns[x];
      const std::uint8_t* p00 = sourcePixel(source, column.first, row.first);
      const std::uint8_t* p10 = sourcePixel(source, column.second, row.first);
      const std::uint8_t* p01 = sourcePixel(source, column.first, row.second);
      const std::uint8_t* p11 = sourcePixel(source, column.second, row.second);
      for (int channel = 0; channel < 4; ++channel) {
        const std::int32_t top = mix(p00[channel], p10[channel], column.fraction);
        const std::int32_t bottom = mix(p01[channel], p11[channel], column.fraction);
        out[channel] = static_cast<std::uint8_t>(mix(top, bottom, row.fraction));
      }
    }
  }
}

namespace {

bool resizeBilinear(const ImageBuffer& source, ImageBuffer** destination, Size size) {
  auto columns = allocateArray<BilinearTap>(static_cast<std::size_t>(size.width));
  auto rows = allocateArray<BilinearTap>(static_cast<std::size_t>(size.height));
  if (!columns || !rows) return false;
  bilinearTaps(source.width, size.width, columns.get());
  bilinearTaps(source.height, size.height, rows.get());
  if (!prepareDestination(destination, size.width, size.height, source.depth)) return false;
  const ImageKernels& kernels = imageKernels();
  ImageBuffer& target = **destination;
  const BilinearTap* columnTaps = columns.get();
  const BilinearTap* rowTaps = rows.get();
  runInBands(size.height, kernels.bilinearBands, [&](std::int32_t first, std::int32_t end) {
    kernels.bilinearRows(source, target, columnTaps, rowTaps, first, end);
  });
  return true;
}

// --- Area average ------------------------------------------------------

// A source pixel and how many units of it (in 1/q of a pixel) one target
// pixel covers.
struct AreaTap {
  std::int32_t index;
  std::int32_t units;
};

// The coverage of every target pixel along one axis: target i takes
// taps[begin[i]] .. taps[begin[i + 1] − 1], p units in all. The source and
// target boundaries together cut the axis into at most S + T − 1 pieces.
struct AreaTaps {
  std::unique_ptr<AreaTap[]> taps;
  std::unique_ptr<std::int32_t[]> begin;
  std::int32_t p = 1;
};

bool areaTaps(std::int32_t sourceSize, std::int32_t targetSize, AreaTaps& result) {
  result.taps = allocateArray<AreaTap>(static_cast<std::size_t>(sourceSize) +
                                       static_cast<std::size_t>(targetSize));
  result.begin = allocateArray<std::int32_t>(static_cast<std::size_t>(targetSize) + 1);
  if (!result.taps || !result.begin) return false;
  const std::int32_t divisor = std::gcd(sourceSize, targetSize);
  const std::int32_t p = sourceSize / divisor;
  const std::int32_t q = targetSize / divisor;
  result.p = p;
  std::int64_t unit = 0;
  std::int32_t source = 0;
  AreaTap* taps = result.taps.get();
  std::int32_t* begin = result.begin.get();
  std::int32_t count = 0;
  for (std::int32_t i = 0; i < targetSize; ++i) {
    begin[i] = count;
    const std::int64_t end = std::int64_t{i + 1} * p;
    while (unit < end) {
      const std::int64_t sourceEnd = std::int64_t{source + 1} * q;
      const std::int64_t stop = std::min(sourceEnd, end);
      taps[count++] = {source, static_cast<std::int32_t>(stop - unit)};
      unit = stop;
      if (stop == sourceEnd) ++source;
    }
  }
  begin[targetSize] = count;
  return true;
}

// Averages `lines` lines along one axis. Elements of a line lie
// `elementStride` bytes apart, lines `lineStride` bytes apart, in the
// source and in the target alike.
void areaPass(const std::uint8_t* source, std::uint8_t* target, const AreaTaps& coverage,
              std::int32_t targetSize, std::int32_t lines, std::size_t sourceElementStride,
              std::size_t sourceLineStride, std::size_t targetElementStride,
              std::size_t targetLineStride) {
  const auto p = static_cast<std::uint32_t>(coverage.p);
  const AreaTap* taps = coverage.taps.get();
  const std::int32_t* begin = coverage.begin.get();
  for (std::int32_t line = 0; line < lines; ++line) {
    const std::uint8_t* in = source + static_cast<std::size_t>(line) * sourceLineStride;
    std::uint8_t* out = target + static_cast<std::size_t>(line) * targetLineStride;
    for (std::int32_t i = 0; i < targetSize; ++i, out += targetElementStride) {
      // At most p × 255 with p ≤ 32768: no overflow.
      std::uint32_t sums[4] = {0, 0, 0, 0};
      for (std::int32_t k = begin[i]; k < begin[i + 1]; ++k) {
        const AreaTap tap = taps[k];
        const std::uint8_t* pixel = in + static_cast<std::size_t>(tap.index) * sourceElementStride;
        const auto units = static_cast<std::uint32_t>(tap.units);
        for (int channel = 0; channel < 4; ++channel) sums[channel] += units * pixel[channel];
      }
      for (int channel = 0; channel < 4; ++channel) {
        out[channel] = static_cast<std::uint8_t>(sums[channel] / p);
      }
    }
  }
}

bool resizeAreaAverage(const ImageBuffer& source, ImageBuffer** destination, Size size) {
  AreaTaps horizontal;
  AreaTaps vertical;
  if (!areaTaps(source.width, size.width, horizontal) ||
      !areaTaps(source.height, size.height, vertical)) {
    return false;
  }
  const ImagePtr between = makeImage(size.width, source.height, source.depth);
  if (!between) return false;
  const std::size_t sourceRow = static_cast<std::size_t>(source.width) * 4;
  const std::size_t targetRow = static_cast<std::size_t>(size.width) * 4;
  areaPass(source.pixels, between->pixels, horizontal, size.width, source.height, 4, sourceRow, 4,
           targetRow);
  if (!prepareDestination(destination, size.width, size.height, source.depth)) return false;
  areaPass(between->pixels, (*destination)->pixels, vertical, size.height, size.width, targetRow, 4,
           targetRow, 4);
  return true;
}

// Resizes into *destination, which is not `source`. False only when
// memory is short; *destination is then as prepareDestination leaves it.
bool resizeTo(const ImageBuffer& source, ImageBuffer** destination, Size size,
              std::int32_t reduceFilter, std::int32_t enlargeFilter) {
  if (size.width == source.width && size.height == source.height) {
    if (!prepareDestination(destination, size.width, size.height, source.depth)) return false;
    std::memcpy((*destination)->pixels, source.pixels, byteCount(source));
    return true;
  }
  const bool enlarging = size.width > source.width || size.height > source.height;
  switch (enlarging ? enlargeFilter : reduceFilter) {
    case 1:
      return resizeBilinear(source, destination, size);
    case 2:
      return enlarging ? resizeNearest(source, destination, size)
                       : resizeAreaAverage(source, destination, size);
    default:
      return resizeNearest(source, destination, size);
  }
}

// --- Rotation ----------------------------------------------------------

enum class QuarterTurns { kNone, kClockwise, kHalf, kCounterClockwise };

void turn(const ImageBuffer& source, ImageBuffer& target, QuarterTurns turns) {
  const std::int32_t width = source.width;
  const std::int32_t height = source.height;
  switch (turns) {
    case QuarterTurns::kNone:
      std::memcpy(target.pixels, source.pixels, byteCount(source));
      return;
    case QuarterTurns::kHalf: {
      const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
      for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(target.pixels + i * 4, source.pixels + (count - 1 - i) * 4, 4);
      }
      return;
    }
    case QuarterTurns::kClockwise:
      for (std::int32_t y = 0; y < target.height; ++y) {
        for (std::int32_t x = 0; x < target.width; ++x) {
          std::memcpy(pixelAt(target, x, y), sourcePixel(source, y, height - 1 - x), 4);
        }
      }
      return;
    case QuarterTurns::kCounterClockwise:
      for (std::int32_t y = 0; y < target.height; ++y) {
        for (std::int32_t x = 0; x < target.width; ++x) {
          std::memcpy(pixelAt(target, x, y), sourcePixel(source, width - 1 - y, x), 4);
        }
      }
      return;
  }
}

bool quarterTurn(ImageConsole& console, ImageBuffer** destination, const ImageBuffer& source,
                 QuarterTurns turns, double scale) {
  const bool sideways =
      turns == QuarterTurns::kClockwise || turns == QuarterTurns::kCounterClockwise;
  const std::int32_t width = sideways ? source.height : source.width;
  const std::int32_t height = sideways ? source.width : source.height;
  if (scale == 0 || scale == 1) {
    if (!prepareDestination(destination, width, height, source.depth)) {
      printLine(console, kRotateNoMemory);
      return false;
    }
    turn(source, **destination, turns);
    return true;
  }
  const ImagePtr turned = makeImage(width, height, source.depth);
  if (turned) {
    turn(source, *turned, turns);
    const Size size{sideFrom(roundHalfUp(width * scale)), sideFrom(roundHalfUp(height * scale))};
    if (resizeTo(*turned, destination, size, 1, 1)) return true;
  }
  printLine(console, kRotateNoMemory);
  return false;
}

// round(2^18 × value), saturated so that a scale near zero cannot overflow
// the positions (2^40 × 2^15 pixels stays far inside 64 bits).
std::int64_t fixedFrom(double value) {
  constexpr double kLimit = static_cast<double>(std::int64_t{1} << 40);
  const double fixed = roundHalfUp(value * static_cast<double>(kOne));
  if (!(fixed > -kLimit)) return std::isnan(fixed) ? 0 : -(std::int64_t{1} << 40);
  if (fixed > kLimit) return std::int64_t{1} << 40;
  return static_cast<std::int64_t>(fixed);
}

void rotateNearestRows(const ImageBuffer& source, ImageBuffer& target, const RotationSteps& steps,
                       std::int32_t firstRow, std::int32_t endRow) {
  for (std::int32_t y = firstRow; y < endRow; ++y) {
    std::int64_t sx = steps.x - steps.sine * y;
    std::int64_t sy = steps.y + steps.cosine * y;
    std::uint8_t* out = pixelAt(target, 0, y);
    for (std::int32_t x = 0; x < target.width;
         ++x, out += 4, sx += steps.cosine, sy += steps.sine) {
      const std::int64_t ix = sx >> kFractionBits;
      const std::int64_t iy = sy >> kFractionBits;
      if (sx >= 0 && sy >= 0 && ix < source.width && iy < source.height) {
        std::memcpy(out, sourcePixel(source, ix, iy), 4);
      } else {
        std::memset(out, 0, 4);
      }
    }
  }
}

}  // namespace

// Rows [firstRow, endRow) of a bilinear rotation; neighbours outside the
// source count as transparent black. Replaceable whole, like bilinearRows.
void rotateBilinearRows(const ImageBuffer& source, ImageBuffer& target, const RotationSteps& steps,
                        std::int32_t firstRow, std::int32_t endRow) {
  static constexpr std::uint8_t kClear[4] = {0, 0, 0, 0};
  const auto fetch = [&source](std::int64_t x, std::int64_t y) {
    return x >= 0 && y >= 0 && x < source.width && y < source.height ? sourcePixel(source, x, y)
                                                                     : kClear;
  };
  for (std::int32_t y = firstRow; y < endRow; ++y) {
    std::int64_t sx = steps.x - steps.sine * y;
    std::int64_t sy = steps.y + steps.cosine * y;
    std::uint8_t* out = pixelAt(target, 0, y);
    for (std::int32_t x = 0; x < target.width;
         ++x, out += 4, sx += steps.cosine, sy += steps.sine) {
      const std::int64_t ix = sx >> kFractionBits;
      const std::int64_t iy = sy >> kFractionBits;
      if (sx < -kOne || sy < -kOne || ix >= source.width || iy >= source.height) {
        std::memset(out, 0, 4);
        continue;
      }
      const auto fx = static_cast<std::int32_t>(sx & kFractionMask);
      const auto fy = static_cast<std::int32_t>(sy & kFractionMask);
      const std::uint8_t* p00 = fetch(ix, iy);
      const std::uint8_t* p10 = fetch(ix + 1, iy);
      const std::uint8_t* p01 = fetch(ix, iy + 1);
      const std::uint8_t* p11 = fetch(ix + 1, iy + 1);
      for (int channel = 0; channel < 4; ++channel) {
        const std::int32_t top = mix(p00[channel], p10[channel], fx);
        const std::int32_t bottom = mix(p01[channel], p11[channel], fx);
        out[channel] = static_cast<std::uint8_t>(mix(top, bottom, fy));
      }
    }
  }
}

namespace {

bool generalRotation(ImageConsole& console, ImageBuffer** destination, const ImageBuffer& source,
                     double angle, double scale, bool bilinear) {
  const double theta = -angle * std::numbers::pi / 180.0;
  double sine = std::sin(theta);
  double cosine = std::cos(theta);
  double width = roundHalfUp(std::abs(sine) * source.height + std::abs(cosine) * source.width);
  double height = roundHalfUp(std::abs(cosine) * source.height + std::abs(sine) * source.width);
  if (scale != 0) {
    width = std::trunc(width * scale);
    height = std::trunc(height * scale);
    sine /= scale;
    cosine /= scale;
  }
  const Size size{sideFrom(width), sideFrom(height)};
  RotationSteps steps{0, 0, fixedFrom(sine), fixedFrom(cosine)};
  const std::int64_t centreX = size.width / 2;
  const std::int64_t centreY = size.height / 2;
  steps.x = source.width / 2 * kOne - steps.cosine * centreX + steps.sine * centreY;
  steps.y = source.height / 2 * kOne - steps.sine * centreX - steps.cosine * centreY;
  if (bilinear) {
    steps.x += bilinearStart(source.width, size.width);
    steps.y += bilinearStart(source.height, size.height);
  }
  // The corners of the canvas are transparent.
  if (!prepareDestination(destination, size.width, size.height, 32)) {
    printLine(console, kRotateNoMemory);
    return false;
  }
  if (bilinear) {
    const ImageKernels& kernels = imageKernels();
    ImageBuffer& target = **destination;
    runInBands(size.height, kernels.bilinearBands, [&](std::int32_t first, std::int32_t end) {
      kernels.rotateBilinearRows(source, target, steps, first, end);
    });
  } else {
    rotateNearestRows(source, **destination, steps, 0, size.height);
  }
  return true;
}

}  // namespace

bool resizeImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                 double a, double b, std::int32_t sizeMode, std::int32_t reduceFilter,
                 std::int32_t enlargeFilter) {
  if (destination == nullptr || source == nullptr) {
    printLine(console, kResizeMissing);
    return false;
  }
  if (a < 1 && b < 1) {
    printLine(console, kResizeBadSize);
    return false;
  }
  if (*destination == source) {
    return inPlace(destination, [&](ImageBuffer** result) {
      return resizeImage(console, result, source, a, b, sizeMode, reduceFilter, enlargeFilter);
    });
  }
  if (!resizeTo(*source, destination, resizeTarget(*source, a, b, sizeMode), reduceFilter,
                enlargeFilter)) {
    printLine(console, kResizeNoMemory);
    return false;
  }
  return true;
}

bool resizeImage2(ImageConsole& console, ImageBuffer** image, double a, double b,
                  std::int32_t sizeMode, std::int32_t reduceFilter, std::int32_t enlargeFilter) {
  const ImageBuffer* source = image != nullptr ? *image : nullptr;
  return inPlace(image, [&](ImageBuffer** result) {
    return resizeImage(console, result, source, a, b, sizeMode, reduceFilter, enlargeFilter);
  });
}

bool rotateImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                 double angle, double scale, std::int32_t filter) {
  if (destination == nullptr || source == nullptr) {
    printLine(console, kRotateMissing);
    return false;
  }
  if (*destination == source) {
    return inPlace(destination, [&](ImageBuffer** result) {
      return rotateImage(console, result, source, angle, scale, filter);
    });
  }
  if (std::isfinite(angle) && angle == std::trunc(angle)) {
    const double degrees = std::fmod(angle, 360.0);
    if (degrees == 0) return quarterTurn(console, destination, *source, QuarterTurns::kNone, scale);
    if (degrees == 90 || degrees == -270) {
      return quarterTurn(console, destination, *source, QuarterTurns::kClockwise, scale);
    }
    if (degrees == 180 || degrees == -180) {
      return quarterTurn(console, destination, *source, QuarterTurns::kHalf, scale);
    }
    if (degrees == 270 || degrees == -90) {
      return quarterTurn(console, destination, *source, QuarterTurns::kCounterClockwise, scale);
    }
  }
  return generalRotation(console, destination, *source, angle, scale, filter == 1);
}

bool rotateImage2(ImageConsole& console, ImageBuffer** image, double angle, double scale,
                  std::int32_t filter) {
  const ImageBuffer* source = image != nullptr ? *image : nullptr;
  return inPlace(image, [&](ImageBuffer** result) {
    return rotateImage(console, result, source, angle, scale, filter);
  });
}

}  // namespace tsuzuri::assets
