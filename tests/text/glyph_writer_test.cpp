#include "text/glyph_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tsuzuri::text {
namespace {

using Offsets = std::set<std::pair<int, int>>;

// A small buffer with a margin past its width, which must stay untouched.
struct Canvas {
  static constexpr int kWidth = 12;
  static constexpr int kHeight = 12;
  static constexpr int kPitch = 16;
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kPitch * kHeight, 0);
  GlyphTarget target() { return {pixels.data(), kWidth, kHeight, kPitch}; }
  std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y * kPitch + x)]; }
  Offsets touched() {
    Offsets out;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kPitch; ++x) {
        if (at(x, y) != 0) out.insert({x, y});
      }
    }
    return out;
  }
};

Offsets block(int from, int to, int x, int y) {
  Offsets out;
  for (int dy = from; dy <= to; ++dy) {
    for (int dx = from; dx <= to; ++dx) out.insert({x + dx, y + dy});
  }
  return out;
}

TEST(GlyphCellSize, IsThePowerOfTwoAboveSizeBoldAndMargin) {
  const struct {
    std::int32_t size, style, cell;
  } cases[] = {{24, kStyleBold, 32},
               {28, 0, 32},
               {12, 0, 16},
               {12, kStyleBold, 32},
               {11, kStyleBold, 16},
               {28, kStyleBold | kStyleSmooth, 64},
               {0, 0, 4},
               {60, kStyleShadow, 64},
               {61, 0, 128}};
  for (const auto& c : cases) {
    EXPECT_EQ(glyphCellSize(c.size, c.style), c.cell) << c.size << " style " << c.style;
  }
}

TEST(CoverageTables, MergeAlphaAndWeighColours) {
  // Worked out by hand from a + b − ⌊a·b/255⌋ and b × 256 / union.
  const struct {
    int under, over, merged, weight;
  } cases[] = {{0, 0, 0, 0},         {0, 90, 90, 256},     {255, 17, 255, 17},
               {128, 128, 192, 170}, {100, 100, 161, 159}, {254, 254, 255, 254}};
  for (const auto& c : cases) {
    const auto a = static_cast<std::uint8_t>(c.under);
    const auto b = static_cast<std::uint8_t>(c.over);
    EXPECT_EQ(coverageUnion(a, b), c.merged) << c.under << "," << c.over;
    EXPECT_EQ(coverageUnion(b, a), c.merged) << c.over << "," << c.under;
    EXPECT_EQ(coverageWeight(a, b), c.weight) << c.under << "," << c.over;
  }
}

TEST(GradientRows, StepFromColourOneToColourTwoOverTheSize) {
  const RowColours rows = gradientRows(0xFF0000, 0x0000FF, 4, false);
  const std::uint32_t head[] = {0xFF0000, 0xC0003F, 0x80007F, 0x4000BF, 0x0000FF};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(rows[i], head[i]) << i;
  EXPECT_EQ(rows[255], 0x0000FFU);

  // 4-bit channels: 15 − i·15/4 and i·15/4.
  const RowColours low = gradientRows(0xFF0000, 0x0000FF, 4, true);
  const std::uint32_t lowHead[] = {0x0F0000, 0x0C0003, 0x080007, 0x04000B, 0x00000F};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(low[i], lowHead[i]) << i;

  // No rows to step over: everything is colour 2.
  for (const auto colour : gradientRows(0xFFFFFF, 0x102030, 0, false)) EXPECT_EQ(colour, 0x102030U);
}

TEST(CompositeGlyph, EffectBlocksSurroundEachCoveredPixel) {
  // Full coverage gives opaque pixels. Under half coverage the body pixel
  // shows whether the effect was drawn under it too: over nothing it keeps
  // alpha 128; over the effect's 128 it becomes union 192, weight 170.
  const struct {
    bool shadow, outline;
    Offsets expected;
    std::uint8_t coverage;
    std::uint32_t body, effect;
  } cases[] = {
      {true, false, block(0, 2, 5, 5), 255, 0xFFFFFFFF, 0xFF0000FF},
      {false, true, block(-1, 1, 5, 5), 255, 0xFFFFFFFF, 0xFF0000FF},
      {true, true, block(-1, 2, 5, 5), 255, 0xFFFFFFFF, 0xFF0000FF},
      {false, false, Offsets{{5, 5}}, 255, 0xFFFFFFFF, 0},
      {true, false, block(0, 2, 5, 5), 128, 0x80FFFFFF, 0x800000FF},
      {false, true, block(-1, 1, 5, 5), 128, 0xC0A9A9FF, 0x800000FF},
      {true, true, block(-1, 2, 5, 5), 128, 0xC0A9A9FF, 0x800000FF},
  };
  for (const auto& c : cases) {
    Canvas canvas;
    GlyphPaint paint{c.shadow, c.outline, false, 0x0000FF, 0xFFFFFF, nullptr};
    compositeGlyph(canvas.target(), Coverage{&c.coverage, 1, 1, 1}, 5, 5, 0, paint);
    const std::string label =
        std::to_string(c.shadow) + std::to_string(c.outline) + " " + std::to_string(c.coverage);
    EXPECT_EQ(canvas.touched(), c.expected) << label;
    EXPECT_EQ(canvas.at(5, 5), c.body) << label;
    for (const auto& [x, y] : c.expected) {
      if (x != 5 || y != 5) {
        EXPECT_EQ(canvas.at(x, y), c.effect) << label << " at " << x << "," << y;
      }
    }
  }
}

TEST(CompositeGlyph, BodyRulesOverWhatIsThere) {
  // Body 0xFFFFFF (or black where the pixel starts white), worked by hand.
  const struct {
    std::uint32_t under;
    std::uint8_t coverage;
    std::uint32_t body;
    std::uint32_t expected;
  } cases[] = {
      {0x00000000, 100, 0xFFFFFF, 0x64FFFFFF},  // empty: the coverage is the alpha
      {0x00123456, 100, 0xFFFFFF, 0x64FFFFFF},  // alpha 0 counts as empty
      {0x80000000, 255, 0xFFFFFF, 0xFFFFFFFF},  // full coverage is opaque body
      {0xFF000000, 128, 0xFFFFFF, 0xFF7F7F7F},  // opaque: 255 × 128 / 256
      {0xFFFFFFFF, 128, 0x000000, 0xFF808080},  // 255 − 255 × 128 / 256 (towards zero)
      {0x64000000, 100, 0xFFFFFF, 0xA19E9E9E},  // union 161, weight 159
      {0x80FF0000, 128, 0x0000FF, 0xC05600A9},  // union 192, weight 170
  };
  for (const auto& c : cases) {
    Canvas canvas;
    canvas.at(3, 3) = c.under;
    compositeGlyph(canvas.target(), Coverage{&c.coverage, 1, 1, 1}, 3, 3, 0,
                   GlyphPaint{false, false, false, 0, c.body, nullptr});
    EXPECT_EQ(canvas.at(3, 3), c.expected) << std::hex << c.under << " " << int{c.coverage};
  }
}

TEST(CompositeGlyph, PartialCoverageMergesTheEffectLayer) {
  // Two pixels of coverage 128 side by side with the outline: the effect
  // merges both (union 192 where both blocks meet), then the body is drawn
  // over the effect (union of 192 and 128 = 224, weight 128 × 256 / 224).
  const std::uint8_t pair[] = {128, 128};
  Canvas canvas;
  compositeGlyph(canvas.target(), Coverage{pair, 2, 1, 2}, 4, 4, 0,
                 GlyphPaint{false, true, false, 0x000000, 0xFFFFFF, nullptr});
  EXPECT_EQ(canvas.at(3, 4), 0x80000000U);  // reached from the first pixel only
  EXPECT_EQ(canvas.at(4, 3), 0xC0000000U);  // from both
  EXPECT_EQ(canvas.at(4, 4), 0xE0919191U);  // 255 × 146 / 256 = 145
}

TEST(CompositeGlyph, GradientRowsCountFromTheLineTop) {
  const std::uint8_t column[] = {255, 255, 255, 255, 255, 255};
  const RowColours rows = gradientRows(0xFF0000, 0x0000FF, 4, false);
  const struct { int top, lineTop; } cases[] = {{2, 1}, {0, 2}, {4, 0}};
  for (const auto& c : cases) {
    Canvas canvas;
    compositeGlyph(canvas.target(), Coverage{column, 1, 6, 1}, 0, c.top, c.lineTop,
                   GlyphPaint{false, false, false, 0, 0x00FF00, &rows});
    for (int y = c.top; y < c.top + 6; ++y) {
      const auto index = static_cast<std::size_t>(std::max(0, y - c.lineTop));
      EXPECT_EQ(canvas.at(0, y), 0xFF000000 | rows[index]) << c.top << " " << y;
    }
  }
}

TEST(CompositeGlyph, SixteenBitModeStoresFourBitChannelsTimesSeventeen) {
  const struct {
    std::uint32_t under;
    std::uint8_t coverage;
    std::uint32_t body;
    std::uint32_t expected;
  } cases[] = {
      {0x00000000, 255, 0x123456, 0xFF113355},
      {0x00000000, 100, 0x123456, 0x66113355},  // alpha 100 → 6
      {0xFFFFFFFF, 128, 0x000000, 0xFF888888},  // 15 − 15 × 128 / 256 = 8
      {0x00000000, 15, 0xFFFFFF, 0x00FFFFFF},   // too faint for 4 bits
  };
  for (const auto& c : cases) {
    Canvas canvas;
    canvas.at(1, 1) = c.under;
    compositeGlyph(canvas.target(), Coverage{&c.coverage, 1, 1, 1}, 1, 1, 0,
                   GlyphPaint{false, false, true, 0,
                              channelsForMode(static_cast<std::int32_t>(c.body), true), nullptr});
    EXPECT_EQ(canvas.at(1, 1), c.expected) << std::hex << c.body << " " << int{c.coverage};
  }
}

TEST(CompositeGlyph, ClipsToTheBufferOnEverySide) {
  std::vector<std::uint8_t> solid(Canvas::kWidth * Canvas::kHeight * 4, 255);
  const struct { int left, top; } places[] = {{-3, -3}, {10, 10}, {-20, 4}, {4, 40}, {11, -1}};
  for (const auto& p : places) {
    Canvas canvas;
    compositeGlyph(canvas.target(), Coverage{solid.data(), 24, 24, 24}, p.left, p.top, 0,
                   GlyphPaint{true, true, false, 0x00FF00, 0xFFFFFF, nullptr});
    for (const auto& [x, y] : canvas.touched()) {
      EXPECT_LT(x, Canvas::kWidth) << p.left << "," << p.top;
    }
  }
}

}  // namespace
}  // namespace tsuzuri::text
