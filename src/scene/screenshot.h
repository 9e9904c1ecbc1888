#pragma once

#include <cstdint>
#include <functional>

#include "assets/image_buffer.h"
#include "render/renderer.h"
#include "scene/composition.h"
#include "scene/screen_state.h"
#include "scene/sprite_table.h"

namespace tsuzuri::scene {

// The screenshot image of a run (setScreenShot builds it; saveScreenShot
// and the save thumbnails use it): the composed game screen read back from
// the device or, in jump mode or when the device cannot be read, the
// visible sprites composed in software. It is opaque (depth 24).
class Screenshot {
 public:
  Screenshot(SpriteTable& table, const ScreenState& screen, const Composer& composer,
             render::Renderer& renderer)
      : table_(table), screen_(screen), composer_(composer), renderer_(renderer) {}

  // Whether the display runs in its wide-aspect mode (a 16:9 game screen):
  // the picture read back is then cut to its top 16:9 part, since the
  // render target of a 16:9 game shown at 4:3 is taller than the game.
  void setWideAspectSource(std::function<bool()> wide) { wide_ = std::move(wide); }

  // Replaces the image by a new one of width × height (the library keeps
  // the aspect for a side of 0; the captured size stays when the resize
  // fails). False, with the image gone, when memory is short (reported).
  bool capture(std::int32_t width, std::int32_t height);

  // The image the last capture built; null before the first and after a
  // failed one.
  const assets::ImageBuffer* image() const { return image_.get(); }
  assets::ImageBuffer* image() { return image_.get(); }

  // The visible screen-layer sprites, each loaded by name (with its
  // load-time effects and cell) and blended at its place, scale and
  // opacity over black, at the render size. Rotation, masks and colour
  // modes are left out. Null when memory is short.
  assets::ImagePtr composeSprites();

 private:
  // The composed picture, cut for the wide-aspect mode; null when it
  // cannot be read.
  assets::ImagePtr readBack();
  void drawSprite(assets::ImageBuffer& canvas, std::int32_t slot, const ScreenMetrics& metrics);

  SpriteTable& table_;
  const ScreenState& screen_;
  const Composer& composer_;
  render::Renderer& renderer_;
  std::function<bool()> wide_;
  assets::ImagePtr image_;
};

}  // namespace tsuzuri::scene
