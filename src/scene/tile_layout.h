#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "render/gpu_device.h"

namespace tsuzuri::scene {

// The most textures one sprite may be split into.
inline constexpr int kMaxTiles = 56;

using TileQuad = std::array<render::Vertex, 4>;

// What the device allows of sprite textures.
struct TileRules {
  std::int32_t tileSize = 256;  // T: the tile edge of ordinary images
  std::int32_t maxWidth = 8192;
  std::int32_t maxHeight = 8192;
  bool pow2 = false;
  bool square = false;
};

// The tile rules of a device under the texture settings: power-of-two
// textures when the device needs them or TexturePow2 asks, square ones
// likewise, and the tile size TextureMax (-1: 256 with power-of-two
// textures, else the device's largest; 0: the device's largest).
TileRules tileRulesFor(const render::DeviceCaps& caps, std::int32_t textureMax,
                       std::int32_t texturePow2, std::int32_t textureSquare);

// How an image of width × height with a cell grid is split into textures,
// and the quad of every tile in sprite-local units (2 units span a full
// tile texture), around the anchor.
struct TileLayout {
  std::int32_t cellW = 0, cellH = 0;
  std::int32_t tilesX = 1, tilesY = 1, tileCount = 1;
  std::int32_t texW = 0, texH = 0;  // a full tile texture
  std::array<std::int32_t, kMaxTiles> tileTexW{}, tileTexH{};
  std::array<std::int32_t, kMaxTiles> tileImageW{}, tileImageH{};
  std::array<TileQuad, kMaxTiles> quads{};
};

// Columns and rows of a cell layout word (low 4 bits rows, the bits above
// columns; 0 counts as 1).
std::int32_t layoutColumns(std::int32_t cellLayout);
std::int32_t layoutRows(std::int32_t cellLayout);

// Plans the tiles. False with `error` set ("Sprite Size Over X,Y") when more
// than kMaxTiles would be needed.
bool planTiles(std::int32_t width, std::int32_t height, std::int32_t cellLayout,
               std::int32_t anchorX, std::int32_t anchorY, const TileRules& rules,
               TileLayout& layout, std::string& error);

// Lays the quads of an already planned grid out again around another
// anchor; texture coordinates start over at the first cell.
void placeQuads(TileLayout& layout, std::int32_t width, std::int32_t height,
                std::int32_t cellLayout, std::int32_t anchorX, std::int32_t anchorY);

// The column and row of cell `cell` (a packed column/row pair) in the
// layout's grid of cells.
std::array<std::int32_t, 2> cellPosition(std::int32_t cellLayout, std::int32_t cell);
// Points the first texture coordinates of every tile at cell `cell`.
void selectCell(TileLayout& layout, std::int32_t cellLayout, std::int32_t cell);

}  // namespace tsuzuri::scene
