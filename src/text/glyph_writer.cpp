#include "text/glyph_writer.h"

#include <algorithm>

namespace tsuzuri::text {
namespace {

struct CoverageTables {
  std::array<std::uint8_t, 256 * 256> unionOf{};
  std::array<std::uint16_t, 256 * 256> weight{};
};

CoverageTables buildTables() {
  CoverageTables t;
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const int merged = a + b - a * b / 255;
      const auto at = static_cast<std::size_t>(a * 256 + b);
      t.unionOf[at] = static_cast<std::uint8_t>(merged);
      t.weight[at] = static_cast<std::uint16_t>(merged == 0 ? 0 : b * 256 / merged);
    }
  }
  return t;
}

const CoverageTables& tables() {
  static const CoverageTables t = buildTables();
  return t;
}

std::size_t tableIndex(int under, int over) {
  return static_cast<std::size_t>(under * 256 + over);
}

int channel(std::uint32_t colour, int shift) {
  return static_cast<int>((colour >> shift) & 0xFF);
}

// A pixel from an 8-bit alpha and a colour in the mode's channel depth.
std::uint32_t pack(int alpha, std::uint32_t colour, bool sixteenBit) {
  if (!sixteenBit) return static_cast<std::uint32_t>(alpha) << 24 | (colour & 0xFFFFFF);
  const auto a = static_cast<std::uint32_t>(alpha >> 4) * 17;
  return a << 24 | (colour & 0x0F0F0F) * 17;
}

// The colour of a pixel in the mode's channel depth.
std::uint32_t colourOf(std::uint32_t pixel, bool sixteenBit) {
  const std::uint32_t colour = pixel & 0xFFFFFF;
  if (!sixteenBit) return colour;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    out |= static_cast<std::uint32_t>(channel(colour, shift) / 17) << shift;
  }
  return out;
}

// `from` moved towards `to` by weight / 256, channel by channel.
std::uint32_t mix(std::uint32_t from, std::uint32_t to, int weight) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int f = channel(from, shift);
    const int value = f + (channel(to, shift) - f) * weight / 256;
    out |= static_cast<std::uint32_t>(value) << shift;
  }
  return out;
}

// The block of effect pixels around a covered pixel.
struct EffectBlock {
  int from = 0;  // first offset, the same across and down
  int to = 0;    // last offset
  bool skipCentre = false;
};

EffectBlock effectBlock(const GlyphPaint& paint) {
  if (paint.shadow && paint.outline) return {-1, 2, false};
  if (paint.outline) return {-1, 1, false};
  return {0, 2, true};
}

}  // namespace

std::int32_t glyphCellSize(std::int32_t size, std::int32_t style) {
  const std::int64_t needed =
      static_cast<std::int64_t>(size) + ((style & kStyleBold) != 0 ? 1 : 0) + 4;
  std::int64_t cell = 1;
  while (cell < needed && cell < (std::int64_t{1} << 30)) cell *= 2;
  return static_cast<std::int32_t>(cell);
}

std::uint8_t coverageUnion(std::uint8_t under, std::uint8_t over) {
  return tables().unionOf[tableIndex(under, over)];
}

std::uint16_t coverageWeight(std::uint8_t under, std::uint8_t over) {
  return tables().weight[tableIndex(under, over)];
}

std::uint32_t channelsForMode(std::int32_t colour, bool sixteenBit) {
  const auto c = static_cast<std::uint32_t>(colour) & 0xFFFFFF;
  return sixteenBit ? (c >> 4) & 0x0F0F0F : c;
}

RowColours gradientRows(std::int32_t colour1, std::int32_t colour2, std::int32_t size,
                        bool sixteenBit) {
  const std::uint32_t first = channelsForMode(colour1, sixteenBit);
  const std::uint32_t last = channelsForMode(colour2, sixteenBit);
  RowColours rows;
  rows.fill(last);
  const int steps = std::min(size, static_cast<std::int32_t>(rows.size()));
  for (int i = 0; i < steps; ++i) {
    std::uint32_t colour = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int start = channel(first, shift);
      const int value = start - i * (start - channel(last, shift)) / size;
      colour |= static_cast<std::uint32_t>(value) << shift;
    }
    rows[static_cast<std::size_t>(i)] = colour;
  }
  return rows;
}

void compositeGlyph(const GlyphTarget& target, const Coverage& coverage, std::int32_t left,
                    std::int32_t top, std::int32_t lineTop, const GlyphPaint& paint) {
  if (target.pixels == nullptr || coverage.data == nullptr) return;
  const CoverageTables& t = tables();
  const bool sixteen = paint.sixteenBit;
  // Coordinates are widened so that no placement can overflow.
  const auto at = [&](std::int64_t x, std::int64_t y) -> std::uint32_t* {
    if (x < 0 || y < 0 || x >= target.width || y >= target.height) return nullptr;
    return target.pixels + y * target.pitch + x;
  };
  const auto covered = [&](int col, int row) {
    return static_cast<int>(coverage.data[static_cast<std::ptrdiff_t>(row) * coverage.pitch + col]);
  };

  if (paint.shadow || paint.outline) {
    const EffectBlock block = effectBlock(paint);
    const std::uint32_t effect = pack(0, paint.effectColour, sixteen);
    const std::uint32_t opaqueEffect = pack(255, paint.effectColour, sixteen);
    // The alpha bits that each merged alpha is stored as.
    std::array<std::uint32_t, 256> storedAlpha;
    for (int a = 0; a < 256; ++a) storedAlpha[static_cast<std::size_t>(a)] = pack(a, 0, sixteen);
    for (int row = 0; row < coverage.rows; ++row) {
      for (int col = 0; col < coverage.width; ++col) {
        const int c = covered(col, row);
        if (c == 0) continue;
        const std::int64_t x = std::int64_t{left} + col;
        const std::int64_t y = std::int64_t{top} + row;
        const std::int64_t x0 = std::max<std::int64_t>(x + block.from, 0);
        const std::int64_t x1 = std::min<std::int64_t>(x + block.to, target.width - 1);
        const std::int64_t y0 = std::max<std::int64_t>(y + block.from, 0);
        const std::int64_t y1 = std::min<std::int64_t>(y + block.to, target.height - 1);
        // The union is symmetric, so the row of this coverage serves as its column.
        const std::uint8_t* merge = &t.unionOf[tableIndex(c, 0)];
        for (std::int64_t py = y0; py <= y1; ++py) {
          std::uint32_t* line = target.pixels + py * target.pitch;
          for (std::int64_t px = x0; px <= x1; ++px) {
            if (block.skipCentre && px == x && py == y) continue;
            // Full coverage makes the pixel opaque whatever it held.
            line[px] = c == 255 ? opaqueEffect : storedAlpha[merge[line[px] >> 24]] | effect;
          }
        }
      }
    }
  }

  for (int row = 0; row < coverage.rows; ++row) {
    const std::int64_t y = std::int64_t{top} + row;
    std::uint32_t body = paint.bodyColour;
    if (paint.rows != nullptr) {
      const std::int64_t index = std::clamp<std::int64_t>(y - lineTop, 0, 255);
      body = (*paint.rows)[static_cast<std::size_t>(index)];
    }
    for (int col = 0; col < coverage.width; ++col) {
      const int c = covered(col, row);
      if (c == 0) continue;
      std::uint32_t* pixel = at(std::int64_t{left} + col, y);
      if (pixel == nullptr) continue;
      const int under = static_cast<int>(*pixel >> 24);
      if (under == 0) {
        *pixel = pack(c, body, sixteen);
      } else if (c == 255) {
        *pixel = pack(255, body, sixteen);
      } else if (under == 255) {
        *pixel = pack(255, mix(colourOf(*pixel, sixteen), body, c), sixteen);
      } else {
        const std::size_t i = tableIndex(under, c);
        *pixel = pack(t.unionOf[i], mix(colourOf(*pixel, sixteen), body, t.weight[i]), sixteen);
      }
    }
  }
}

}  // namespace tsuzuri::text
