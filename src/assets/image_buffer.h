#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tsuzuri::assets {

// Every raster image of the engine: 32-bit pixels (bytes blue, green, red,
// alpha; straight alpha), rows top-down with a stride of exactly width × 4
// bytes, and the layer attributes that layered-image tools store in image
// files. The layout is shared with plug-ins, field for field.
struct ImageBuffer {
  char name[256];  // layer name, NUL-terminated; empty when the file has none
  std::int32_t left;
  std::int32_t top;
  std::uint32_t mode;
  std::int32_t width;   // > 0
  std::int32_t height;  // > 0
  // 24: the source had no alpha (alpha is 255 everywhere); 32: alpha
  // present; 8: a one-channel source.
  std::int32_t depth;
  std::int32_t pixelCount;  // width × height
  std::uint8_t* pixels;     // 16-byte aligned
};

// The largest width or height, and the most pixels (512 MiB of them), an
// image may have; bigger images in files are damaged or hostile and are
// refused before anything is allocated. Games use far smaller ones.
inline constexpr std::int32_t kMaxImageSide = 32768;
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 27;

// A new record (all zero but width, height, depth, pixelCount and pixels),
// or null when a side is not positive or above kMaxImageSide, the pixels
// are more than kMaxImagePixels, or memory is short. The pixels have room for height + 1 rows plus
// height spare bytes; the row after the last is cleared, the rows themselves are not.
ImageBuffer* createImage(std::int32_t width, std::int32_t height, std::int32_t depth);

// Releases a record and sets the caller's pointer to null; null is ignored.
void freeImage(ImageBuffer** image);

struct ImageDeleter {
  void operator()(ImageBuffer* image) const noexcept { freeImage(&image); }
};
using ImagePtr = std::unique_ptr<ImageBuffer, ImageDeleter>;

inline ImagePtr makeImage(std::int32_t width, std::int32_t height, std::int32_t depth) {
  return ImagePtr(createImage(width, height, depth));
}

// The pixel at (x, y); no bounds check.
inline std::uint8_t* pixelAt(ImageBuffer& image, std::int32_t x, std::int32_t y) {
  return image.pixels + (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                         static_cast<std::size_t>(x)) *
                            4;
}

// The luminance every writer uses for one-channel output:
// trunc(0.5 + 0.298912 R + 0.586611 G + 0.114477 B), from tables built once.
std::uint8_t luminance(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Replaces the last three characters of the record's name by `extension`
// when its fourth character from the end is "." (bg01.bmp → bg01.png).
void renameExtension(ImageBuffer& image, const char (&extension)[4]);

}  // namespace tsuzuri::assets
