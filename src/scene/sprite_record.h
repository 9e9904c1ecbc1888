#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "assets/image_buffer.h"
#include "render/geometry.h"
#include "render/gpu_device.h"
#include "scene/quake.h"
#include "scene/sprite_flags.h"
#include "scene/tile_layout.h"

namespace tsuzuri::scene {

inline constexpr int kSlotCount = 1000;
// The multiplier of the order value in a draw key: larger than any slot
// number, so slots stay distinct within one order value.
inline constexpr int kDrawKeyStride = 1024;

// The pending-change bits of a slot, applied by the commit.
inline constexpr std::int32_t kPendingChanged = 0x1;        // copy back properties to the front
inline constexpr std::int32_t kPendingNewImage = 0x10;      // copy, then swap front and back
inline constexpr std::int32_t kPendingReleaseFront = 0x20;  // free the front's image first
inline constexpr std::int32_t kPendingWriteThrough = 0x40;  // setters write both records
inline constexpr std::int32_t kPendingDelete = 0x100;       // destroy both records

// How a slot's image was made, which is how a saved game makes it again.
inline constexpr char kKindImage = 0;   // sp
inline constexpr char kKindStand = 1;   // sp_st
inline constexpr char kKindMovie = 2;   // a movie playing into the sprite
inline constexpr char kKindCanvas = 4;  // spg

// The load-time effects of a slot, in the order they are applied.
enum EffectIndex : int {
  kEffectNegative,
  kEffectGrey,
  kEffectRotate,
  kEffectBrightnessContrast,
  kEffectColour,
  kEffectHsl,
  kEffectBlur,
  kEffectMosaic,
  kEffectCount
};

// One of the two pictures of a slot: what is shown (front) or what the
// script edits (back). Geometry lives in `tiles`; textures are the
// device's and are freed with releaseImage.
struct SpriteRecord {
  render::Matrix4 worldMatrix = render::Matrix4::identity();
  render::Matrix4 viewMatrix = render::Matrix4::identity();
  render::Matrix4 projMatrix = render::Matrix4::identity();
  std::array<render::TextureId, kMaxTiles> tileTexture{};
  render::TextureId targetSurface = render::kNoTexture;  // a canvas or render layer
  std::array<render::TextureId, kMaxTiles> maskTexture{};
  std::uint32_t flags = 0;
  std::int32_t blend = 1;
  std::int32_t colourMode = 0;  // 0 none, 4 multiply, 7 add
  std::int32_t layer = 0;       // 0: the screen; else the slot whose texture is the target
  std::int32_t maskMode = 0;    // softness of the mask edge, 1..255
  std::int32_t alpha = 255;
  std::int32_t cell = 0;
  std::int32_t colour = 0;
  std::int32_t maskValue1 = 0;  // non-zero reverses the mask
  std::int32_t maskValue2 = 0;  // mask progress 0..512
  float x = 0, y = 0;
  float scaleX = 1, scaleY = 1;
  float rotX = 0, rotY = 0, rotZ = 0;
  std::int32_t anchorX = 1, anchorY = 1;
  std::int32_t imageOffsetX = 0, imageOffsetY = 0;
  std::int32_t imageW = 0, imageH = 0;
  std::int32_t cellLayout = 0;
  // 0: a canvas sized in screen pixels times the resolution factor; 1: as
  // given; 2: a high-resolution asset, drawn at the display ratio.
  std::int32_t resolutionClass = 1;
  bool halfLevels = false;  // the tile textures carry a half-size level
  TileLayout tiles;
  // A copy of the decoded pixels, kept for re-uploads and cell changes;
  // null for canvases and geometry-only records.
  assets::ImagePtr pixels;
  bool dirty = true;
  // The camera the matrices were built for (half the target's size).
  float builtHalfW = 0, builtHalfH = 0;

  std::int32_t cellW() const { return tiles.cellW; }
  std::int32_t cellH() const { return tiles.cellH; }
  bool hasTexture() const { return tiles.tileCount > 0 && tileTexture[0] != render::kNoTexture; }
  bool hasMask() const { return maskTexture[0] != render::kNoTexture; }
};

// Sets every vertex colour of every tile to opaque white at `alpha`.
void setVertexAlpha(SpriteRecord& record, std::int32_t alpha);

// Copies what a commit carries from one record to the other: everything
// but textures and pixels. The destination is marked dirty.
void copyProperties(SpriteRecord& destination, const SpriteRecord& source);

// The source rectangle of one load (sp_cut); x = -1 centres it across.
// A width or height of 0 loads the whole image.
struct CutRect {
  std::int32_t x = 0, y = 0, w = 0, h = 0;
};

// The bookkeeping of one slot.
struct SpriteSlot {
  std::int32_t frontIndex = 0;
  std::int32_t pending = 0;
  std::string name;        // image file name (at most 127 bytes)
  std::string maskName;    // sp_mask's file; empty when none
  char kind = kKindImage;  // how the image was made
  std::string fontName;    // text sprites
  std::int32_t maskParam1 = 0, maskParam2 = 0;
  std::array<std::int32_t, 5> textParams{};
  std::int32_t order = 0;
  std::int32_t autoDelete = 0;
  std::int32_t switching = 0;
  std::int32_t motionActive = 0;  // bit i: motion list i has steps
  QuakeAxis quakeX, quakeY;       // sp_qx, sp_qy
  std::array<std::int32_t, kEffectCount> effects{};
  CutRect cut;  // the part of the file an image sprite shows (sp_cut)
};

// The longest name a slot keeps, as its fixed field holds.
inline constexpr std::size_t kSlotNameLimit = 127;

}  // namespace tsuzuri::scene
