#pragma once

// Compositing, blending and colour overlays of the image library, and the
// two internal blends of the sprite code: blending at a position and the
// cross-fade of two images.
//
// A source placed at (x, y) on a destination is always clipped to the
// overlap of both images; negative x or y cut the source's left or top
// part. Operations that take `expand` (non-zero: set) first grow the
// destination to the bounding box of both rectangles when the source does
// not lie inside it; the old pixels keep their place relative to the
// source and the new area is transparent black. A source that is the
// destination itself is read from a copy.

#include <cstdint>

#include "assets/image_buffer.h"
#include "assets/image_ops_common.h"

namespace tsuzuri::assets {

// Draws `source` at (x, y) on *destination: mode 0 copies, 1 copies the
// pixels whose alpha is not 0, 2 XORs the 32-bit values (other modes
// copy); an expanded destination becomes a 32-bit image.
bool compositeImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                    std::int32_t mode, std::int32_t x, std::int32_t y, std::int32_t expand);

// Blends `source` at (x, y) on *destination in blend mode 0..21 with
// opacity 0..256 (0 changes nothing, 256 and above are fully opaque); the
// destination keeps its depth, also when expanded. Modes outside 0..21
// blend with the normal table.
bool blendImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                std::int32_t mode, std::int32_t x, std::int32_t y, std::int32_t opacity,
                std::int32_t expand);

// Blends the ARGB colour over every pixel of `image` in colour mode 0..20
// (other modes: normal), weighted by the colour's alpha; pixel alpha is
// kept and a colour alpha of 0 changes nothing.
bool colImage(ImageConsole& console, ImageBuffer* image, std::int32_t mode, std::uint32_t colour);

// Draws `source` over `destination` at (x, y) with the blendImage mode-1
// arithmetic and opacity 0..256, without growing the destination.
bool blendImageAt(ImageConsole& console, ImageBuffer* destination, const ImageBuffer* source,
                  std::int32_t x, std::int32_t y, std::int32_t opacity);

// Writes into *destination the cross-fade of two images of the same size,
// `weight` (0..256, clamped) being the share of `newImage`. The result is
// 24-bit when both inputs are; *destination may be one of the inputs.
bool crossFadeImages(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* oldImage,
                     const ImageBuffer* newImage, std::int32_t weight);

}  // namespace tsuzuri::assets
