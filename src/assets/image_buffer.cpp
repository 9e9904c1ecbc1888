#include "assets/image_buffer.h"

#include <array>
#include <cstring>
#include <new>

#include "util/aligned_buffer.h"

namespace tsuzuri::assets {

namespace {

struct LuminanceTables {
  std::array<double, 256> red;
  std::array<double, 256> green;
  std::array<double, 256> blue;
  LuminanceTables() : red(), green(), blue() {
    for (int i = 0; i < 256; ++i) {
      red[static_cast<std::size_t>(i)] = 0.298912 * i;
      green[static_cast<std::size_t>(i)] = 0.586611 * i;
      blue[static_cast<std::size_t>(i)] = 0.114477 * i;
    }
  }
};

// Built on first use; a function-local static is initialised once, also
// when loader threads get there at the same time.
const LuminanceTables& luminanceTables() {
  static const LuminanceTables tables;
  return tables;
}

}  // namespace

ImageBuffer* createImage(std::int32_t width, std::int32_t height, std::int32_t depth) {
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
      std::int64_t{width} * height > kMaxImagePixels) {
    return nullptr;
  }
  const auto w = static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(height);
  const std::size_t bytes = w * (h + 1) * 4 + h;
  auto* pixels = static_cast<std::uint8_t*>(util::alignedAllocate(bytes));
  if (pixels == nullptr) return nullptr;
  auto* image = new (std::nothrow) ImageBuffer{};
  if (image == nullptr) {
    util::alignedFree(pixels);
    return nullptr;
  }
  std::memset(pixels + w * h * 4, 0, w * 4 + h);
  image->width = width;
  image->height = height;
  image->depth = depth;
  image->pixelCount = width * height;
  image->pixels = pixels;
  return image;
}

void freeImage(ImageBuffer** image) {
  if (image == nullptr || *image == nullptr) return;
  util::alignedFree((*image)->pixels);
  delete *image;
  *image = nullptr;
}

std::uint8_t luminance(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const LuminanceTables& t = luminanceTables();
  return static_cast<std::uint8_t>(0.5 + t.red[red] + t.green[green] + t.blue[blue]);
}

void renameExtension(ImageBuffer& image, const char (&extension)[4]) {
  const void* end = std::memchr(image.name, 0, sizeof image.name);
  const std::size_t length =
      end == nullptr ? sizeof image.name
                     : static_cast<std::size_t>(static_cast<const char*>(end) - image.name);
  if (length < 4 || image.name[length - 4] != '.') return;
  std::memcpy(image.name + length - 3, extension, 3);
}

}  // namespace tsuzuri::assets
