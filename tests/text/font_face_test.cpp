#include "text/font_face.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "font_reference.h"
#include "platform/fonts.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"

namespace tsuzuri::text {
namespace {

using testing::kIpaGothic;
using testing::kIpaMincho;
using testing::ReferenceFace;
using testing::ReferenceGlyph;

// A 64 × 64 buffer whose rows are 72 words apart; the margin must stay empty.
struct Buffer {
  static constexpr int kSize = 64;
  static constexpr int kPitch = 72;
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kPitch * kSize, 0);
  std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y * kPitch + x)]; }
  bool empty() const {
    return std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p == 0; });
  }
};

Buffer draw(FontFace& face, std::uint16_t code, int x = 0, int y = 0) {
  Buffer buffer;
  face.writeGlyph(buffer.pixels.data(), Buffer::kSize, Buffer::kSize, Buffer::kPitch, code, x, y);
  return buffer;
}

// The covered pixels of a reference glyph placed at (left, top).
std::set<std::pair<int, int>> bodyOf(const ReferenceGlyph& glyph, int left, int top) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < glyph.rows; ++y) {
    for (int x = 0; x < glyph.width; ++x) {
      if (glyph.at(x, y) != 0) out.insert({left + x, top + y});
    }
  }
  return out;
}

// Compares every pixel (margin included) with `expected(x, y)`.
void expectPixels(Buffer& buffer, const std::function<std::uint32_t(int, int)>& expected,
                  const std::string& label) {
  int wrong = 0;
  for (int y = 0; y < Buffer::kSize; ++y) {
    for (int x = 0; x < Buffer::kPitch; ++x) {
      const std::uint32_t want = x < Buffer::kSize ? expected(x, y) : 0;
      if (buffer.at(x, y) != want && ++wrong <= 3) {
        ADD_FAILURE() << label << " at " << x << "," << y << ": " << std::hex << buffer.at(x, y)
                      << " instead of " << want;
      }
    }
  }
  EXPECT_EQ(wrong, 0) << label;
}

// The reference glyph alone in `colour`, its coverage as the alpha.
void expectPlainGlyph(Buffer& buffer, const ReferenceGlyph& glyph, int left, int top,
                      std::uint32_t colour, const std::string& label) {
  ASSERT_GT(glyph.width * glyph.rows, 0) << label;
  expectPixels(
      buffer,
      [&](int x, int y) -> std::uint32_t {
        const int gx = x - left;
        const int gy = y - top;
        if (gx < 0 || gy < 0 || gx >= glyph.width || gy >= glyph.rows) return 0;
        const std::uint32_t c = glyph.at(gx, gy);
        return c == 0 ? 0 : c << 24 | colour;
      },
      label);
}

class FontFaceTest : public ::testing::Test {
 protected:
  tsuzuri::testing::RecordingSink errors;
  tsuzuri::testing::TempDir game;
  FontFace face{errors};
};

TEST_F(FontFaceTest, CellSizeAndBaselineFollowTheSize) {
  const ReferenceFace reference(kIpaGothic);
  const struct {
    std::int32_t size, style, cell;
  } cases[] = {{24, kStyleBold, 32}, {28, 0, 32}, {12, 0, 16}, {10, kStyleSmooth, 16}, {33, 0, 64}};
  for (const auto& c : cases) {
    face.setFont(kIpaGothic, c.size, c.style, game.path());
    EXPECT_EQ(face.cellSize(), c.cell) << c.size;
    long scaled = 0;
    long unitsPerEm = 0;
    reference.metrics(c.size, scaled, unitsPerEm);
    EXPECT_EQ(face.baseline(), (scaled + unitsPerEm / 2 + unitsPerEm / 2) / unitsPerEm) << c.size;
  }
  EXPECT_TRUE(errors.all.empty());
}

TEST_F(FontFaceTest, FontFilesBesideTheGameOrByPath) {
  const std::string mincho = testing::readWholeFile(kIpaMincho);
  game.write("Text Font.TTF", mincho);
  game.write("Fonts/Other.ttf", mincho);
  const std::string backslashed = [] {
    std::string path = kIpaMincho;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }();
  const ReferenceGlyph a = ReferenceFace(kIpaMincho).render(U'あ', 24, false, false);
  for (const std::string& name : {std::string("text font.ttf"), std::string("fonts\\OTHER.TTF"),
                                  std::string("Fonts/Other.ttf"), kIpaMincho, backslashed}) {
    FontFace mine(errors);
    mine.setFont(name, 24, 0, game.path());
    ASSERT_TRUE(mine.hasFace()) << name;
    Buffer buffer = draw(mine, 0x82A0);
    expectPlainGlyph(buffer, a, a.left, mine.baseline() - a.top, 0xFFFFFF, name);
  }
  EXPECT_TRUE(errors.all.empty());
}

TEST_F(FontFaceTest, InstalledFacesByWindowsName) {
  const std::string msGothic = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";
  const auto location = platform::findInstalledFont(msGothic, false);
  ASSERT_TRUE(location);
  face.setFont(msGothic, 20, kStyleSmooth, game.path());
  ASSERT_TRUE(face.hasFace());
  EXPECT_EQ(face.name(), msGothic);
  const ReferenceGlyph glyph =
      ReferenceFace(location->path, location->faceIndex).render(U'漢', 20, true, false);
  Buffer buffer = draw(face, 0x8ABF);
  expectPlainGlyph(buffer, glyph, glyph.left, face.baseline() - glyph.top, 0xFFFFFF, "kan");
  EXPECT_TRUE(errors.all.empty());
}

TEST_F(FontFaceTest, SmoothAndMonochromeGlyphsAreFreeTypesBitmaps) {
  const ReferenceFace reference(kIpaGothic);
  const struct {
    std::int32_t style, size;
    std::uint16_t code;
    char32_t unit;
    int x, y;
  } cases[] = {
      {0, 24, 0x41, U'A', 0, 0},
      {kStyleSmooth, 24, 0x82A0, U'あ', 3, 2},
      {kStyleBold, 24, 0x8376, U'プ', 0, 5},
      {kStyleSmooth | kStyleBold, 20, 0x67, U'g', 1, 1},
      {kStyleSmooth, 16, 0xB1, U'ｱ', 30, 30},  // half-width katakana, single byte
      {0, 40, 0x815B, U'ー', 30, 0},           // clipped on the right
  };
  face.setColours(0x336699, 0x336699, 0);
  for (const auto& c : cases) {
    face.setFont(kIpaGothic, c.size, c.style, game.path());
    const bool smooth = (c.style & kStyleSmooth) != 0;
    const int bold = (c.style & kStyleBold) != 0 ? 1 : 0;
    const ReferenceGlyph glyph = reference.render(c.unit, c.size, smooth, bold != 0);
    Buffer buffer = draw(face, c.code, c.x, c.y);
    const std::string label =
        "code " + std::to_string(c.code) + " style " + std::to_string(c.style);
    expectPlainGlyph(buffer, glyph, glyph.left + bold + c.x,
                     face.baseline() + c.y + bold - glyph.top, 0x336699, label);
    const bool partial = std::any_of(glyph.coverage.begin(), glyph.coverage.end(),
                                     [](std::uint8_t v) { return v != 0 && v != 255; });
    EXPECT_EQ(partial, smooth) << label;
  }
}

TEST_F(FontFaceTest, OutlineAndShadowBlocksSurroundTheBody) {
  const ReferenceFace reference(kIpaGothic);
  const struct {
    std::int32_t style;
    int from, to;
    bool centre;
  } cases[] = {{kStyleShadow, 0, 2, false},
               {kStyleOutline, -1, 1, true},
               {kStyleShadow | kStyleOutline, -1, 2, true},
               {kStyleShadow | kStyleOutline | kStyleBold, -1, 2, true}};
  face.setColours(0xFFFFFF, 0xFFFFFF, 0x102030);
  for (const auto& [code, unit] :
       {std::pair<std::uint16_t, char32_t>{0x838D, U'ロ'}, {0x7C, U'|'}}) {
    for (const auto& c : cases) {
      face.setFont(kIpaGothic, 24, c.style, game.path());
      const int bold = (c.style & kStyleBold) != 0 ? 1 : 0;
      const int outline = (c.style & kStyleOutline) != 0 ? 1 : 0;
      const ReferenceGlyph glyph = reference.render(unit, 24, false, bold != 0);
      const auto body = bodyOf(glyph, glyph.left + bold + outline + 2,
                               face.baseline() + 2 + bold - glyph.top + outline);
      std::set<std::pair<int, int>> effect;
      for (const auto& [x, y] : body) {
        for (int dy = c.from; dy <= c.to; ++dy) {
          for (int dx = c.from; dx <= c.to; ++dx) {
            if (c.centre || dx != 0 || dy != 0) effect.insert({x + dx, y + dy});
          }
        }
      }
      Buffer buffer = draw(face, code, 2, 2);
      expectPixels(
          buffer,
          [&](int x, int y) -> std::uint32_t {
            if (body.count({x, y}) != 0) return 0xFFFFFFFF;
            return effect.count({x, y}) != 0 ? 0xFF102030 : 0;
          },
          "code " + std::to_string(code) + " style " + std::to_string(c.style));
    }
  }
}

TEST_F(FontFaceTest, GradientColoursEachRowFromTheLineTop) {
  const ReferenceFace reference(kIpaGothic);
  const ReferenceGlyph bar = reference.render(U'|', 24, false, false);
  const struct {
    std::int32_t colour1, colour2;
    int y;
  } cases[] = {{0xFF0000, 0x0000FF, 3}, {0x20E040, 0xE02040, 0}, {0x00FF00, 0x00FF00, 1}};
  for (const auto& c : cases) {
    face.setColours(c.colour1, c.colour2, 0);
    face.setFont(kIpaGothic, 24, kStyleGradient, game.path());
    Buffer buffer = draw(face, 0x7C, 0, c.y);
    const int top = face.baseline() + c.y - bar.top;
    expectPixels(
        buffer,
        [&](int x, int y) -> std::uint32_t {
          const int gx = x - bar.left;
          const int gy = y - top;
          if (gx < 0 || gy < 0 || gx >= bar.width || gy >= bar.rows || bar.at(gx, gy) == 0)
            return 0;
          std::uint32_t colour = 0xFF000000;
          const int row = y - c.y;  // the bar reaches from the line's top to below 24
          for (int shift = 0; shift < 24; shift += 8) {
            const int from = (c.colour1 >> shift) & 0xFF;
            const int to = (c.colour2 >> shift) & 0xFF;
            const int value = row < 24 ? from - row * (from - to) / 24 : to;
            colour |= static_cast<std::uint32_t>(value) << shift;
          }
          return colour;
        },
        "gradient " + std::to_string(c.colour1));
  }
}

TEST_F(FontFaceTest, SixteenBitGlyphsHoldFourBitChannels) {
  face.setSixteenBit(true);
  face.setColours(0x123456, 0xFEDCBA, 0x7F8081);
  const struct {
    std::int32_t style;
    std::uint32_t opaqueBody;
  } cases[] = {{0, 0xFF113355},
               {kStyleSmooth | kStyleOutline | kStyleShadow, 0},
               {kStyleGradient | kStyleSmooth, 0}};
  for (const auto& c : cases) {
    face.setFont(kIpaGothic, 24, c.style, game.path());
    Buffer buffer = draw(face, 0x8AB4, 4, 4);
    ASSERT_FALSE(buffer.empty());
    for (const auto pixel : buffer.pixels) {
      for (int shift = 0; shift < 32; shift += 8) {
        ASSERT_EQ(((pixel >> shift) & 0xFF) % 17, 0U) << std::hex << pixel;
      }
      if (c.opaqueBody != 0) {
        EXPECT_TRUE(pixel == 0 || pixel == c.opaqueBody) << std::hex << pixel;
      }
    }
  }
}

TEST_F(FontFaceTest, BrokenCodesDrawTheMissingGlyphOrNothing) {
  face.setFont(kIpaGothic, 24, 0, game.path());
  const ReferenceGlyph missing = ReferenceFace(kIpaGothic).render(0, 24, false, false);
  for (const int code : {0x8120, 0x82, 0xF040, 0xFFFF, 0x80}) {
    Buffer buffer = draw(face, static_cast<std::uint16_t>(code));
    if (!buffer.empty()) {
      expectPlainGlyph(buffer, missing, missing.left, face.baseline() - missing.top, 0xFFFFFF,
                       "code " + std::to_string(code));
    }
  }
  EXPECT_TRUE(errors.all.empty());
}

TEST_F(FontFaceTest, FailuresReportAndLeaveEmptyGlyphs) {
  const std::string broken = game.write("broken.ttf", std::string(4096, 'x'));
  face.setFont("broken.ttf", 24, 0, game.path());
  EXPECT_FALSE(face.hasFace());
  EXPECT_EQ(errors.plain, std::vector<std::string>{"FT_Err_Unknown_File_Format " + broken});
  EXPECT_TRUE(draw(face, 0x82A0).empty());

  // The same name again does not reopen (nor report) the face.
  face.setFont("broken.ttf", 28, kStyleSmooth, game.path());
  EXPECT_EQ(errors.plain.size(), 1U);
  EXPECT_EQ(face.cellSize(), 32);

  // Absurd sizes draw nothing rather than exhausting memory.
  for (const std::int32_t size : {-1, 100000}) {
    face.setFont(kIpaGothic, size, kStyleSmooth | kStyleOutline, game.path());
    EXPECT_TRUE(draw(face, 0x82A0).empty()) << size;
  }
}

TEST_F(FontFaceTest, PlacementAboveOrLeftOfTheBufferReportsAndClips) {
  face.setFont(kIpaGothic, 24, 0, game.path());
  const struct {
    int x, y;
    std::string report;
  } cases[] = {{-30, 0, "-30,0"}, {0, -40, "0,-40"}, {10, 10, ""}};
  for (const auto& c : cases) {
    errors.plain.clear();
    draw(face, 0x82A0, c.x, c.y);
    EXPECT_EQ(errors.plain,
              c.report.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.report});
  }
}

TEST_F(FontFaceTest, GenerationChangesWithThePixelsOnly) {
  FontFace other(errors);
  EXPECT_NE(face.generation(), other.generation());
  face.setFont(kIpaGothic, 24, 0, game.path());
  const struct {
    const char* what;
    std::function<void()> change;
    bool changes;
  } steps[] = {
      {"same font", [&] { face.setFont(kIpaGothic, 24, 0, game.path()); }, false},
      {"size", [&] { face.setFont(kIpaGothic, 26, 0, game.path()); }, true},
      {"style", [&] { face.setFont(kIpaGothic, 26, kStyleBold, game.path()); }, true},
      {"face", [&] { face.setFont(kIpaMincho, 26, kStyleBold, game.path()); }, true},
      {"colours", [&] { face.setColours(1, 2, 3); }, true},
      {"same colours", [&] { face.setColours(1, 2, 3); }, false},
      {"colour mode", [&] { face.setSixteenBit(true); }, true},
      {"same mode", [&] { face.setSixteenBit(true); }, false},
  };
  for (const auto& step : steps) {
    const std::uint64_t before = face.generation();
    step.change();
    EXPECT_EQ(face.generation() != before, step.changes) << step.what;
  }
}

}  // namespace
}  // namespace tsuzuri::text
