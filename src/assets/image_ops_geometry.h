#pragma once

// Resizing and rotation of 32-bit images, in both calling forms (see
// image_ops_common.h). Positions are 18-bit fixed point throughout, so the
// results are exact integers that tests and games can rely on. Destination
// widths are limited only by the image size limits of image_buffer.h.
//
// Rotation by a whole multiple of 90 degrees with a scale below 1 is
// accepted (the result is reduced), unlike resizeImage with two factors
// below 1, which refuses them.

#include <cstdint>

#include "assets/image_buffer.h"
#include "assets/image_ops_common.h"

namespace tsuzuri::assets {

// Resizes `source` by size mode (0 percent, 1 pixels, 2 factor, other 1 × 1) with the
// reduce or enlarge filter (0 nearest, 1 bilinear, 2 nearest / area average).
bool resizeImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                 double a, double b, std::int32_t sizeMode, std::int32_t reduceFilter,
                 std::int32_t enlargeFilter);

// resizeImage in place.
bool resizeImage2(ImageConsole& console, ImageBuffer** image, double a, double b,
                  std::int32_t sizeMode, std::int32_t reduceFilter, std::int32_t enlargeFilter);

// Rotates `source` clockwise by `angle` degrees on a canvas that holds the whole result,
// scaled by `scale` (0 and 1: unscaled), with filter 1 bilinear, otherwise nearest.
bool rotateImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                 double angle, double scale, std::int32_t filter);

// rotateImage in place.
bool rotateImage2(ImageConsole& console, ImageBuffer** image, double angle, double scale,
                  std::int32_t filter);

}  // namespace tsuzuri::assets
