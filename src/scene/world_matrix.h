#pragma once

#include <array>
#include <cstdint>

#include "render/geometry.h"
#include "scene/sprite_flags.h"

namespace tsuzuri::scene {

// Everything the placement of one sprite on its drawing target depends on.
// Positions are in game-screen pixels (or the layer's pixels); the caller
// gathers them from the sprite, its layer and the screen state.
struct OffsetInput {
  // The sprite's own properties.
  float x = 0;
  float y = 0;
  float scaleX = 1;
  float scaleY = 1;
  std::int32_t resolutionClass = 0;  // 0, 1 or 2
  std::uint32_t flags = 0;

  // The render layer the sprite is drawn into (0: the screen) and whether
  // that layer's sprite has kFlagOwnPixelSpace.
  std::int32_t layer = 0;
  bool layerOwnPixelSpace = false;

  // The sprite's own quake offsets, and whether shaking is suppressed for
  // its resolution class.
  float quakeX = 0;
  float quakeY = 0;
  bool quakeSuppressed = false;

  // The screen quake: whether it shakes the screen and the window layer,
  // and its current offset.
  bool screenQuakeOn = false;
  bool windowQuakeOn = false;
  float screenQuakeX = 0;
  float screenQuakeY = 0;

  // The screen scroll (pixels) and zoom (percent) per axis, zoomed around
  // the screen centre.
  float scrollX = 0;
  float scrollY = 0;
  float zoomX = 100;
  float zoomY = 100;
  float centreX = 0;
  float centreY = 0;

  // Render size ÷ game screen size, the scale of high-resolution assets and
  // the display ratio applied to class 2 sprites on the screen.
  float factor = 1;
  float assetScale = 1;
  float displayRatio = 1;

  // Whether a motion moves the sprite along each axis; a moving sprite is
  // not snapped to whole pixels.
  bool motionRunningX = false;
  bool motionRunningY = false;
};

// Where the sprite's anchor lands on its drawing target (ox, oy, in target
// pixels) and the scale it is drawn with.
struct SpriteOffsets {
  float ox = 0;
  float oy = 0;
  float sx = 1;
  float sy = 1;
};

SpriteOffsets spriteOffsets(const OffsetInput& in);

// The sprite's rotation in degrees about each axis.
struct SpriteRotation {
  float x = 0;
  float y = 0;
  float z = 0;
};

// What the camera of one drawing target gives every sprite drawn on it:
// the view and projection, and the mapping of target pixels with a depth
// back to world space. Made once per target size.
struct SpriteCamera {
  render::Size target;
  render::Matrix4 view;
  render::Matrix4 projection;
  std::array<std::array<double, 4>, 4> unproject{};
};
SpriteCamera spriteCamera(render::Size target);

struct SpriteMatrices {
  render::Matrix4 world;
  render::Matrix4 view;
  render::Matrix4 projection;
};

// The matrices a sprite quad is drawn with. The quad is built in local units
// where 2 units span `tile.width` pixels across and `tile.height` down, so an
// unrotated sprite covers tile × (sx, sy) pixels of `target` centred on the
// anchor (ox, oy), with pixel centres on integer coordinates.
SpriteMatrices buildSpriteMatrices(const SpriteOffsets& offsets, const SpriteRotation& rotation,
                                   render::Size tile, render::Size target);
SpriteMatrices buildSpriteMatrices(const SpriteOffsets& offsets, const SpriteRotation& rotation,
                                   render::Size tile, const SpriteCamera& camera);

// world × view × projection, the transform a draw call takes.
render::Matrix4 spriteTransform(const SpriteMatrices& matrices);
render::Matrix4 spriteTransform(const SpriteOffsets& offsets, const SpriteRotation& rotation,
                                render::Size tile, render::Size target);

}  // namespace tsuzuri::scene
