#include "text/sprite_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/sjis.h"

namespace tsuzuri::text {
namespace {

std::string sjis(std::u8string_view text) {
  return util::toSjis(text);
}

TEST(RubyPlacement, CentresSpreadsOrOverhangs) {
  // pitch 24: a base character is 2 columns, 24 pixels; a ruby one 12.
  const struct {
    std::int32_t startColumn, endColumn, rubyBytes, rubyChars;
    RubyPlacement expected;
  } cases[] = {
      // Two ruby characters over two base ones: one over each, centred.
      {0, 4, 4, 2, {6, 12}},
      // Five over one: 60 pixels over 24, overhanging 18 on each side.
      {2, 4, 10, 5, {24 - 18, 0}},
      // One over two: 12 pixels in 48, spread into two gaps of 18.
      {0, 4, 2, 1, {18, 18}},
      // Three over four: 36 in 96, four gaps of 15.
      {4, 12, 6, 3, {48 + 15, 15}},
  };
  for (const auto& c : cases) {
    const RubyPlacement p = placeRuby(24, c.startColumn, c.endColumn, c.rubyBytes, c.rubyChars);
    EXPECT_EQ(p.startX, c.expected.startX) << c.startColumn << "-" << c.endColumn;
    EXPECT_EQ(p.gap, c.expected.gap) << c.startColumn << "-" << c.endColumn;
  }
  EXPECT_EQ(rubyAdvance(24, 12, true), 24);
  EXPECT_EQ(rubyAdvance(24, 0, false), 6);
}

TEST(SpriteTextLayout, BytesColumnsLinesAndBlanks) {
  // "あa b" then a new line with "い": pitch 24 + 2.
  const std::string text = sjis(u8"あa b\x0Cい");
  const std::vector<PlacedGlyph> glyphs = layoutText(text, 24, 2, 4);
  ASSERT_EQ(glyphs.size(), 4U);
  EXPECT_EQ(glyphs[0].code, 0x82A0);
  EXPECT_EQ(glyphs[0].x, 0);
  EXPECT_EQ(glyphs[0].y, 4) << "the first line starts at the line spacing";
  EXPECT_EQ(glyphs[1].x, 26 * 2 / 2);
  EXPECT_EQ(glyphs[2].x, 26 * 4 / 2) << "a space takes a column";
  EXPECT_EQ(glyphs[3].x, 0);
  EXPECT_EQ(glyphs[3].y, 4 + 24 + 4);
}

TEST(SpriteTextLayout, RubyGoesHalfALineAboveItsBase) {
  const std::string text = sjis(u8"{漢字/かんじ}です");
  const std::vector<PlacedGlyph> glyphs = layoutText(text, 24, 0, 12);
  std::vector<PlacedGlyph> base, ruby;
  for (const PlacedGlyph& g : glyphs) (g.ruby ? ruby : base).push_back(g);
  ASSERT_EQ(base.size(), 4U);
  ASSERT_EQ(ruby.size(), 3U);
  // 36 pixels of ruby over 48 of base: four gaps of 3.
  EXPECT_EQ(ruby[0].x, 3);
  EXPECT_EQ(ruby[1].x, 3 + 12 + 3);
  EXPECT_EQ(ruby[0].y, 0);
  EXPECT_EQ(base[2].x, 48) << "the text goes on after the base";
  EXPECT_EQ(base[2].y, 12);
}

TEST(SpriteTextLayout, ABraceInsideADoubleByteCharacterIsNotABrace) {
  // マ is 0x83 0x7D: its second byte has the value of "}".
  const std::vector<PlacedGlyph> glyphs = layoutText(sjis(u8"{真面目/マジメ}だ"), 24, 0, 12);
  std::size_t ruby = 0;
  for (const PlacedGlyph& g : glyphs) ruby += g.ruby ? 1 : 0;
  EXPECT_EQ(ruby, 3U);
  ASSERT_EQ(glyphs.size(), 7U);
  EXPECT_EQ(glyphs.back().code, 0x82BE) << "だ follows the base";
  EXPECT_EQ(findCharacter(sjis(u8"マ}"), 0, '}'), 2U);
}

TEST(SpriteTextLayout, BrokenTextStopsCleanly) {
  // A lone lead byte at the end, and an unclosed group.
  EXPECT_EQ(layoutText("ab\x82", 24, 0, 0).size(), 2U);
  EXPECT_EQ(layoutLine("ab\x82", 24).size(), 2U);
  const std::vector<PlacedGlyph> open = layoutText(sjis(u8"{字/じ"), 24, 0, 12);
  ASSERT_EQ(open.size(), 2U);
  EXPECT_TRUE(open[1].ruby);
  // The simple layout advances half the size a byte and skips spaces.
  const std::vector<PlacedGlyph> line = layoutLine(sjis(u8"a　b"), 20);
  ASSERT_EQ(line.size(), 2U);
  EXPECT_EQ(line[1].x, 3 * 20 / 2);
}

}  // namespace
}  // namespace tsuzuri::text
