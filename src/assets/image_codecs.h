#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "assets/image_buffer.h"

namespace tsuzuri::assets {

// The image file formats, numbered as saveImage and scripts number them.
enum class ImageFormat : std::int32_t { kBmp = 0, kPng = 1, kJpeg = 2, kTlg = 3 };

// What a writer gives: the file's bytes, or a failure with the console line
// to print (possibly empty: some failures print nothing).
struct EncodedImage {
  std::vector<std::uint8_t> bytes;
  bool ok = false;
  std::string message;  // Shift_JIS, without line end
};

// Decoders take a whole file in memory and give null for anything they
// cannot decode. They never read outside `data` and never allocate more
// than the image's dimensions (bounded by kMaxImageSide) call for.
ImagePtr decodeBmp(std::span<const std::uint8_t> data);
ImagePtr decodePng(std::span<const std::uint8_t> data);
ImagePtr decodeJpeg(std::span<const std::uint8_t> data);
ImagePtr decodeTlg(std::span<const std::uint8_t> data);

// Encoders write `image` at `depth` (8, 24 or 32; 0 is the record's depth
// and is resolved by the caller). They may rename the record's extension
// as the format requires. `level` and `option` are saveImage's.
EncodedImage encodeBmp(ImageBuffer& image, std::int32_t depth);
EncodedImage encodePng(ImageBuffer& image, std::int32_t depth, std::int32_t level,
                       std::int32_t option);
EncodedImage encodeJpeg(ImageBuffer& image, std::int32_t depth, std::int32_t level,
                        std::int32_t option);
EncodedImage encodeTlg(ImageBuffer& image, std::int32_t depth, std::int32_t level);

// The format detection of loadImage: the first two bytes choose the decoder.
ImagePtr loadImage(std::span<const std::uint8_t> data);

}  // namespace tsuzuri::assets
