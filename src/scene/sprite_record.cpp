#include "scene/sprite_record.h"

#include <algorithm>
#include <cstddef>

namespace tsuzuri::scene {

void setVertexAlpha(SpriteRecord& record, std::int32_t alpha) {
  const std::uint32_t diffuse = (static_cast<std::uint32_t>(alpha & 0xFF) << 24) | 0xFFFFFFU;
  const auto count = static_cast<std::size_t>(std::clamp(record.tiles.tileCount, 0, kMaxTiles));
  for (std::size_t j = 0; j < count; ++j) {
    for (render::Vertex& v : record.tiles.quads[j]) v.diffuse = diffuse;
  }
}

namespace {

// Copies a tile layout, its per-tile arrays only as far as they are used:
// most sprites have one tile of the 56 the layout has room for.
void copyTiles(TileLayout& d, const TileLayout& s) {
  d.cellW = s.cellW;
  d.cellH = s.cellH;
  d.tilesX = s.tilesX;
  d.tilesY = s.tilesY;
  d.tileCount = s.tileCount;
  d.texW = s.texW;
  d.texH = s.texH;
  const auto count = static_cast<std::ptrdiff_t>(std::clamp(s.tileCount, 0, kMaxTiles));
  std::copy_n(s.tileTexW.begin(), count, d.tileTexW.begin());
  std::copy_n(s.tileTexH.begin(), count, d.tileTexH.begin());
  std::copy_n(s.tileImageW.begin(), count, d.tileImageW.begin());
  std::copy_n(s.tileImageH.begin(), count, d.tileImageH.begin());
  std::copy_n(s.quads.begin(), count, d.quads.begin());
}

}  // namespace

void copyProperties(SpriteRecord& destination, const SpriteRecord& source) {
  SpriteRecord& d = destination;
  const SpriteRecord& s = source;
  d.flags = s.flags;
  d.layer = s.layer;
  d.alpha = s.alpha;
  d.blend = s.blend;
  d.cell = s.cell;
  d.colourMode = s.colourMode;
  d.colour = s.colour;
  d.anchorX = s.anchorX;
  d.anchorY = s.anchorY;
  d.x = s.x;
  d.y = s.y;
  d.scaleX = s.scaleX;
  d.scaleY = s.scaleY;
  d.rotX = s.rotX;
  d.rotY = s.rotY;
  d.rotZ = s.rotZ;
  d.maskMode = s.maskMode;
  d.maskValue1 = s.maskValue1;
  d.maskValue2 = s.maskValue2;
  d.imageOffsetX = s.imageOffsetX;
  d.imageOffsetY = s.imageOffsetY;
  d.imageW = s.imageW;
  d.imageH = s.imageH;
  d.cellLayout = s.cellLayout;
  d.resolutionClass = s.resolutionClass;
  d.halfLevels = s.halfLevels;
  copyTiles(d.tiles, s.tiles);
  d.dirty = true;
}

}  // namespace tsuzuri::scene
