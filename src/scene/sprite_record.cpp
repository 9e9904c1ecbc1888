#include "scene/sprite_record.h"

#include <cstddef>

namespace tsuzuri::scene {

void setVertexAlpha(SpriteRecord& record, std::int32_t alpha) {
  const std::uint32_t diffuse = (static_cast<std::uint32_t>(alpha & 0xFF) << 24) | 0xFFFFFFU;
  for (TileQuad& quad : record.tiles.quads) {
    for (render::Vertex& v : quad) v.diffuse = diffuse;
  }
}

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
  d.tiles = s.tiles;
  d.dirty = true;
}

}  // namespace tsuzuri::scene
