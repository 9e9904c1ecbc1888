#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "render/render_settings.h"
#include "render/renderer.h"
#include "scene/screen_state.h"
#include "scene/sprite_table.h"
#include "scene/world_matrix.h"
#include "script/error_sink.h"

namespace tsuzuri::scene {

// Which state of the sprites a composition shows: what is on screen, or
// what the pending changes will show (the new picture of a transition).
enum class Picture : std::uint8_t { kOld, kNew };

// The constants of the mask program for a softness (vague), a progress
// 0..512 and the reverse switch: alpha x min(c1 - mask red x c0, 1).
struct MaskConstants {
  float c0 = 0;
  float c1 = 0;
};
MaskConstants maskConstants(std::int32_t vague, std::int32_t progress, bool reverse);

// Draws the sprite scene into a target: the render layers first (highest
// number first, each cleared to transparent), then the screen layer in
// descending draw key, with the message text between the keys ≥ 0 and the
// negative ones.
class Composer {
 public:
  Composer(SpriteTable& table, const ScreenState& screen, render::Renderer& renderer,
           const render::RenderSettings& settings, script::ErrorSink& errors)
      : table_(table), screen_(screen), renderer_(renderer), settings_(settings), errors_(errors) {}

  // Installs the composition as the frame's normal content.
  void install();

  void compose(render::TextureId target, Picture picture);

  // The message window's visibility bits: bit 0 shows window-layer
  // sprites, bit 1 the message text.
  std::int32_t windowVisibility() const { return windowVisibility_; }
  void setWindowVisibility(std::int32_t bits) { windowVisibility_ = bits; }
  // Draws the message text at an offset, between the two ranges of the
  // screen layer.
  void setMessageTextDrawer(std::function<void(float, float)> drawer) {
    messageText_ = std::move(drawer);
  }

  // Draws over everything of the screen (the buttons' tooltip).
  void setOverlayDrawer(std::function<void()> drawer) { overlay_ = std::move(drawer); }

  // How many sprites the last composition drew (tiles are not counted).
  std::int32_t spritesDrawn() const { return spritesDrawn_; }

 private:
  using Camera = SpriteCamera;
  // The camera of a target of `size`, made once and kept.
  const Camera& cameraFor(render::Size size);
  void drawRange(const SpriteTable::LayerOrder& list, Picture picture, const Camera& camera,
                 bool nonNegative, bool negative);
  void drawSlot(std::int32_t slot, Picture picture, const Camera& camera);
  void drawRecord(std::int32_t slot, SpriteRecord& geometry, const SpriteRecord& textures,
                  const SpriteRecord* other, const Camera& camera, bool pendingScreen);
  // The record's transform, rebuilt when it is dirty. `pendingScreen`
  // places it with the scroll and zoom the next commit shows.
  const render::Matrix4& transformOf(std::int32_t slot, SpriteRecord& record, const Camera& camera,
                                     bool pendingScreen);
  // The screen shake offset the message text is drawn at.
  std::array<float, 2> messageTextOffset() const;

  SpriteTable& table_;
  const ScreenState& screen_;
  render::Renderer& renderer_;
  const render::RenderSettings& settings_;
  script::ErrorSink& errors_;
  std::function<void(float, float)> messageText_;
  std::function<void()> overlay_;
  std::int32_t windowVisibility_ = 0;
  std::int32_t spritesDrawn_ = 0;
  ScreenMetrics metrics_;
  // Layers reported as missing their target, so each is reported once
  // until it has one again.
  std::set<std::int32_t> missingLayers_;
  render::Matrix4 transform_;
  std::vector<SpriteCamera> cameras_;
  // The target being drawn into: a sprite showing it is left out, since a
  // texture cannot be read while it is written.
  render::TextureId currentTarget_ = render::kNoTexture;
};

}  // namespace tsuzuri::scene
