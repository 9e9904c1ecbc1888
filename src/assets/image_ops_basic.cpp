#include "assets/image_ops_basic.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace tsuzuri::assets {

namespace {

constexpr std::size_t kPixelBytes = 4;

// Byte offsets within a pixel.
constexpr std::size_t kBlue = 0;
constexpr std::size_t kGreen = 1;
constexpr std::size_t kRed = 2;
constexpr std::size_t kAlpha = 3;

const std::uint8_t* pixelAt(const ImageBuffer& image, std::int64_t x, std::int64_t y) {
  return image.pixels + (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                         static_cast<std::size_t>(x)) *
                            kPixelBytes;
}

std::uint8_t* pixelAt(ImageBuffer& image, std::int64_t x, std::int64_t y) {
  return image.pixels + (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                         static_cast<std::size_t>(x)) *
                            kPixelBytes;
}

std::size_t byteCount(const ImageBuffer& image) {
  return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) *
         kPixelBytes;
}

// The pixel as the 32-bit value 0xAARRGGBB, whatever the byte order of the machine.
std::uint32_t pixelValue(const std::uint8_t* p) {
  return std::uint32_t{p[kBlue]} | std::uint32_t{p[kGreen]} << 8 | std::uint32_t{p[kRed]} << 16 |
         std::uint32_t{p[kAlpha]} << 24;
}

void storePixel(std::uint8_t* p, std::uint32_t value) {
  p[kBlue] = static_cast<std::uint8_t>(value);
  p[kGreen] = static_cast<std::uint8_t>(value >> 8);
  p[kRed] = static_cast<std::uint8_t>(value >> 16);
  p[kAlpha] = static_cast<std::uint8_t>(value >> 24);
}

// A rectangle in the coordinates of an image, half-open; 64-bit so that
// x + w cannot overflow for any 32-bit arguments.
struct Span {
  std::int64_t x0;
  std::int64_t y0;
  std::int64_t x1;
  std::int64_t y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

Span overlap(const ImageBuffer& image, std::int64_t x, std::int64_t y, std::int64_t w,
             std::int64_t h) {
  return {std::max<std::int64_t>(x, 0), std::max<std::int64_t>(y, 0),
          std::min<std::int64_t>(x + w, image.width), std::min<std::int64_t>(y + h, image.height)};
}

// A copying form called with the source as its own destination would free
// or overwrite the source while reading it; it then runs as the in-place form.
template <class Copying>
bool copyingOrInPlace(ImageBuffer** destination, const ImageBuffer* source, Copying copying) {
  if (source != nullptr && destination != nullptr && *destination == source)
    return inPlace(destination, copying);
  return copying(destination);
}

// The in-place form for the cutting operations, which carry the image's mode over.
template <class Copying>
bool inPlaceKeepingMode(ImageBuffer** image, Copying copying) {
  const std::uint32_t mode = (image != nullptr && *image != nullptr) ? (*image)->mode : 0;
  if (!inPlace(image, copying)) return false;
  (*image)->mode = mode;
  return true;
}

const ImageBuffer* imageAt(ImageBuffer** image) {
  return image != nullptr ? *image : nullptr;
}

// Applies one table per colour channel to every pixel; alpha is kept.
void applyTables(ImageBuffer& image, const std::array<std::uint8_t, 256>& blue,
                 const std::array<std::uint8_t, 256>& green,
                 const std::array<std::uint8_t, 256>& red) {
  std::uint8_t* p = image.pixels;
  std::uint8_t* const end = p + byteCount(image);
  for (; p != end; p += kPixelBytes) {
    p[kBlue] = blue[p[kBlue]];
    p[kGreen] = green[p[kGreen]];
    p[kRed] = red[p[kRed]];
  }
}

template <class Flip>
bool flipInto(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
              Flip flip) {
  if (source == nullptr || destination == nullptr) {
    printLine(console, u8"-ROT: 画像データを読み込めませんでした\n");
    return false;
  }
  if (!prepareDestination(destination, source->width, source->height, source->depth)) {
    printLine(console, u8"-ROT: メモリを確保出来ませんでした\n");
    return false;
  }
  flip(**destination, *source);
  return true;
}

}  // namespace

bool copyImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source) {
  if (source == nullptr || destination == nullptr) {
    printLine(console, u8"-CUT: 画像データを読み込めませんでした\n");
    return false;
  }
  if (*destination == source) return true;
  if (!prepareDestination(destination, source->width, source->height, source->depth)) {
    printLine(console, u8"-CUT: メモリを確保出来ませんでした\n");
    return false;
  }
  std::memcpy((*destination)->pixels, source->pixels, byteCount(*source));
  return true;
}

bool clippingImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                   std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  if (source == nullptr || destination == nullptr) {
    printLine(console, u8"-CUT: 画像データを読み込めませんでした\n");
    return false;
  }
  return copyingOrInPlace(destination, source, [&](ImageBuffer** target) {
    const std::int32_t width = w > 0 ? w : source->width;
    const std::int32_t height = h > 0 ? h : source->height;
    const Span span = overlap(*source, x, y, width, height);
    const bool inside = x >= 0 && y >= 0 && span.x1 == std::int64_t{x} + width &&
                        span.y1 == std::int64_t{y} + height;
    // Transparent margins make a 24-bit source's cut a 32-bit image.
    if (!prepareDestination(target, width, height, inside ? source->depth : 32)) {
      printLine(console, u8"-CUT: メモリを確保出来ませんでした\n");
      return false;
    }
    ImageBuffer& result = **target;
    if (!inside) std::memset(result.pixels, 0, byteCount(result));
    if (!span.empty()) {
      const auto rowBytes = static_cast<std::size_t>(span.x1 - span.x0) * kPixelBytes;
      for (std::int64_t row = span.y0; row < span.y1; ++row) {
        std::memcpy(pixelAt(result, span.x0 - x, row - y), pixelAt(*source, span.x0, row),
                    rowBytes);
      }
    }
    result.left = x;
    result.top = y;
    return true;
  });
}

bool clippingImage2(ImageConsole& console, ImageBuffer** image, std::int32_t x, std::int32_t y,
                    std::int32_t w, std::int32_t h) {
  const ImageBuffer* source = imageAt(image);
  return inPlaceKeepingMode(image, [&](ImageBuffer** target) {
    return clippingImage(console, target, source, x, y, w, h);
  });
}

bool trimmingImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                   std::int32_t threshold, std::int32_t sides, std::int32_t symmetric) {
  if (source == nullptr || destination == nullptr) {
    printLine(console, u8"-TRM: 画像データを読み込めませんでした\n");
    return false;
  }
  const std::int32_t width = source->width;
  const std::int32_t height = source->height;
  // The bounding box (inclusive) of the pixels above the threshold; with
  // none it stays inverted and the cut below shrinks to one pixel.
  std::int32_t left = width;
  std::int32_t top = height;
  std::int32_t right = -1;
  std::int32_t bottom = -1;
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* p = pixelAt(*source, 0, y);
    for (std::int32_t x = 0; x < width; ++x, p += kPixelBytes) {
      if (p[kAlpha] <= threshold) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  const bool trimTop = (sides & 1) != 0;
  const bool trimBottom = (sides & 2) != 0;
  const bool trimLeft = (sides & 4) != 0;
  const bool trimRight = (sides & 8) != 0;
  if ((symmetric & 1) != 0 && trimTop && trimBottom) {
    const std::int32_t margin = std::min(top, height - 1 - bottom);
    top = margin;
    bottom = height - 1 - margin;
  }
  if ((symmetric & 2) != 0 && trimLeft && trimRight) {
    const std::int32_t margin = std::min(left, width - 1 - right);
    left = margin;
    right = width - 1 - margin;
  }
  std::int32_t x = trimLeft ? left : 0;
  std::int32_t y = trimTop ? top : 0;
  const std::int32_t w = std::max((trimRight ? right + 1 : width) - x, 1);
  const std::int32_t h = std::max((trimBottom ? bottom + 1 : height) - y, 1);
  if (x >= width) x = 0;
  if (y >= height) y = 0;
  return clippingImage(console, destination, source, x, y, w, h);
}

bool trimmingImage2(ImageConsole& console, ImageBuffer** image, std::int32_t threshold,
                    std::int32_t sides, std::int32_t symmetric) {
  const ImageBuffer* source = imageAt(image);
  return inPlaceKeepingMode(image, [&](ImageBuffer** target) {
    return trimmingImage(console, target, source, threshold, sides, symmetric);
  });
}

bool eraseImage(ImageConsole& console, ImageBuffer* image, std::int32_t x, std::int32_t y,
                std::int32_t w, std::int32_t h) {
  if (image == nullptr) {
    printLine(console, u8"-ERS: 画像データを読み込めませんでした\n");
    return false;
  }
  const Span span = overlap(*image, x, y, w > 0 ? w : image->width, h > 0 ? h : image->height);
  if (span.empty()) return true;
  const auto rowBytes = static_cast<std::size_t>(span.x1 - span.x0) * kPixelBytes;
  for (std::int64_t row = span.y0; row < span.y1; ++row) {
    std::memset(pixelAt(*image, span.x0, row), 0, rowBytes);
  }
  image->depth = 32;
  return true;
}

bool color2colorImage(ImageConsole& console, ImageBuffer* image, std::uint32_t keyColour,
                      std::uint32_t newColour, std::int32_t which) {
  if (image == nullptr) {
    printLine(console, u8"-C2C: 画像データを読み込めませんでした\n");
    return false;
  }
  std::uint32_t key = keyColour;
  if (which == 1) key = pixelValue(pixelAt(*image, 0, 0));
  if (which == 2) key = pixelValue(pixelAt(*image, image->width - 1, 0));
  std::uint8_t* p = image->pixels;
  std::uint8_t* const end = p + byteCount(*image);
  for (; p != end; p += kPixelBytes) {
    if (pixelValue(p) == key) storePixel(p, newColour);
  }
  if (newColour > 0x00FFFFFFu) image->depth = 32;
  return true;
}

bool flipHorizontalImage(ImageConsole& console, ImageBuffer** destination,
                         const ImageBuffer* source) {
  return copyingOrInPlace(destination, source, [&](ImageBuffer** target) {
    return flipInto(console, target, source, [](ImageBuffer& result, const ImageBuffer& from) {
      for (std::int32_t y = 0; y < from.height; ++y) {
        const std::uint8_t* in = pixelAt(from, from.width - 1, y);
        std::uint8_t* out = pixelAt(result, 0, y);
        for (std::int32_t x = 0; x < from.width; ++x, in -= kPixelBytes, out += kPixelBytes) {
          std::memcpy(out, in, kPixelBytes);
        }
      }
    });
  });
}

bool flipVerticalImage(ImageConsole& console, ImageBuffer** destination,
                       const ImageBuffer* source) {
  return copyingOrInPlace(destination, source, [&](ImageBuffer** target) {
    return flipInto(console, target, source, [](ImageBuffer& result, const ImageBuffer& from) {
      const auto rowBytes = static_cast<std::size_t>(from.width) * kPixelBytes;
      for (std::int32_t y = 0; y < from.height; ++y) {
        std::memcpy(pixelAt(result, 0, y), pixelAt(from, 0, from.height - 1 - y), rowBytes);
      }
    });
  });
}

bool flipHorizontalImage2(ImageConsole& console, ImageBuffer** image) {
  const ImageBuffer* source = imageAt(image);
  return inPlace(
      image, [&](ImageBuffer** target) { return flipHorizontalImage(console, target, source); });
}

bool flipVerticalImage2(ImageConsole& console, ImageBuffer** image) {
  const ImageBuffer* source = imageAt(image);
  return inPlace(image,
                 [&](ImageBuffer** target) { return flipVerticalImage(console, target, source); });
}

bool negaposiImage(ImageConsole& console, ImageBuffer* image) {
  if (image == nullptr) {
    printLine(console, u8"-REV: 画像データを読み込めませんでした\n");
    return false;
  }
  std::uint8_t* p = image->pixels;
  std::uint8_t* const end = p + byteCount(*image);
  for (; p != end; p += kPixelBytes) {
    p[kBlue] = static_cast<std::uint8_t>(255 - p[kBlue]);
    p[kGreen] = static_cast<std::uint8_t>(255 - p[kGreen]);
    p[kRed] = static_cast<std::uint8_t>(255 - p[kRed]);
  }
  return true;
}

bool grayscalImage(ImageConsole& console, ImageBuffer* image) {
  if (image == nullptr) {
    printLine(console, u8"-GRY: 画像データを読み込めませんでした\n");
    return false;
  }
  std::uint8_t* p = image->pixels;
  std::uint8_t* const end = p + byteCount(*image);
  for (; p != end; p += kPixelBytes) {
    // The terms are summed in this order, the 0.5 last, so that rounding
    // corners fall the same way on every build.
    const double grey = 0.298912 * p[kRed] + 0.586611 * p[kGreen] + 0.114477 * p[kBlue] + 0.5;
    const auto value = static_cast<std::uint8_t>(std::min(std::floor(grey), 255.0));
    p[kBlue] = value;
    p[kGreen] = value;
    p[kRed] = value;
  }
  return true;
}

bool bcImage(ImageConsole& console, ImageBuffer* image, std::int32_t brightness,
             std::int32_t contrast) {
  if (image == nullptr) {
    printLine(console, u8"-BC: 画像データを読み込めませんでした\n");
    return false;
  }
  // Entry c holds the value for v = c − 128: the channel's distance from
  // mid-grey is scaled by the contrast factor, then shifted by the brightness.
  const double factor = (static_cast<double>(contrast) + 100.0) / 100.0;
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const double value = std::trunc(factor * (c - 128)) + static_cast<double>(brightness) + 128.0;
    table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
  }
  applyTables(*image, table, table, table);
  return true;
}

bool colorImage(ImageConsole& console, ImageBuffer* image, std::int32_t red, std::int32_t green,
                std::int32_t blue) {
  if (image == nullptr) {
    printLine(console, u8"-RGB: 画像データを読み込めませんでした\n");
    return false;
  }
  const auto gammaTable = [](std::int32_t percent) {
    const double exponent = std::pow(0.5, static_cast<double>(percent) / 100.0);
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
      const double value = std::floor(255.0 * std::pow(i / 255.0, exponent));
      table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
    }
    return table;
  };
  applyTables(*image, gammaTable(blue), gammaTable(green), gammaTable(red));
  return true;
}

}  // namespace tsuzuri::assets
