#include <cstring>
#include <new>

#include "assets/image_codecs.h"
#include "util/byte_order.h"

namespace tsuzuri::assets {

using util::le16;
using util::le32;

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

void putLe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFFU);
  p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFFU);
}

void putLe32(std::uint8_t* p, std::uint32_t v) {
  putLe16(p, v & 0xFFFFU);
  putLe16(p + 2, v >> 16);
}

// Bytes per stored row: the row's bits rounded up to whole 32-bit words.
std::uint64_t rowStride(std::uint64_t width, std::uint64_t bitCount) {
  return (width * bitCount + 31) / 32 * 4;
}

}  // namespace

ImagePtr decodeBmp(std::span<const std::uint8_t> data) {
  const std::uint8_t* bytes = data.data();
  const std::size_t size = data.size();
  if (size < kFileHeaderSize + 4) return nullptr;
  const std::uint32_t headerSize = le32(bytes + 14);
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t bitCount = 0;
  if (headerSize < 13) {
    // The 12-byte core header: unsigned 16-bit sides, so always bottom-up.
    if (size < 26) return nullptr;
    width = le16(bytes + 18);
    height = le16(bytes + 20);
    bitCount = le16(bytes + 24);
  } else {
    if (size < 34) return nullptr;
    width = static_cast<std::int32_t>(le32(bytes + 18));
    height = static_cast<std::int32_t>(le32(bytes + 22));
    bitCount = le16(bytes + 28);
    if (le32(bytes + 30) != 0) return nullptr;  // RLE, bit fields and the like
  }
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    return nullptr;
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
    return nullptr;
  }

  // Four bytes per entry (blue, green, red, unused), also after a core header.
  const std::uint8_t* palette = nullptr;
  if (bitCount < 24) {
    const std::uint64_t paletteStart = kFileHeaderSize + std::uint64_t{headerSize};
    const std::uint64_t paletteSize = (std::uint64_t{1} << bitCount) * 4;
    if (paletteStart + paletteSize > size) return nullptr;
    palette = bytes + paletteStart;
  }

  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  const std::uint64_t stride = rowStride(w, bitCount);
  const std::uint64_t pixelStart = le32(bytes + 10);
  // The last row's padding may be missing; its pixels may not.
  const std::uint64_t needed = stride * (h - 1) + (w * bitCount + 7) / 8;
  if (pixelStart > size || needed > size - pixelStart) return nullptr;

  ImagePtr image = makeImage(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                             bitCount <= 24 ? 24 : 32);
  if (!image) return nullptr;
  for (std::int32_t y = 0; y < image->height; ++y) {
    const auto storedRow = static_cast<std::uint64_t>(topDown ? y : image->height - 1 - y);
    const std::uint8_t* src = bytes + pixelStart + storedRow * stride;
    std::uint8_t* dst = pixelAt(*image, 0, y);
    for (std::int32_t x = 0; x < image->width; ++x, dst += 4) {
      const auto ux = static_cast<std::uint32_t>(x);
      switch (bitCount) {
        case 24:
          std::memcpy(dst, src + ux * 3, 3);
          dst[3] = 0xFF;
          continue;
        case 32:
          std::memcpy(dst, src + ux * 4, 4);
          continue;
        default:
          break;
      }
      std::uint32_t index = 0;
      if (bitCount == 8) {
        index = src[ux];
      } else if (bitCount == 4) {
        index = (src[ux / 2] >> (ux % 2 == 0 ? 4 : 0)) & 0x0FU;
      } else {
        index = (src[ux / 8] >> (7 - ux % 8)) & 0x01U;
      }
      std::memcpy(dst, palette + index * 4, 3);
      dst[3] = 0xFF;
    }
  }
  return image;
}

EncodedImage encodeBmp(ImageBuffer& image, std::int32_t depth) {
  EncodedImage result;
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return result;
  // Anything up to 8 bits is written as 8-bit gray, up to 24 as 24 bits.
  const std::uint32_t bitCount = depth <= 8 ? 8 : depth <= 24 ? 24 : 32;
  const auto w = static_cast<std::size_t>(image.width);
  const auto h = static_cast<std::size_t>(image.height);
  const auto stride = static_cast<std::size_t>(rowStride(w, bitCount));
  const std::size_t paletteSize = bitCount == 8 ? 256 * 4 : 0;
  const std::size_t pixelStart = kFileHeaderSize + kInfoHeaderSize + paletteSize;
  const std::size_t fileSize = pixelStart + stride * h;
  try {
    result.bytes.assign(fileSize, 0);
  } catch (const std::bad_alloc&) {
    return result;
  }
  std::uint8_t* out = result.bytes.data();
  out[0] = 'B';
  out[1] = 'M';
  // Sizes above 4 GiB cannot be expressed; the field keeps the low 32 bits.
  putLe32(out + 2, static_cast<std::uint32_t>(fileSize));
  putLe32(out + 10, static_cast<std::uint32_t>(pixelStart));
  std::uint8_t* info = out + kFileHeaderSize;
  putLe32(info, kInfoHeaderSize);
  putLe32(info + 4, static_cast<std::uint32_t>(image.width));
  putLe32(info + 8, static_cast<std::uint32_t>(image.height));
  putLe16(info + 12, 1);
  putLe16(info + 14, bitCount);
  putLe32(info + 20, static_cast<std::uint32_t>(stride * h));
  std::uint8_t* palette = info + kInfoHeaderSize;
  for (std::size_t i = 0; i < paletteSize / 4; ++i) {
    std::memset(palette + i * 4, static_cast<int>(i), 3);
  }

  for (std::int32_t y = 0; y < image.height; ++y) {
    // Rows go bottom-up: the record's last row is stored first.
    std::uint8_t* dst = out + pixelStart + static_cast<std::size_t>(image.height - 1 - y) * stride;
    const std::uint8_t* src = pixelAt(image, 0, y);
    for (std::size_t x = 0; x < w; ++x, src += 4) {
      if (bitCount == 8) {
        dst[x] = luminance(src[2], src[1], src[0]);
      } else if (bitCount == 24) {
        std::memcpy(dst + x * 3, src, 3);
      } else {
        std::memcpy(dst + x * 4, src, 4);
      }
    }
  }
  result.ok = true;
  return result;
}

}  // namespace tsuzuri::assets
