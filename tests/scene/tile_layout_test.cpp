#include "scene/tile_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace tsuzuri::scene {
namespace {

TileRules rulesOf(std::int32_t tile, bool pow2, bool square = false) {
  TileRules rules;
  rules.tileSize = tile;
  rules.pow2 = pow2;
  rules.square = square;
  return rules;
}
const TileRules kPow2 = rulesOf(256, true);
const TileRules kFree = rulesOf(8192, false);

TileLayout plan(std::int32_t width, std::int32_t height, std::int32_t cellLayout,
                const TileRules& rules, std::int32_t anchorX = 1, std::int32_t anchorY = 1) {
  TileLayout layout;
  std::string error;
  EXPECT_TRUE(planTiles(width, height, cellLayout, anchorX, anchorY, rules, layout, error))
      << error;
  return layout;
}

float ratio(std::int32_t a, std::int32_t b) {
  return static_cast<float>(a) / static_cast<float>(b);
}

TEST(TileRules, FollowTheDeviceAndTheTextureSettings) {
  const struct {
    bool pow2Required, squareRequired;
    std::int32_t textureMax, texturePow2, textureSquare;
    std::int32_t tile;
    bool pow2, square;
  } cases[] = {
      {false, false, -1, 0, 0, 4096, false, false}, {true, false, -1, 0, 0, 256, true, false},
      {false, false, -1, 1, 0, 256, true, false},   {false, false, 512, 0, 0, 512, false, false},
      {false, false, 0, 1, 0, 4096, true, false},   {false, false, 9000, 0, 0, 4096, false, false},
      {false, true, -1, 0, 0, 4096, false, true},   {false, false, -1, 0, 1, 4096, false, true},
  };
  for (const auto& c : cases) {
    render::DeviceCaps caps;
    caps.maxTextureSize = 4096;
    caps.pow2Required = c.pow2Required;
    caps.squareRequired = c.squareRequired;
    const TileRules rules = tileRulesFor(caps, c.textureMax, c.texturePow2, c.textureSquare);
    EXPECT_EQ(rules.tileSize, c.tile) << c.textureMax;
    EXPECT_EQ(rules.pow2, c.pow2) << c.textureMax;
    EXPECT_EQ(rules.square, c.square) << c.textureMax;
    EXPECT_EQ(rules.maxWidth, 4096);
  }
}

TEST(TilePlan, GridAndTextureSizeFollowTheDeviceRules) {
  const struct {
    const char* name;
    std::int32_t width, height, cellLayout;
    TileRules rules;
    std::int32_t tilesX, tilesY, texW, texH;
  } cases[] = {
      {"exactly one tile", 256, 256, 0, kPow2, 1, 1, 256, 256},
      {"one column too wide", 257, 256, 0, kPow2, 2, 1, 256, 256},
      {"one row too tall", 100, 600, 0, kPow2, 1, 3, 256, 256},
      {"any size fits one texture", 257, 256, 0, kFree, 1, 1, 258, 256},
      {"power-of-two rounding", 100, 30, 0, kPow2, 1, 1, 128, 32},
      {"even rounding", 101, 31, 0, kFree, 1, 1, 102, 32},
      {"square, even", 101, 31, 0, rulesOf(8192, false, true), 1, 1, 102, 102},
      {"square, power of two", 100, 30, 0, rulesOf(256, true, true), 1, 1, 128, 128},
      // Cells wider than a tile are never split: the widest texture holds them.
      {"cells keep one texture", 600, 100, 0x21, kPow2, 1, 1, 1024, 128},
      {"the most tiles there may be", 2048, 1792, 0, kPow2, 8, 7, 256, 256},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TileLayout t = plan(c.width, c.height, c.cellLayout, c.rules);
    EXPECT_EQ(t.tilesX, c.tilesX);
    EXPECT_EQ(t.tilesY, c.tilesY);
    EXPECT_EQ(t.tileCount, c.tilesX * c.tilesY);
    EXPECT_EQ(t.texW, c.texW);
    EXPECT_EQ(t.texH, c.texH);
  }
  for (const auto& [width, height, error] : {std::tuple{2048, 2048, "Sprite Size Over 8,8"},
                                             {256 * 57, 16, "Sprite Size Over 57,1"},
                                             {16, 256 * 57, "Sprite Size Over 1,57"}}) {
    TileLayout layout;
    std::string message;
    EXPECT_FALSE(planTiles(width, height, 0, 1, 1, kPow2, layout, message));
    EXPECT_EQ(message, error);
  }
}

TEST(TilePlan, LastRowAndColumnHoldTheRemainderInPowerOfTwoTextures) {
  const TileLayout t = plan(600, 300, 0, kPow2);
  ASSERT_EQ(t.tileCount, 6);
  const std::int32_t expected[4][6] = {{256, 256, 88, 256, 256, 88},    // image width held
                                       {256, 256, 256, 44, 44, 44},     // image height held
                                       {256, 256, 128, 256, 256, 128},  // texture width
                                       {256, 256, 256, 64, 64, 64}};    // texture height
  for (std::size_t j = 0; j < 6; ++j) {
    EXPECT_EQ(t.tileImageW[j], expected[0][j]) << j;
    EXPECT_EQ(t.tileImageH[j], expected[1][j]) << j;
    EXPECT_EQ(t.tileTexW[j], expected[2][j]) << j;
    EXPECT_EQ(t.tileTexH[j], expected[3][j]) << j;
  }
  EXPECT_EQ(plan(512, 100, 0, kPow2).tileImageW[1], 256) << "an exact multiple has no remainder";
  const TileLayout square = plan(600, 300, 0, rulesOf(256, true, true));
  EXPECT_EQ(square.tileTexW[5], 128);
  EXPECT_EQ(square.tileTexH[2], 256);
}

// Quads are in units of half a texture: one unit is texW / 2 pixels across.
float pixelsX(const TileLayout& t, float units) {
  return units * static_cast<float>(t.texW) / 2;
}
float pixelsY(const TileLayout& t, float units) {
  return units * static_cast<float>(t.texH) / 2;
}

void expectRectangle(const TileQuad& q) {
  EXPECT_EQ(q[0].x, q[1].x);
  EXPECT_EQ(q[2].x, q[3].x);
  EXPECT_EQ(q[0].y, q[2].y);
  EXPECT_EQ(q[1].y, q[3].y);
  EXPECT_EQ(q[0].u0, 0);
  EXPECT_EQ(q[0].v0, 0);
}

TEST(TileQuads, OneTileLiesAroundTheAnchorAndShowsOneCell) {
  const std::int32_t sizes[][3] = {{100, 30, 0}, {200, 30, 0x21}, {100, 60, 0x12}, {200, 60, 0x22}};
  const std::int32_t anchors[][2] = {{0, 0}, {1, 1}, {2, 2}, {0, 2}, {2, 1}};
  for (const auto& [width, height, cellLayout] : sizes) {
    for (const auto& [ax, ay] : anchors) {
      SCOPED_TRACE(::testing::Message() << width << "x" << height << " cells " << cellLayout
                                        << " anchor " << ax << "," << ay);
      const TileLayout t = plan(width, height, cellLayout, kPow2, ax, ay);
      const TileQuad& q = t.quads[0];
      expectRectangle(q);
      const bool columns = (cellLayout >> 4) > 1;
      const bool rows = (cellLayout & 0xF) > 1;
      // The anchor lies ax half cells right of the left edge, ay half cells below the top.
      EXPECT_FLOAT_EQ(pixelsX(t, q[0].x), -ratio(ax * t.cellW, 2));
      EXPECT_FLOAT_EQ(pixelsY(t, q[0].y), ratio(ay * t.cellH, 2));
      // Without cells the quad spans the whole texture, with cells one cell.
      EXPECT_FLOAT_EQ(pixelsX(t, q[2].x - q[0].x), static_cast<float>(columns ? t.cellW : t.texW));
      EXPECT_FLOAT_EQ(pixelsY(t, q[0].y - q[1].y), static_cast<float>(rows ? t.cellH : t.texH));
      EXPECT_FLOAT_EQ(q[3].u0, columns ? ratio(t.cellW, t.texW) : 1.0F);
      EXPECT_FLOAT_EQ(q[3].v0, rows ? ratio(t.cellH, t.texH) : 1.0F);
    }
  }
}

TEST(TileQuads, TilesAbutAndTogetherSpanTheImageAroundTheAnchor) {
  const std::int32_t sizes[][3] = {{600, 300, 0}, {512, 512, 0}, {257, 256, 0}, {600, 600, 0x21}};
  for (const auto& [width, height, cellLayout] : sizes) {
    for (std::int32_t anchor = 0; anchor <= 2; ++anchor) {
      SCOPED_TRACE(::testing::Message() << width << "x" << height << " anchor " << anchor);
      const TileLayout t = plan(width, height, cellLayout, kPow2, anchor, anchor);
      ASSERT_GT(t.tileCount, 1);
      const auto at = [&t](std::int32_t j) -> const TileQuad& {
        return t.quads[static_cast<std::size_t>(j)];
      };
      for (std::int32_t j = 0; j < t.tileCount; ++j) {
        expectRectangle(at(j));
        if (j % t.tilesX != t.tilesX - 1) {
          EXPECT_FLOAT_EQ(at(j)[2].x, at(j + 1)[0].x);
        }
        if (j / t.tilesX != t.tilesY - 1) {
          EXPECT_FLOAT_EQ(at(j)[1].y, at(j + t.tilesX)[0].y);
        }
        // Each quad covers its own texture (or one cell of it) pixel for pixel.
        const auto i = static_cast<std::size_t>(j);
        EXPECT_FLOAT_EQ(pixelsX(t, at(j)[2].x - at(j)[0].x),
                        static_cast<float>(cellLayout != 0 ? t.cellW : t.tileTexW[i]));
        EXPECT_FLOAT_EQ(pixelsY(t, at(j)[0].y - at(j)[1].y), static_cast<float>(t.tileTexH[i]));
      }
      const float left = pixelsX(t, at(0)[0].x);
      const float top = pixelsY(t, at(0)[0].y);
      EXPECT_FLOAT_EQ(left, -ratio(anchor * t.cellW, 2));
      EXPECT_FLOAT_EQ(top, ratio(anchor * t.cellH, 2));
      // The image ends where the pixels the last tile holds end.
      const std::int32_t lastColumn = t.tilesX - 1;
      const std::int32_t lastRow = t.tileCount - t.tilesX;
      EXPECT_FLOAT_EQ(pixelsX(t, at(lastColumn)[0].x) +
                          static_cast<float>(t.tileImageW[static_cast<std::size_t>(lastColumn)]),
                      left + static_cast<float>(width));
      EXPECT_FLOAT_EQ(pixelsY(t, at(lastRow)[0].y) -
                          static_cast<float>(t.tileImageH[static_cast<std::size_t>(lastRow)]),
                      top - static_cast<float>(height));
    }
  }
}

TEST(TileCells, SelectingACellMovesTheTextureWindow) {
  const struct {
    std::int32_t width, height, cellLayout, cell;
    std::int32_t column, row;  // the cell shown
  } cases[] = {
      {200, 30, 0x21, 0x00, 0, 0}, {200, 30, 0x21, 0x10, 1, 0},
      {100, 60, 0x12, 0x10, 0, 1},  // exactly one column: the high nibble picks the row
      {100, 60, 0x12, 0x01, 0, 0}, {100, 60, 0x02, 0x01, 0, 1},  // no column count: the low one
      {200, 60, 0x22, 0x11, 1, 1}, {200, 60, 0x22, 0x01, 0, 1},
      {200, 60, 0x22, 0x10, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "layout " << c.cellLayout << " cell " << c.cell);
    TileLayout t = plan(c.width, c.height, c.cellLayout, kPow2);
    selectCell(t, c.cellLayout, c.cell);
    const TileQuad& q = t.quads[0];
    // Without two columns (rows) the coordinates keep spanning the texture.
    const bool columns = layoutColumns(c.cellLayout) > 1;
    const bool rows = layoutRows(c.cellLayout) > 1;
    const float left = columns ? ratio(c.column * t.cellW, t.texW) : 0;
    const float right = columns ? ratio((c.column + 1) * t.cellW, t.texW) : 1;
    const float top = rows ? ratio(c.row * t.cellH, t.texH) : 0;
    const float bottom = rows ? ratio((c.row + 1) * t.cellH, t.texH) : 1;
    const float expected[4][2] = {{left, top}, {left, bottom}, {right, top}, {right, bottom}};
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_FLOAT_EQ(q[i].u0, expected[i][0]) << i;
      EXPECT_FLOAT_EQ(q[i].v0, expected[i][1]) << i;
    }
  }
}

}  // namespace
}  // namespace tsuzuri::scene
