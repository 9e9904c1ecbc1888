#include "assets/image_ops_blend.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>

#include "assets/image_kernels.h"
#include "assets/image_tables.h"

namespace tsuzuri::assets {
namespace {

constexpr std::int32_t kFullOpacity = 256;

// Byte offsets of the channels in a pixel.
constexpr std::size_t kAlpha = 3;

// The part of the source placed at (x, y) that lies on the destination.
struct Overlap {
  std::int32_t destinationX;
  std::int32_t destinationY;
  std::int32_t sourceX;
  std::int32_t sourceY;
  std::int32_t width;
  std::int32_t height;
};

std::optional<Overlap> overlapOf(const ImageBuffer& destination, const ImageBuffer& source,
                                 std::int32_t x, std::int32_t y) {
  const std::int64_t left = std::max<std::int64_t>(x, 0);
  const std::int64_t top = std::max<std::int64_t>(y, 0);
  const std::int64_t right =
      std::min<std::int64_t>(std::int64_t{x} + source.width, destination.width);
  const std::int64_t bottom =
      std::min<std::int64_t>(std::int64_t{y} + source.height, destination.height);
  if (left >= right || top >= bottom) return std::nullopt;
  return Overlap{static_cast<std::int32_t>(left),         static_cast<std::int32_t>(top),
                 static_cast<std::int32_t>(left - x),     static_cast<std::int32_t>(top - y),
                 static_cast<std::int32_t>(right - left), static_cast<std::int32_t>(bottom - top)};
}

bool liesInside(const ImageBuffer& destination, const ImageBuffer& source, std::int32_t x,
                std::int32_t y) {
  return x >= 0 && y >= 0 && std::int64_t{x} + source.width <= destination.width &&
         std::int64_t{y} + source.height <= destination.height;
}

std::size_t byteCount(const ImageBuffer& image) {
  return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
}

ImagePtr duplicate(const ImageBuffer& image) {
  ImagePtr copy = makeImage(image.width, image.height, image.depth);
  if (copy != nullptr) std::memcpy(copy->pixels, image.pixels, byteCount(image));
  return copy;
}

// Replaces *destination by a transparent image of the given depth covering
// both it and the source at (x, y), with the old pixels copied at their
// place; x and y become relative to the new image. False, with nothing
// changed, when the image cannot be created.
bool growDestination(ImageBuffer** destination, const ImageBuffer& source, std::int32_t& x,
                     std::int32_t& y, std::int32_t depth) {
  const ImageBuffer& old = **destination;
  const std::int64_t left = std::min<std::int64_t>(0, x);
  const std::int64_t top = std::min<std::int64_t>(0, y);
  const std::int64_t width =
      std::max<std::int64_t>(old.width, std::int64_t{x} + source.width) - left;
  const std::int64_t height =
      std::max<std::int64_t>(old.height, std::int64_t{y} + source.height) - top;
  if (width > kMaxImageSide || height > kMaxImageSide) return false;
  ImageBuffer* grown =
      createImage(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), depth);
  if (grown == nullptr) return false;
  std::memset(grown->pixels, 0, byteCount(*grown));
  const auto offsetX = static_cast<std::int32_t>(-left);
  const auto offsetY = static_cast<std::int32_t>(-top);
  const std::size_t rowBytes = static_cast<std::size_t>(old.width) * 4;
  for (std::int32_t row = 0; row < old.height; ++row) {
    std::memcpy(pixelAt(*grown, offsetX, offsetY + row),
                old.pixels + static_cast<std::size_t>(row) * rowBytes, rowBytes);
  }
  std::memcpy(grown->name, old.name, sizeof grown->name);
  grown->left = old.left;
  grown->top = old.top;
  grown->mode = old.mode;
  freeImage(destination);
  *destination = grown;
  x += offsetX;
  y += offsetY;
  return true;
}

// C = ((value × alpha + base × (255 − alpha) + 1) × 257) >> 16: the mix of
// a blended value over an opaque base, divided by 255 without a division.
std::uint8_t mixOpaque(std::uint32_t value, std::uint32_t base, std::uint32_t alpha) {
  return static_cast<std::uint8_t>(((value * alpha + base * (255 - alpha) + 1) * 257) >> 16);
}

std::uint32_t reducedAlpha(std::uint32_t alpha, std::int32_t opacity) {
  return opacity < kFullOpacity ? static_cast<std::uint32_t>(opacity) * alpha / 256 : alpha;
}

void copyColour(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t alpha) {
  destination[0] = source[0];
  destination[1] = source[1];
  destination[2] = source[2];
  destination[kAlpha] = static_cast<std::uint8_t>(alpha);
}

// The row kernels below are the portable versions; each handles `count`
// pixels of one source row and one destination row that do not overlap in
// memory, so processor-specific versions can replace them one by one.

void compositeCopyRow(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count) {
  std::memcpy(destination, source, static_cast<std::size_t>(count) * 4);
}

void compositeVisibleRow(const std::uint8_t* source, std::uint8_t* destination,
                         std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i, source += 4, destination += 4) {
    if (source[kAlpha] != 0) std::memcpy(destination, source, 4);
  }
}

void compositeXorRow(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count) {
  for (std::int32_t i = 0; i < count * 4; ++i) destination[i] ^= source[i];
}

// Blend mode 0: the source pixels with their alpha scaled by the opacity.
void blendCopyRow(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                  std::int32_t opacity) {
  if (opacity >= kFullOpacity) {
    compositeCopyRow(source, destination, count);
    return;
  }
  for (std::int32_t i = 0; i < count; ++i, source += 4, destination += 4) {
    copyColour(source, destination, reducedAlpha(source[kAlpha], opacity));
  }
}

}  // namespace

// Blend mode 1: the source drawn over the destination (straight alpha).
void blendNormalRow(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                    std::int32_t opacity, const ImageTables& tables) {
  const BlendTable& overAlpha = tables.blend[static_cast<std::size_t>(BlendTableKind::kOverAlpha)];
  for (std::int32_t i = 0; i < count; ++i, source += 4, destination += 4) {
    const std::uint32_t sourceAlpha = reducedAlpha(source[kAlpha], opacity);
    if (sourceAlpha == 0) continue;
    const std::uint32_t destinationAlpha = destination[kAlpha];
    if (sourceAlpha == 255 || destinationAlpha == 0) {
      copyColour(source, destination, sourceAlpha);
    } else if (destinationAlpha == 255) {
      for (std::size_t c = 0; c < 3; ++c) {
        destination[c] = mixOpaque(source[c], destination[c], sourceAlpha);
      }
    } else {
      const std::uint32_t alpha = tableAt(overAlpha, destinationAlpha, sourceAlpha);
      const auto weight =
          static_cast<std::int32_t>(tables.unpremultiply[alpha * 256 + sourceAlpha]);
      for (std::size_t c = 0; c < 3; ++c) {
        const std::int32_t base = destination[c];
        destination[c] = static_cast<std::uint8_t>(base + weight * (source[c] - base) / 256);
      }
      destination[kAlpha] = static_cast<std::uint8_t>(alpha);
    }
  }
}

namespace {

// Blend modes 2..21: the table value B(destination, source) mixed by both
// alphas.
void blendTableRow(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                   std::int32_t opacity, const BlendTable& blend, const ImageTables& tables) {
  const BlendTable& weightTable = tables.blend[static_cast<std::size_t>(BlendTableKind::kWeight)];
  const BlendTable& multiply = tables.blend[static_cast<std::size_t>(BlendTableKind::kMultiply)];
  for (std::int32_t i = 0; i < count; ++i, source += 4, destination += 4) {
    const std::uint32_t sourceAlpha = reducedAlpha(source[kAlpha], opacity);
    if (sourceAlpha == 0) continue;
    const std::uint32_t destinationAlpha = destination[kAlpha];
    if (destinationAlpha == 0) {
      copyColour(source, destination, sourceAlpha);
    } else if (destinationAlpha == 255 && sourceAlpha == 255) {
      for (std::size_t c = 0; c < 3; ++c)
        destination[c] = tableAt(blend, destination[c], source[c]);
    } else if (destinationAlpha == 255) {
      for (std::size_t c = 0; c < 3; ++c) {
        destination[c] =
            mixOpaque(tableAt(blend, destination[c], source[c]), destination[c], sourceAlpha);
      }
    } else if (sourceAlpha == 255) {
      for (std::size_t c = 0; c < 3; ++c) {
        destination[c] =
            mixOpaque(tableAt(blend, destination[c], source[c]), source[c], destinationAlpha);
      }
      destination[kAlpha] = 255;
    } else {
      // The destination seen through the source (A), both together (M) and
      // the source alone (E), summed with the weights of a source-over.
      const std::uint32_t a = tableAt(weightTable, sourceAlpha, destinationAlpha);
      const std::uint32_t m = tableAt(multiply, sourceAlpha, destinationAlpha);
      const std::uint32_t e = sourceAlpha - m;
      const std::uint32_t reciprocal = tables.reciprocal[a + sourceAlpha];
      for (std::size_t c = 0; c < 3; ++c) {
        const std::uint32_t b = tableAt(blend, destination[c], source[c]);
        destination[c] = static_cast<std::uint8_t>(
            ((destination[c] * a + b * m + source[c] * e + 1) * reciprocal) >> 16);
      }
      destination[kAlpha] = static_cast<std::uint8_t>(sourceAlpha + a);
    }
  }
}

// colImage: B(pixel channel, colour channel) mixed by the colour's alpha.
void colourRow(std::uint8_t* pixels, std::int32_t count, const std::uint8_t (&colour)[3],
               std::uint32_t alpha, const BlendTable& blend) {
  for (std::int32_t i = 0; i < count; ++i, pixels += 4) {
    for (std::size_t c = 0; c < 3; ++c) {
      const std::uint8_t value = tableAt(blend, pixels[c], colour[c]);
      pixels[c] = alpha == 255 ? value : mixOpaque(value, pixels[c], alpha);
    }
  }
}

// A + ⌊(B − A) weight / 256⌋ per colour channel.
void interpolateColour(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out,
                       std::int32_t weight) {
  for (std::size_t c = 0; c < 3; ++c) {
    out[c] = static_cast<std::uint8_t>(from[c] + (((to[c] - from[c]) * weight) >> 8));
  }
}

}  // namespace

// The cross-fade of `count` pixels; `out` may be `from` or `to`.
void crossFadeRow(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out,
                  std::size_t count, std::int32_t weight, const ImageTables& tables) {
  const BlendTable& overAlpha = tables.blend[static_cast<std::size_t>(BlendTableKind::kOverAlpha)];
  const auto oldShare = static_cast<std::uint32_t>(256 - weight);
  const auto newShare = static_cast<std::uint32_t>(weight);
  for (std::size_t i = 0; i < count; ++i, from += 4, to += 4, out += 4) {
    const std::uint32_t fromAlpha = from[kAlpha];
    const std::uint32_t toAlpha = to[kAlpha];
    if (std::memcmp(from, to, 4) == 0) {
      std::memmove(out, from, 4);
    } else if (fromAlpha == 0 && toAlpha == 0) {
      std::memset(out, 0, 4);
    } else if (toAlpha == 0) {
      copyColour(from, out, fromAlpha * oldShare / 256);
    } else if (fromAlpha == 0) {
      copyColour(to, out, toAlpha * newShare / 256);
    } else if (fromAlpha >= 254 && toAlpha >= 254) {
      interpolateColour(from, to, out, static_cast<std::int32_t>(toAlpha * newShare / 256));
      out[kAlpha] = 255;
    } else {
      const std::uint32_t s = fromAlpha * oldShare / 256;
      const std::uint32_t c = toAlpha * newShare / 256;
      const std::uint32_t alpha = tableAt(overAlpha, s, c);
      interpolateColour(from, to, out,
                        static_cast<std::int32_t>(tables.unpremultiply[alpha * 256 + c]));
      out[kAlpha] = static_cast<std::uint8_t>(alpha);
    }
  }
}

namespace {

const std::uint8_t* sourcePixel(const ImageBuffer& image, std::int32_t x, std::int32_t y) {
  return image.pixels + (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                         static_cast<std::size_t>(x)) *
                            4;
}

// Runs `row(sourceRow, destinationRow, width)` over every row of the overlap.
template <class Row>
void forEachRow(ImageBuffer& destination, const ImageBuffer& source, const Overlap& overlap,
                Row row) {
  for (std::int32_t line = 0; line < overlap.height; ++line) {
    const std::uint8_t* from = sourcePixel(source, overlap.sourceX, overlap.sourceY + line);
    std::uint8_t* to = pixelAt(destination, overlap.destinationX, overlap.destinationY + line);
    row(from, to, overlap.width);
  }
}

// What compositeImage and blendImage share: the checks, the copy of a source
// that is the destination, the expansion and the placement. `draw` gets the
// destination, the source and their overlap.
struct Lines {
  const char8_t* missing;
  const char8_t* coordinates;
  const char8_t* memory;
};

template <class Draw>
bool placeAndDraw(ImageConsole& console, const Lines& lines, ImageBuffer** destination,
                  const ImageBuffer* source, std::int32_t x, std::int32_t y, bool expand,
                  std::int32_t grownDepth, bool drawsNothing, Draw draw) {
  if (destination == nullptr || *destination == nullptr || source == nullptr) {
    printLine(console, lines.missing);
    return false;
  }
  if (!expand && !overlapOf(**destination, *source, x, y)) {
    printLine(console, lines.coordinates);
    return false;
  }
  if (drawsNothing) return true;
  ImagePtr sourceCopy;
  if (source == *destination) {
    sourceCopy = duplicate(*source);
    if (sourceCopy == nullptr) {
      printLine(console, lines.memory);
      return false;
    }
    source = sourceCopy.get();
  }
  if (expand && !liesInside(**destination, *source, x, y) &&
      !growDestination(destination, *source, x, y, grownDepth)) {
    printLine(console, lines.memory);
    return false;
  }
  const std::optional<Overlap> overlap = overlapOf(**destination, *source, x, y);
  if (overlap) draw(**destination, *source, *overlap);
  return true;
}

constexpr Lines kCompositeLines{u8"-CMP: 画像データが読み込まれてません\n",
                                u8"-CMP: 座標の指定が不正です\n",
                                u8"-CMP: メモリを確保出来ませんでした\n"};
constexpr Lines kBlendLines{u8"-BLD: 画像データが読み込まれてません\n",
                            u8"-BLD: 座標の指定が不正です\n",
                            u8"-BLD: メモリを確保出来ませんでした\n"};

}  // namespace

bool compositeImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                    std::int32_t mode, std::int32_t x, std::int32_t y, std::int32_t expand) {
  return placeAndDraw(console, kCompositeLines, destination, source, x, y, expand != 0, 32, false,
                      [mode](ImageBuffer& target, const ImageBuffer& from, const Overlap& overlap) {
                        // The result may hold alpha below 255 unless two opaque images are
                        // copied; XOR turns two opaque alphas into 0.
                        if (mode == 2 || from.depth != 24) target.depth = 32;
                        forEachRow(
                            target, from, overlap,
                            [mode](const std::uint8_t* in, std::uint8_t* out, std::int32_t count) {
                              if (mode == 1) {
                                compositeVisibleRow(in, out, count);
                              } else if (mode == 2) {
                                compositeXorRow(in, out, count);
                              } else {
                                compositeCopyRow(in, out, count);
                              }
                            });
                      });
}

bool blendImage(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* source,
                std::int32_t mode, std::int32_t x, std::int32_t y, std::int32_t opacity,
                std::int32_t expand) {
  const std::int32_t depth =
      destination != nullptr && *destination != nullptr ? (*destination)->depth : 32;
  const ImageTables& tables = imageTables();
  const BlendTable& blend = blendModeTable(mode);
  return placeAndDraw(
      console, kBlendLines, destination, source, x, y, expand != 0, depth, opacity <= 0,
      [&](ImageBuffer& target, const ImageBuffer& from, const Overlap& overlap) {
        forEachRow(target, from, overlap,
                   [&](const std::uint8_t* in, std::uint8_t* out, std::int32_t count) {
                     if (mode == 0) {
                       blendCopyRow(in, out, count, opacity);
                     } else if (mode == 1) {
                       blendNormalRow(in, out, count, opacity, tables);
                     } else {
                       blendTableRow(in, out, count, opacity, blend, tables);
                     }
                   });
      });
}

bool colImage(ImageConsole& console, ImageBuffer* image, std::int32_t mode, std::uint32_t colour) {
  if (image == nullptr) {
    printLine(console, u8"-: 画像データが読み込まれてません\n");
    return false;
  }
  const std::uint32_t alpha = colour >> 24;
  if (alpha == 0) return true;
  const std::uint8_t channels[3] = {static_cast<std::uint8_t>(colour),
                                    static_cast<std::uint8_t>(colour >> 8),
                                    static_cast<std::uint8_t>(colour >> 16)};
  const BlendTable& blend = colourModeTable(mode);
  for (std::int32_t row = 0; row < image->height; ++row) {
    colourRow(pixelAt(*image, 0, row), image->width, channels, alpha, blend);
  }
  return true;
}

bool blendImageAt(ImageConsole& console, ImageBuffer* destination, const ImageBuffer* source,
                  std::int32_t x, std::int32_t y, std::int32_t opacity) {
  if (destination == nullptr || source == nullptr) {
    printLine(console, kBlendLines.missing);
    return false;
  }
  const std::optional<Overlap> overlap = overlapOf(*destination, *source, x, y);
  if (!overlap) {
    printLine(console, kBlendLines.coordinates);
    return false;
  }
  if (opacity <= 0) return true;
  ImagePtr sourceCopy;
  if (source == destination) {
    sourceCopy = duplicate(*source);
    if (sourceCopy == nullptr) {
      printLine(console, kBlendLines.memory);
      return false;
    }
    source = sourceCopy.get();
  }
  const ImageTables& tables = imageTables();
  const ImageKernels& kernels = imageKernels();
  forEachRow(*destination, *source, *overlap,
             [&](const std::uint8_t* in, std::uint8_t* out, std::int32_t count) {
               kernels.blendNormalRow(in, out, count, opacity, tables);
             });
  return true;
}

bool crossFadeImages(ImageConsole& console, ImageBuffer** destination, const ImageBuffer* oldImage,
                     const ImageBuffer* newImage, std::int32_t weight) {
  if (destination == nullptr || oldImage == nullptr || newImage == nullptr) {
    printLine(console, kBlendLines.missing);
    return false;
  }
  if (oldImage->width != newImage->width || oldImage->height != newImage->height) {
    printLine(console, kBlendLines.coordinates);
    return false;
  }
  const std::int32_t depth = oldImage->depth == 24 && newImage->depth == 24 ? 24 : 32;
  // prepareDestination may free *destination; it only does so when the size
  // differs, so an input that is the destination survives.
  if (!prepareDestination(destination, oldImage->width, oldImage->height, depth)) {
    printLine(console, kBlendLines.memory);
    return false;
  }
  imageKernels().crossFadeRow(
      oldImage->pixels, newImage->pixels, (*destination)->pixels,
      static_cast<std::size_t>(oldImage->width) * static_cast<std::size_t>(oldImage->height),
      std::clamp(weight, 0, 256), imageTables());
  return true;
}

}  // namespace tsuzuri::assets
