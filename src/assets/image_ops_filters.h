#pragma once

// Filters of the image library that work on whole images: HSL shift, box
// blur, mosaic, difference of two images, transparency clean-up, the
// rule-mask alpha and the conversion of decoded video frames.

#include <cstdint>

#include "assets/image_buffer.h"
#include "assets/image_ops_common.h"

namespace tsuzuri::assets {

// The inclusive rectangle of the pixels in which two images differ.
struct DifferenceBox {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = -1;
  std::int32_t bottom = -1;
};

// Shifts hue (degrees), saturation and lightness (percent, -100..100).
bool hslImage(ImageConsole& console, ImageBuffer* image, std::int32_t hue, std::int32_t saturation,
              std::int32_t lightness);

// Box blur over a (2 radiusX + 1) × (2 radiusY + 1) window clipped to the image.
bool blurImage(ImageConsole& console, ImageBuffer* image, std::int32_t radiusX,
               std::int32_t radiusY);

// Fills cells of cellWidth × cellHeight from the top-left with their averages.
bool mosaicImage(ImageConsole& console, ImageBuffer* image, std::int32_t cellWidth,
                 std::int32_t cellHeight);

// Compares *base with other (mode bits 0-1: 0 box only, 1 paint equal pixels
// with colour, 2 XOR, 3 diagnostic line; bit 2 is kept in base's mode);
// false with "-SP3" when nothing differs. `box`, when given, gets the box.
bool differenceImage(ImageConsole& console, ImageBuffer** base, ImageBuffer* other,
                     std::int32_t mode, std::int32_t colour, DifferenceBox* box = nullptr);

// Recomputes the depth, then cleans the colour of transparent 32-bit pixels:
// n <= 0 blackens them and lets visible colours bleed |n| pixels outward,
// n > 0 blackens those farther than n pixels from any visible pixel.
bool DurtyTransparency(ImageConsole& console, ImageBuffer* image, std::int32_t n);

// Sets image's alpha from the blue bytes of mask placed at (x, y): zero outside
// the mask, the stage-transition ramp (progress 0..512, softness 0..511)
// inside, inverted when reverse is 0. Colours are kept.
bool ruleMaskAlpha(ImageConsole& console, ImageBuffer* image, ImageBuffer* mask, std::int32_t x,
                   std::int32_t y, std::int32_t reverse, std::int32_t progress,
                   std::int32_t softness);

// A decoded 4:2:0 frame: full-size luma and half-size (rounded up) chroma
// planes, each with its own row stride in bytes.
struct VideoFrame {
  const std::uint8_t* luma = nullptr;
  std::int32_t lumaStride = 0;
  const std::uint8_t* blueChroma = nullptr;  // Cb
  std::int32_t blueChromaStride = 0;
  const std::uint8_t* redChroma = nullptr;  // Cr
  std::int32_t redChromaStride = 0;
};

// Converts two luma rows sharing one chroma row into two rows of BGRA pixels;
// lumaBelow and outBelow are null for the single last row of an odd height.
using VideoRowPairConverter = void (*)(const std::uint8_t* luma, const std::uint8_t* lumaBelow,
                                       const std::uint8_t* blueChroma,
                                       const std::uint8_t* redChroma, std::uint8_t* out,
                                       std::uint8_t* outBelow, std::int32_t width);

// The portable row-pair conversion (15-bit fixed point, clamped), alpha 255.
void convertVideoRowPair(const std::uint8_t* luma, const std::uint8_t* lumaBelow,
                         const std::uint8_t* blueChroma, const std::uint8_t* redChroma,
                         std::uint8_t* out, std::uint8_t* outBelow, std::int32_t width);

// Converts a whole frame of image's size into image, row pair by row pair,
// with `convertRows` or, when it is null, the converter chosen at start-up
// (image_kernels.h).
void convertVideoFrame(const VideoFrame& frame, ImageBuffer& image,
                       VideoRowPairConverter convertRows = nullptr);

}  // namespace tsuzuri::assets
