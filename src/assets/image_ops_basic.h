#pragma once

// The simple operations of the image library: copies, cuts, flips and the
// per-channel colour corrections. The calling forms, results and failure
// lines are those of image_ops_common.h; coordinates are pixels from the
// top-left corner and may lie partly or wholly outside the image.

#include <cstdint>

#include "assets/image_ops_common.h"

namespace tsuzuri::assets {

// Copies the pixels, size and depth of `source` (the layer attributes of the destination stay).
bool copyImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source);

// Cuts w × h pixels at (x, y) (w, h ≤ 0: the source's width, height); outside is transparent.
bool clippingImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                   std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);

// clippingImage in place; the image's mode field is kept.
bool clippingImage2(ImageConsole& console, ImageBuffer** image, std::int32_t x, std::int32_t y,
                    std::int32_t w, std::int32_t h);

// Cuts away borders whose alpha is ≤ threshold; sides: 1 top, 2 bottom, 4 left, 8 right;
// symmetric: 1 the same amount from top and bottom, 2 from left and right.
bool trimmingImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                   std::int32_t threshold, std::int32_t sides, std::int32_t symmetric);

// trimmingImage in place; the image's mode field is kept.
bool trimmingImage2(ImageConsole& console, ImageBuffer** image, std::int32_t threshold,
                    std::int32_t sides, std::int32_t symmetric);

// Clears w × h pixels at (x, y) to transparent black (w, h ≤ 0: the image's width, height).
bool eraseImage(ImageConsole& console, ImageBuffer* image, std::int32_t x, std::int32_t y,
                std::int32_t w, std::int32_t h);

// Replaces every pixel equal to the key (0xAARRGGBB) by `newColour`; which = 1 takes the key
// from the top-left pixel, 2 from the top-right one, anything else from `keyColour`.
bool color2colorImage(ImageConsole& console, ImageBuffer* image, std::uint32_t keyColour,
                      std::uint32_t newColour, std::int32_t which);

// Mirrors left to right into the destination.
bool flipHorizontalImage(ImageConsole& console, ImageBuffer** destination,
                         const ImageBuffer* source);

// Mirrors top to bottom into the destination.
bool flipVerticalImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source);

// flipHorizontalImage in place.
bool flipHorizontalImage2(ImageConsole& console, ImageBuffer** image);

// flipVerticalImage in place.
bool flipVerticalImage2(ImageConsole& console, ImageBuffer** image);

// Inverts the colour channels; alpha is kept.
bool negaposiImage(ImageConsole& console, ImageBuffer* image);

// Sets the three colour channels to the rounded luminance; alpha is kept.
bool grayscalImage(ImageConsole& console, ImageBuffer* image);

// Brightness (added, 0 = none) and contrast (percent change, −100 = flat grey) per channel.
bool bcImage(ImageConsole& console, ImageBuffer* image, std::int32_t brightness,
             std::int32_t contrast);

// Gamma per channel: percentage p gives the exponent 0.5^(p / 100) (0 = unchanged).
bool colorImage(ImageConsole& console, ImageBuffer* image, std::int32_t red, std::int32_t green,
                std::int32_t blue);

}  // namespace tsuzuri::assets
