#include "scene/tile_layout.h"

#include <algorithm>
#include <cstddef>

namespace tsuzuri::scene {
namespace {

std::int32_t roundUpPow2(std::int32_t side) {
  std::int32_t p = 1;
  while (p < side && p < (1 << 30)) p <<= 1;
  return p;
}

std::int32_t roundUpEven(std::int32_t side) {
  return side + (side & 1);
}

// The template corners in strip order: top-left, bottom-left, top-right,
// bottom-right, both coordinate pairs spanning the texture.
TileQuad templateQuad() {
  TileQuad q{};
  constexpr float kX[4] = {-1, -1, 1, 1};
  constexpr float kY[4] = {1, -1, 1, -1};
  constexpr float kU[4] = {0, 0, 1, 1};
  constexpr float kV[4] = {0, 1, 0, 1};
  for (std::size_t i = 0; i < 4; ++i) {
    q[i].x = kX[i];
    q[i].y = kY[i];
    q[i].z = 0;
    q[i].diffuse = 0xFFFFFFFF;
    q[i].u0 = q[i].u1 = kU[i];
    q[i].v0 = q[i].v1 = kV[i];
  }
  return q;
}

}  // namespace

std::int32_t layoutColumns(std::int32_t cellLayout) {
  const std::int32_t columns =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(cellLayout) >> 4);
  return columns == 0 ? 1 : columns;
}

std::int32_t layoutRows(std::int32_t cellLayout) {
  const std::int32_t rows = cellLayout & 0xF;
  return rows == 0 ? 1 : rows;
}

TileRules tileRulesFor(const render::DeviceCaps& caps, std::int32_t textureMax,
                       std::int32_t texturePow2, std::int32_t textureSquare) {
  TileRules rules;
  rules.maxWidth = rules.maxHeight = caps.maxTextureSize > 0 ? caps.maxTextureSize : 2048;
  rules.pow2 = caps.pow2Required || texturePow2 != 0;
  rules.square = caps.squareRequired || textureSquare != 0;
  std::int32_t tile = textureMax;
  if (tile == -1) tile = rules.pow2 ? 256 : 0;
  if (tile <= 0 || tile > rules.maxWidth) tile = rules.maxWidth;
  rules.tileSize = tile;
  return rules;
}

void placeQuads(TileLayout& layout, std::int32_t width, std::int32_t height,
                std::int32_t cellLayout, std::int32_t anchorX, std::int32_t anchorY) {
  const std::int32_t columns = layoutColumns(cellLayout);
  const std::int32_t rows = layoutRows(cellLayout);
  const float ax = static_cast<float>(anchorX);
  const float ay = static_cast<float>(anchorY);
  if (layout.tileCount == 1) {
    TileQuad q = templateQuad();
    const float u = static_cast<float>(layout.cellW) / static_cast<float>(layout.texW);
    const float v = static_cast<float>(layout.cellH) / static_cast<float>(layout.texH);
    const float left = -ax * u;
    const float top = ay * v;
    q[0].x = q[1].x = left;
    q[0].y = q[2].y = top;
    float right = left + 2;
    if (columns > 1) {
      right = left + 2 * u;
      q[2].u0 = q[3].u0 = u;
    }
    float bottom = top - 2;
    if (rows > 1) {
      bottom = top - 2 * v;
      q[1].v0 = q[3].v0 = v;
    }
    q[2].x = q[3].x = right;
    q[1].y = q[3].y = bottom;
    layout.quads[0] = q;
    return;
  }

  const std::int32_t ex = layout.texW;
  const std::int32_t ey = layout.texH;
  const std::int32_t cX = layout.cellW % ex;
  const std::int32_t cY = layout.cellH % ey;
  const float fx = 2.0F * static_cast<float>(cX) / static_cast<float>(ex);
  const float fy = 2.0F * static_cast<float>(cY) / static_cast<float>(ey);
  const float offX = fx != 0 ? ax * (static_cast<float>(layout.tilesX) - (1 - fx / 2))
                             : ax * static_cast<float>(layout.tilesX);
  const float offY = fy != 0 ? ay * (static_cast<float>(layout.tilesY) - (1 - fy / 2))
                             : ay * static_cast<float>(layout.tilesY);
  static_cast<void>(width);
  static_cast<void>(height);
  for (std::int32_t r = 0; r < layout.tilesY; ++r) {
    for (std::int32_t c = 0; c < layout.tilesX; ++c) {
      const auto j = static_cast<std::size_t>(c + r * layout.tilesX);
      const bool lastColumn = c == layout.tilesX - 1;
      const bool lastRow = r == layout.tilesY - 1;
      TileQuad q = templateQuad();
      const float left = 2.0F * static_cast<float>(c) - offX;
      const float top = offY - 2.0F * static_cast<float>(r);
      const float texW = static_cast<float>(layout.tileTexW[j]);
      const float texH = static_cast<float>(layout.tileTexH[j]);
      const float w = lastColumn && fx != 0 ? 2.0F * texW / static_cast<float>(ex) : 2.0F;
      const float h = lastRow && fy != 0 ? 2.0F * texH / static_cast<float>(ey) : 2.0F;
      float right = left + w;
      if (columns > 1) {
        right = left + w * static_cast<float>(layout.cellW) / texW;
        q[2].u0 = q[3].u0 = static_cast<float>(layout.cellW) / texW;
      }
      float bottom = top - h;
      if (rows > 1) {
        bottom = top - h * static_cast<float>(layout.cellH) / texH;
        q[1].v0 = q[3].v0 = static_cast<float>(layout.cellH) / texH;
      }
      q[0].x = q[1].x = left;
      q[2].x = q[3].x = right;
      q[0].y = q[2].y = top;
      q[1].y = q[3].y = bottom;
      layout.quads[j] = q;
    }
  }
}

bool planTiles(std::int32_t width, std::int32_t height, std::int32_t cellLayout,
               std::int32_t anchorX, std::int32_t anchorY, const TileRules& rules,
               TileLayout& layout, std::string& error) {
  layout = TileLayout{};
  const std::int32_t columns = layoutColumns(cellLayout);
  const std::int32_t rows = layoutRows(cellLayout);
  layout.cellW = width / columns;
  layout.cellH = height / rows;
  const std::int32_t t = rules.tileSize;
  const std::int32_t ex = columns > 1 && width > t ? rules.maxWidth : t;
  const std::int32_t ey = rows > 1 && height > t ? rules.maxHeight : t;
  std::int32_t pw = roundUpPow2(width);
  std::int32_t ph = roundUpPow2(height);
  if (rules.square) pw = ph = std::max(pw, ph);
  layout.tilesX = ex < pw ? (width + ex - 1) / ex : 1;
  layout.tilesY = ey < ph ? (height + ey - 1) / ey : 1;
  layout.tileCount = layout.tilesX * layout.tilesY;
  if (layout.tileCount > kMaxTiles) {
    error =
        "Sprite Size Over " + std::to_string(layout.tilesX) + "," + std::to_string(layout.tilesY);
    return false;
  }

  if (layout.tileCount == 1) {
    if (rules.pow2) {
      layout.texW = pw;
      layout.texH = ph;
    } else {
      layout.texW = roundUpEven(width);
      layout.texH = roundUpEven(height);
      if (rules.square) layout.texW = layout.texH = std::max(layout.texW, layout.texH);
    }
    layout.tileTexW[0] = layout.texW;
    layout.tileTexH[0] = layout.texH;
    layout.tileImageW[0] = width;
    layout.tileImageH[0] = height;
  } else {
    layout.texW = ex;
    layout.texH = ey;
    const std::int32_t remX = width % ex == 0 ? ex : width % ex;
    const std::int32_t remY = height % ey == 0 ? ey : height % ey;
    for (std::int32_t r = 0; r < layout.tilesY; ++r) {
      for (std::int32_t c = 0; c < layout.tilesX; ++c) {
        const auto j = static_cast<std::size_t>(c + r * layout.tilesX);
        const bool lastColumn = c == layout.tilesX - 1;
        const bool lastRow = r == layout.tilesY - 1;
        layout.tileImageW[j] = lastColumn ? remX : ex;
        layout.tileImageH[j] = lastRow ? remY : ey;
        std::int32_t tw = lastColumn ? roundUpPow2(layout.tileImageW[j]) : ex;
        std::int32_t th = lastRow ? roundUpPow2(layout.tileImageH[j]) : ey;
        if (rules.square) tw = th = std::max(tw, th);
        layout.tileTexW[j] = tw;
        layout.tileTexH[j] = th;
      }
    }
  }
  placeQuads(layout, width, height, cellLayout, anchorX, anchorY);
  return true;
}

std::array<std::int32_t, 2> cellPosition(std::int32_t cellLayout, std::int32_t cell) {
  const std::int32_t rawColumns =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(cellLayout) >> 4);
  const std::int32_t col = static_cast<std::int32_t>(static_cast<std::uint32_t>(cell) >> 4);
  const std::int32_t row = rawColumns == 1 ? col : (cell & 0xF);
  return {layoutColumns(cellLayout) >= 2 ? col : 0, layoutRows(cellLayout) >= 2 ? row : 0};
}

void selectCell(TileLayout& layout, std::int32_t cellLayout, std::int32_t cell) {
  const std::array<std::int32_t, 2> at = cellPosition(cellLayout, cell);
  const bool columns = layoutColumns(cellLayout) >= 2;
  const bool rows = layoutRows(cellLayout) >= 2;
  for (std::int32_t j = 0; j < layout.tileCount; ++j) {
    TileQuad& q = layout.quads[static_cast<std::size_t>(j)];
    const auto texW = static_cast<float>(layout.tileTexW[static_cast<std::size_t>(j)]);
    const auto texH = static_cast<float>(layout.tileTexH[static_cast<std::size_t>(j)]);
    if (columns) {
      q[0].u0 = q[1].u0 = static_cast<float>(at[0] * layout.cellW) / texW;
      q[2].u0 = q[3].u0 = static_cast<float>((at[0] + 1) * layout.cellW) / texW;
    }
    if (rows) {
      q[0].v0 = q[2].v0 = static_cast<float>(at[1] * layout.cellH) / texH;
      q[1].v0 = q[3].v0 = static_cast<float>((at[1] + 1) * layout.cellH) / texH;
    }
  }
}

}  // namespace tsuzuri::scene
