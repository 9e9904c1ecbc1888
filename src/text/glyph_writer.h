#pragma once

// The compositing half of the glyph rasteriser: a glyph's coverage bitmap
// (from FreeType, see font_face.h) drawn into a pixel buffer with the
// engine's effects. Kept apart from FreeType so that the arithmetic can be
// checked on coverage made by hand.
//
// Pixels are 32-bit words 0xAARRGGBB with straight (not premultiplied)
// alpha. In 16-bit colour mode the glyph is computed on 4-bit channels, as
// an A4R4G4B4 texture would hold it, and each 4-bit value v is stored as
// v × 17 so that the buffer can still be uploaded as 32-bit pixels.

#include <array>
#include <cstdint>

namespace tsuzuri::text {

inline constexpr std::int32_t kStyleBold = 1;
inline constexpr std::int32_t kStyleShadow = 2;
inline constexpr std::int32_t kStyleOutline = 4;
inline constexpr std::int32_t kStyleGradient = 8;
inline constexpr std::int32_t kStyleSmooth = 16;

// The side of a glyph's square texture: the smallest power of two that
// holds size + bold + 4 pixels (bold counts one pixel; the 4 leave room for
// the outline on both sides and the shadow's two pixels right and down).
std::int32_t glyphCellSize(std::int32_t size, std::int32_t style);

// Coverage merged without divisions: union[a][b] = a + b − a·b/255 is the
// alpha of coverage b drawn over alpha a.
std::uint8_t coverageUnion(std::uint8_t under, std::uint8_t over);

// The share (out of 256) that the colour drawn with coverage `over` has in
// a pixel of alpha `under` afterwards: over × 256 / union[under][over].
std::uint16_t coverageWeight(std::uint8_t under, std::uint8_t over);

// The body colour of each row of a line, counted from the line's top:
// 0x00RRGGBB in the channel depth of the colour mode (8 or 4 bits). With
// the gradient, row i < size goes from colour 1 towards colour 2 by
// i × (colour 1 − colour 2) / size per channel; rows from `size` on are
// colour 2.
using RowColours = std::array<std::uint32_t, 256>;
RowColours gradientRows(std::int32_t colour1, std::int32_t colour2, std::int32_t size,
                        bool sixteenBit);

// A colour 0xRRGGBB in the channel depth of the colour mode.
std::uint32_t channelsForMode(std::int32_t colour, bool sixteenBit);

// The buffer a glyph is written into; `pitch` counts words.
struct GlyphTarget {
  std::uint32_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t pitch = 0;
};

// A glyph's coverage, one byte per pixel (0 = none, 255 = full); `pitch`
// counts bytes. Monochrome glyphs hold only 0 and 255.
struct Coverage {
  const std::uint8_t* data = nullptr;
  std::int32_t width = 0;
  std::int32_t rows = 0;
  std::int32_t pitch = 0;
};

struct GlyphPaint {
  bool shadow = false;
  bool outline = false;
  bool sixteenBit = false;
  std::uint32_t effectColour = 0;  // colour 3, in the mode's channel depth
  std::uint32_t bodyColour = 0;    // colour 1, in the mode's channel depth
  // Body colours by row (gradientRows), or null for the plain body colour.
  const RowColours* rows = nullptr;
};

// Draws `coverage` with its top-left pixel at (left, top) over what the
// buffer holds, clipped to the buffer. First the effect layer: for every
// covered pixel, colour 3 around it (shadow: the 3 × 3 block to the right
// and below without the pixel itself; outline: the 3 × 3 block around it;
// both: the 4 × 4 block from one pixel up and left), with alpha
// union[alpha there][coverage], or 255 under full coverage. Then the body
// on top: over an empty pixel the body colour with the coverage as alpha;
// with full coverage the body colour opaque; over an opaque pixel the
// colour moved towards the body by coverage / 256, staying opaque; over a
// partly covered pixel the union alpha and the colours mixed by
// coverageWeight. Gradient rows are indexed by pixel row − `lineTop`
// (rows above the line use the first entry, rows past the table the last).
void compositeGlyph(const GlyphTarget& target, const Coverage& coverage, std::int32_t left,
                    std::int32_t top, std::int32_t lineTop, const GlyphPaint& paint);

}  // namespace tsuzuri::text
