#include "assets/image_ops_filters.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "assets/image_kernels.h"

namespace tsuzuri::assets {
namespace {

std::size_t pixelTotal(const ImageBuffer& image) {
  return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

std::uint8_t toByte(std::int32_t value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

std::uint32_t wordAt(const std::uint8_t* pixel) {
  return static_cast<std::uint32_t>(pixel[0]) | static_cast<std::uint32_t>(pixel[1]) << 8 |
         static_cast<std::uint32_t>(pixel[2]) << 16 | static_cast<std::uint32_t>(pixel[3]) << 24;
}

void storeWord(std::uint8_t* pixel, std::uint32_t value) {
  pixel[0] = static_cast<std::uint8_t>(value);
  pixel[1] = static_cast<std::uint8_t>(value >> 8);
  pixel[2] = static_cast<std::uint8_t>(value >> 16);
  pixel[3] = static_cast<std::uint8_t>(value >> 24);
}

// ---------------------------------------------------------------------------
// Averages shared by the blur and the mosaic.

// ⌊(sum + ⌊n/2⌋) × ⌊65536/n⌋ / 65536⌋: the 16-bit reciprocal loses precision
// for large n (a window of 300 white pixels averages to 254) and reaches 0
// above 65536 pixels; that is the result games were made with.
std::uint32_t roundedAverage(std::uint64_t sum, std::uint64_t count) {
  return static_cast<std::uint32_t>(((sum + count / 2) * (65536 / count)) >> 16);
}

std::uint8_t premultiply(std::uint8_t colour, std::uint8_t alpha) {
  return static_cast<std::uint8_t>(colour * (alpha + alpha / 128) / 256);
}

std::uint8_t unpremultiply(std::uint32_t colour, std::uint32_t alpha) {
  if (alpha == 0) return 0;
  if (colour > alpha) return 255;
  return static_cast<std::uint8_t>(255 * colour / alpha);
}

// The values the averages run over: the colours premultiplied by alpha for
// 32-bit images, the plain bytes otherwise.
std::vector<std::uint8_t> averagingSource(const ImageBuffer& image) {
  const std::size_t bytes = pixelTotal(image) * 4;
  std::vector<std::uint8_t> source(image.pixels, image.pixels + bytes);
  if (image.depth == 32) {
    for (std::size_t i = 0; i < bytes; i += 4) {
      const std::uint8_t alpha = source[i + 3];
      for (std::size_t c = 0; c < 3; ++c) source[i + c] = premultiply(source[i + c], alpha);
    }
  }
  return source;
}

// Writes the four channel averages of a window of n pixels; images without
// alpha keep their alpha of 255.
template <class Sum>
void storeAverage(std::uint8_t* pixel, const Sum* sums, std::uint64_t count, bool premultiplied) {
  if (premultiplied) {
    const std::uint32_t alpha = roundedAverage(sums[3], count);
    for (std::size_t c = 0; c < 3; ++c) {
      pixel[c] = unpremultiply(roundedAverage(sums[c], count), alpha);
    }
    pixel[3] = static_cast<std::uint8_t>(alpha);
  } else {
    for (std::size_t c = 0; c < 3; ++c) {
      pixel[c] = static_cast<std::uint8_t>(roundedAverage(sums[c], count));
    }
  }
}

// Running column sums over the rows of the vertical window, then a running
// sum of those columns along each row. Sum is 16 bits when every window has
// fewer than 256 pixels (255 × 255 + 127 fits); the 32-bit sums may wrap for
// windows above 65536 pixels, whose average is 0 whatever the sum.
template <class Sum>
void boxBlur(ImageBuffer& image, const std::vector<std::uint8_t>& source, std::int32_t radiusX,
             std::int32_t radiusY) {
  const std::int32_t width = image.width;
  const std::int32_t height = image.height;
  const bool premultiplied = image.depth == 32;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  std::vector<Sum> columns(rowBytes, 0);
  auto addRow = [&](std::int32_t y, bool subtract) {
    const std::uint8_t* row = source.data() + static_cast<std::size_t>(y) * rowBytes;
    for (std::size_t i = 0; i < rowBytes; ++i) {
      columns[i] = static_cast<Sum>(subtract ? columns[i] - row[i] : columns[i] + row[i]);
    }
  };
  for (std::int32_t y = 0; y <= std::min(radiusY, height - 1); ++y) addRow(y, false);

  for (std::int32_t y = 0; y < height; ++y) {
    if (y > 0) {
      if (y + radiusY < height) addRow(y + radiusY, false);
      if (y - radiusY - 1 >= 0) addRow(y - radiusY - 1, true);
    }
    const auto rows = static_cast<std::uint64_t>(std::min(y + radiusY, height - 1) -
                                                 std::max(y - radiusY, 0) + 1);
    std::array<Sum, 4> window{};
    auto addColumn = [&](std::int32_t x, bool subtract) {
      const Sum* column = columns.data() + static_cast<std::size_t>(x) * 4;
      for (std::size_t c = 0; c < 4; ++c) {
        window[c] = static_cast<Sum>(subtract ? window[c] - column[c] : window[c] + column[c]);
      }
    };
    for (std::int32_t x = 0; x <= std::min(radiusX, width - 1); ++x) addColumn(x, false);
    for (std::int32_t x = 0; x < width; ++x) {
      if (x > 0) {
        if (x + radiusX < width) addColumn(x + radiusX, false);
        if (x - radiusX - 1 >= 0) addColumn(x - radiusX - 1, true);
      }
      const auto columnsIn = static_cast<std::uint64_t>(std::min(x + radiusX, width - 1) -
                                                        std::max(x - radiusX, 0) + 1);
      storeAverage(pixelAt(image, x, y), window.data(), rows * columnsIn, premultiplied);
    }
  }
}

// ---------------------------------------------------------------------------
// HSL.

// One channel of the six-sector HSL conversion; hue in degrees (any range),
// low and high the smallest and largest channel values.
std::int32_t hueChannel(std::int32_t low, std::int32_t high, std::int32_t hue) {
  hue = ((hue % 360) + 360) % 360;
  if (hue < 60) return low + (high - low) * hue / 60;
  if (hue < 180) return high;
  if (hue < 240) return low + (high - low) * (240 - hue) / 60;
  return low;
}

// Lightness step t in -255..255 applied to one channel.
std::int32_t applyLightness(std::int32_t value, std::int32_t step) {
  if (step < 0) return value * (step + 255) / 256;
  return step + value * (255 - step) / 256;
}

void shiftPixel(std::uint8_t* pixel, std::int32_t hue, std::int32_t saturationStep,
                std::int32_t lightnessStep) {
  // The channels in memory order: the first (blue) plays the part that red
  // plays in the usual formulas.
  const std::int32_t first = pixel[0];
  const std::int32_t second = pixel[1];
  const std::int32_t third = pixel[2];
  const std::int32_t high = std::max({first, second, third});
  const std::int32_t low = std::min({first, second, third});
  const std::int32_t lightness = (high + low) / 2;
  if (high == low) {
    const std::uint8_t grey = toByte(applyLightness(lightness, lightnessStep));
    pixel[0] = pixel[1] = pixel[2] = grey;
    return;
  }
  const std::int32_t spread = high - low;
  const std::int32_t total = high + low;
  std::int32_t saturation = spread * 256 / (total >= 256 ? 510 - total : total);
  std::int32_t h;
  if (high == first) {
    h = (second - third) * 60 / spread;
  } else if (high == second) {
    h = (third - first) * 60 / spread + 120;
  } else {
    h = (first - second) * 60 / spread + 240;
  }
  saturation += saturationStep * (saturationStep < 1 ? saturation : 256 - saturation) / 256;
  saturation = std::clamp(saturation, 0, 256);
  h = (((h - hue) % 360) + 360) % 360;

  const std::int32_t top = lightness < 128 ? lightness * (256 + saturation) / 256
                                           : lightness + saturation * (255 - lightness) / 256;
  const std::int32_t bottom = 2 * lightness - top;
  pixel[0] = toByte(applyLightness(hueChannel(bottom, top, h + 120), lightnessStep));
  pixel[1] = toByte(applyLightness(hueChannel(bottom, top, h), lightnessStep));
  pixel[2] = toByte(applyLightness(hueChannel(bottom, top, h - 120), lightnessStep));
}

// ---------------------------------------------------------------------------
// Difference.

bool pixelsDiffer(const std::uint8_t* base, const std::uint8_t* other) {
  if (other[3] != 0) return wordAt(base) != wordAt(other);
  return base[3] != 0;
}

// ---------------------------------------------------------------------------
// Transparency clean-up.

bool hasColour(const std::uint8_t* pixel) {
  return pixel[0] != 0 || pixel[1] != 0 || pixel[2] != 0;
}

// One spreading pass: every zero pixel of `to` takes the colour of the first
// coloured neighbour in `from`, looking below, right, left, then above.
// True when a pixel changed.
bool spreadColours(const std::uint8_t* from, std::uint8_t* to, std::int32_t width,
                   std::int32_t height) {
  const auto offset = [width](std::int32_t x, std::int32_t y) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
            static_cast<std::size_t>(x)) *
           4;
  };
  bool changed = false;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* pixel = to + offset(x, y);
      if (wordAt(pixel) != 0) continue;
      const std::uint8_t* found = nullptr;
      if (y + 1 < height && hasColour(from + offset(x, y + 1))) {
        found = from + offset(x, y + 1);
      } else if (x + 1 < width && hasColour(from + offset(x + 1, y))) {
        found = from + offset(x + 1, y);
      } else if (x > 0 && hasColour(from + offset(x - 1, y))) {
        found = from + offset(x - 1, y);
      } else if (y > 0 && hasColour(from + offset(x, y - 1))) {
        found = from + offset(x, y - 1);
      }
      if (found != nullptr) {
        std::memcpy(pixel, found, 3);
        changed = true;
      }
    }
  }
  return changed;
}

// The passes alternate between a copy (read first) and the image without
// bringing them in step, so the two buffers can hold different colours and
// the parity of the pass count decides which one is the result.
void bleedColours(ImageBuffer& image, std::int64_t passes) {
  const std::size_t bytes = pixelTotal(image) * 4;
  std::vector<std::uint8_t> copy(image.pixels, image.pixels + bytes);
  std::uint8_t* from = copy.data();
  std::uint8_t* to = image.pixels;
  // Two quiet passes in a row leave both buffers fixed for good.
  std::int32_t quietPasses = 0;
  for (std::int64_t pass = 0; pass < passes && quietPasses < 2; ++pass) {
    quietPasses = spreadColours(from, to, image.width, image.height) ? 0 : quietPasses + 1;
    std::swap(from, to);
  }
  const bool copyWrittenLast = passes % 2 == 0;
  if (copyWrittenLast) std::memcpy(image.pixels, copy.data(), bytes);
}

// Clears transparent pixels with no visible pixel in the square of radius
// `reach` around them, counting visible pixels with a summed-area table.
void clearFarColours(ImageBuffer& image, std::int32_t reach) {
  const std::int32_t width = image.width;
  const std::int32_t height = image.height;
  const auto stride = static_cast<std::size_t>(width) + 1;
  std::vector<std::uint32_t> visible(stride * (static_cast<std::size_t>(height) + 1), 0);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint32_t rowCount = 0;
    for (std::int32_t x = 0; x < width; ++x) {
      rowCount += pixelAt(image, x, y)[3] != 0 ? 1u : 0u;
      const std::size_t at =
          (static_cast<std::size_t>(y) + 1) * stride + static_cast<std::size_t>(x) + 1;
      visible[at] = visible[at - stride] + rowCount;
    }
  }
  const auto area = [&](std::int32_t x, std::int32_t y) {
    return visible[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)];
  };
  for (std::int32_t y = 0; y < height; ++y) {
    const std::int32_t top = std::max(y - reach, 0);
    const std::int32_t bottom = std::min(y + reach, height - 1) + 1;
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* pixel = pixelAt(image, x, y);
      if (pixel[3] != 0 || !hasColour(pixel)) continue;
      const std::int32_t left = std::max(x - reach, 0);
      const std::int32_t right = std::min(x + reach, width - 1) + 1;
      if (area(right, bottom) - area(left, bottom) - area(right, top) + area(left, top) == 0) {
        storeWord(pixel, 0);
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Video frames.

struct VideoTables {
  std::array<std::int32_t, 256> luma{};
  std::array<std::int32_t, 256> red{};
  std::array<std::int32_t, 256> greenFromBlue{};
  std::array<std::int32_t, 256> greenFromRed{};
  std::array<std::int32_t, 256> blue{};
  // Index (value >> 15) + kClampOffset, for values -320..703.
  std::array<std::uint8_t, 1024> clamp{};
  static constexpr std::int32_t kClampOffset = 320;

  VideoTables() {
    for (std::int32_t i = 0; i < 256; ++i) {
      const auto at = static_cast<std::size_t>(i);
      luma[at] = 38142 * (i - 16) + 16384;
      red[at] = 52298 * (i - 128);
      greenFromBlue[at] = -12812 * (i - 128);
      greenFromRed[at] = -26640 * (i - 128);
      blue[at] = 66126 * (i - 128);
    }
    for (std::int32_t i = 0; i < 1024; ++i) {
      clamp[static_cast<std::size_t>(i)] = toByte(i - kClampOffset);
    }
  }

  std::uint8_t clamped(std::int32_t value) const {
    return clamp[static_cast<std::size_t>((value >> 15) + kClampOffset)];
  }
};

const VideoTables& videoTables() {
  static const VideoTables tables;
  return tables;
}

}  // namespace

bool hslImage(ImageConsole& console, ImageBuffer* image, std::int32_t hue, std::int32_t saturation,
              std::int32_t lightness) {
  if (image == nullptr || image->pixels == nullptr) {
    printLine(console, u8"-HLB: 画像データを読み込めませんでした\n");
    return false;
  }
  const std::int32_t saturationStep = std::clamp(saturation, -100, 100) * 256 / 100;
  const std::int32_t lightnessStep = std::clamp(lightness, -100, 100) * 255 / 100;
  const std::size_t count = pixelTotal(*image);
  for (std::size_t i = 0; i < count; ++i) {
    shiftPixel(image->pixels + i * 4, hue % 360, saturationStep, lightnessStep);
  }
  return true;
}

bool blurImage(ImageConsole& console, ImageBuffer* image, std::int32_t radiusX,
               std::int32_t radiusY) {
  if (image == nullptr || image->pixels == nullptr) {
    printLine(console, u8"-BLR: 画像データを読み込めませんでした\n");
    return false;
  }
  radiusX = std::clamp(radiusX, 0, image->width);
  radiusY = std::clamp(radiusY, 0, image->height);
  if (radiusX == 0 && radiusY == 0) return true;
  const std::vector<std::uint8_t> source = averagingSource(*image);
  const std::int64_t largestWindow = std::int64_t{std::min(2 * radiusX + 1, image->width)} *
                                     std::min(2 * radiusY + 1, image->height);
  if (largestWindow < 256) {
    boxBlur<std::uint16_t>(*image, source, radiusX, radiusY);
  } else {
    boxBlur<std::uint32_t>(*image, source, radiusX, radiusY);
  }
  return true;
}

bool mosaicImage(ImageConsole& /*console*/, ImageBuffer* image, std::int32_t cellWidth,
                 std::int32_t cellHeight) {
  // The operation has no failure line of its own.
  if (image == nullptr || image->pixels == nullptr) return false;
  if (cellWidth <= 0 || cellHeight <= 0) return true;
  const std::vector<std::uint8_t> source = averagingSource(*image);
  const bool premultiplied = image->depth == 32;
  const std::int32_t width = image->width;
  const std::int32_t height = image->height;
  for (std::int32_t top = 0; top < height; top += std::min(cellHeight, height)) {
    const std::int32_t bottom = std::min(top + std::min(cellHeight, height), height);
    for (std::int32_t left = 0; left < width; left += std::min(cellWidth, width)) {
      const std::int32_t right = std::min(left + std::min(cellWidth, width), width);
      std::array<std::uint64_t, 4> sums{};
      for (std::int32_t y = top; y < bottom; ++y) {
        const std::uint8_t* row =
            source.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                             static_cast<std::size_t>(left)) *
                                4;
        for (std::int32_t x = left; x < right; ++x, row += 4) {
          for (std::size_t c = 0; c < 4; ++c) sums[c] += row[c];
        }
      }
      const auto count =
          static_cast<std::uint64_t>(right - left) * static_cast<std::uint64_t>(bottom - top);
      std::uint8_t cell[4];
      std::memcpy(cell, pixelAt(*image, left, top), 4);
      storeAverage(cell, sums.data(), count, premultiplied);
      for (std::int32_t y = top; y < bottom; ++y) {
        for (std::int32_t x = left; x < right; ++x) {
          std::uint8_t* pixel = pixelAt(*image, x, y);
          std::memcpy(pixel, cell, premultiplied ? 4 : 3);
        }
      }
    }
  }
  return true;
}

bool differenceImage(ImageConsole& console, ImageBuffer** base, ImageBuffer* other,
                     std::int32_t mode, std::int32_t colour, DifferenceBox* box) {
  if (base == nullptr || *base == nullptr || other == nullptr || (*base)->pixels == nullptr ||
      other->pixels == nullptr) {
    printLine(console, u8"-DIF: 画像データが読み込まれてません\n");
    return false;
  }
  ImageBuffer& image = **base;
  if (image.width != other->width || image.height != other->height) {
    printLine(console, u8"-DIF: 二つの画像のサイズが違います\n");
    return false;
  }
  DifferenceBox found{image.width, image.height, -1, -1};
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) {
      if (!pixelsDiffer(pixelAt(image, x, y), pixelAt(*other, x, y))) continue;
      found.left = std::min(found.left, x);
      found.top = std::min(found.top, y);
      found.right = std::max(found.right, x);
      found.bottom = std::max(found.bottom, y);
    }
  }
  if (found.right < 0) {
    if (box != nullptr) *box = DifferenceBox{};
    printLine(console, u8"-SP3: 同一の画像です\n");
    return false;
  }
  if (box != nullptr) *box = found;

  image.mode = (image.mode & ~4u) | (static_cast<std::uint32_t>(mode) & 4u);
  const std::size_t count = pixelTotal(image);
  switch (mode & 3) {
    case 1: {
      const std::uint32_t paint =
          colour == -1 ? 0u : (static_cast<std::uint32_t>(colour) & 0xFFFFFFu) | 0xFF000000u;
      for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* pixel = image.pixels + i * 4;
        const std::uint8_t* theirs = other->pixels + i * 4;
        if (!pixelsDiffer(pixel, theirs)) {
          storeWord(pixel, paint);
        } else if (pixel[3] == 0) {
          storeWord(pixel, 0x01000000u);
        }
      }
      image.depth = colour == -1 ? 32 : 24;
      image.mode |= 1u;
      break;
    }
    case 2:
      for (std::size_t i = 0; i < count * 4; ++i) image.pixels[i] ^= other->pixels[i];
      image.mode |= 2u;
      break;
    case 3:
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t mine = image.pixels[i * 4 + 3];
        const std::uint8_t theirs = other->pixels[i * 4 + 3];
        if (mine == 0 && theirs > 2) {
          char line[64];
          const int length = std::snprintf(line, sizeof line, "%zu, d%d, s%d\n", i * 4,
                                           static_cast<int>(mine), static_cast<int>(theirs));
          console.print(std::string_view(line, static_cast<std::size_t>(length)));
          break;
        }
      }
      break;
    default:
      break;
  }
  return true;
}

bool DurtyTransparency(ImageConsole& console, ImageBuffer* image, std::int32_t n) {
  if (image == nullptr || image->pixels == nullptr) {
    printLine(console, u8"-DTP: 画像データを読み込めませんでした\n");
    return false;
  }
  const std::size_t count = pixelTotal(*image);
  bool opaque = true;
  for (std::size_t i = 0; i < count && opaque; ++i) opaque = image->pixels[i * 4 + 3] == 255;
  image->depth = opaque ? 24 : 32;
  if (opaque) return true;

  if (n > 0) {
    clearFarColours(*image, n);
    return true;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (image->pixels[i * 4 + 3] == 0) storeWord(image->pixels + i * 4, 0);
  }
  if (n < 0) bleedColours(*image, -std::int64_t{n});
  return true;
}

bool ruleMaskAlpha(ImageConsole& console, ImageBuffer* image, ImageBuffer* mask, std::int32_t x,
                   std::int32_t y, std::int32_t reverse, std::int32_t progress,
                   std::int32_t softness) {
  if (image == nullptr || mask == nullptr || image->pixels == nullptr || mask->pixels == nullptr) {
    printLine(console, u8"-BLD: 画像データが読み込まれてません\n");
    return false;
  }
  const std::int32_t left = std::max(x, 0);
  const std::int32_t top = std::max(y, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + mask->width, image->width);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + mask->height, image->height);
  if (left >= right || top >= bottom) {
    printLine(console, u8"-BLD: 座標の指定が不正です\n");
    return false;
  }
  softness = std::clamp(softness, 0, 511);
  progress = std::clamp(progress, 0, 512);

  // The alpha for each mask value m at this progress: the row of the
  // stage-transition table for this softness, read at P + 255 - m.
  const std::int32_t reach = progress * (softness + 255) / 512;
  std::array<std::uint8_t, 256> alphaOf{};
  for (std::int32_t m = 0; m < 256; ++m) {
    std::int32_t alpha = 255;
    if (softness != 0) alpha = std::clamp(255 * (reach - m) / softness, 0, 255);
    alphaOf[static_cast<std::size_t>(m)] =
        static_cast<std::uint8_t>(reverse == 0 ? 255 - alpha : alpha);
  }

  const std::size_t count = pixelTotal(*image);
  for (std::size_t i = 0; i < count; ++i) image->pixels[i * 4 + 3] = 0;
  image->depth = 32;
  for (std::int32_t row = top; row < bottom; ++row) {
    for (std::int32_t column = left; column < right; ++column) {
      const std::uint8_t m = pixelAt(*mask, column - x, row - y)[0];
      pixelAt(*image, column, row)[3] = alphaOf[m];
    }
  }
  return true;
}

void convertVideoRowPair(const std::uint8_t* luma, const std::uint8_t* lumaBelow,
                         const std::uint8_t* blueChroma, const std::uint8_t* redChroma,
                         std::uint8_t* out, std::uint8_t* outBelow, std::int32_t width) {
  const VideoTables& t = videoTables();
  for (std::int32_t x = 0; x < width; ++x) {
    const auto at = static_cast<std::size_t>(x);
    const std::uint8_t cb = blueChroma[at / 2];
    const std::uint8_t cr = redChroma[at / 2];
    const std::int32_t red = t.red[cr];
    const std::int32_t green = t.greenFromBlue[cb] + t.greenFromRed[cr];
    const std::int32_t blue = t.blue[cb];
    auto store = [&](std::uint8_t* pixel, std::uint8_t y) {
      const std::int32_t base = t.luma[y];
      pixel[0] = t.clamped(base + blue);
      pixel[1] = t.clamped(base + green);
      pixel[2] = t.clamped(base + red);
      pixel[3] = 255;
    };
    store(out + at * 4, luma[at]);
    if (outBelow != nullptr) store(outBelow + at * 4, lumaBelow[at]);
  }
}

void convertVideoFrame(const VideoFrame& frame, ImageBuffer& image,
                       VideoRowPairConverter convertRows) {
  if (convertRows == nullptr) convertRows = imageKernels().videoRowPair;
  for (std::int32_t y = 0; y < image.height; y += 2) {
    const bool pair = y + 1 < image.height;
    const std::uint8_t* luma = frame.luma + static_cast<std::ptrdiff_t>(y) * frame.lumaStride;
    const std::ptrdiff_t chromaRow = y / 2;
    convertRows(luma, pair ? luma + frame.lumaStride : nullptr,
                frame.blueChroma + chromaRow * frame.blueChromaStride,
                frame.redChroma + chromaRow * frame.redChromaStride, pixelAt(image, 0, y),
                pair ? pixelAt(image, 0, y + 1) : nullptr, image.width);
  }
}

}  // namespace tsuzuri::assets
