#pragma once

#include <cstdint>
#include <span>

#include "assets/image_buffer.h"

namespace tsuzuri::assets {

// Games ship their mouse cursors as Windows cursor files, which SDL cannot
// read; this is the image and the hot spot (the pixel that points) of one.
struct CursorImage {
  ImagePtr image;
  std::int32_t hotX = 0;
  std::int32_t hotY = 0;
};

// The largest width or height a cursor image may have; the file formats
// cannot express more, so anything bigger is damaged.
inline constexpr std::int32_t kMaxCursorSide = 256;

// A Windows cursor (.cur) or animated cursor (.ani, its first frame); also
// accepts .ico data (hot spot 0, 0). Null image for anything else.
//
// Of several images in one file the one with the largest area is taken (the
// first of equal ones, but a 32-bit one before others). The image has depth
// 32: colour entries take their transparency from their mask. The hot spot is
// moved inside the image when the file puts it outside, as SDL refuses such
// cursors.
CursorImage decodeCursor(std::span<const std::uint8_t> data);

}  // namespace tsuzuri::assets
