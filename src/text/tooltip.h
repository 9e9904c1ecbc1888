#pragma once

#include <cstdint>
#include <string>

#include "assets/image_buffer.h"
#include "render/renderer.h"
#include "scene/buttons.h"
#include "scene/sprite_table.h"
#include "text/font_commands.h"
#include "text/text_sprites.h"

namespace tsuzuri::text {

// The one tooltip of the buttons: the hovered button's text in a small
// pale box just below its rectangle, drawn over the whole picture.
class Tooltip {
 public:
  Tooltip(render::Renderer& renderer, scene::SpriteTable& table, TextSprites& text)
      : renderer_(renderer), table_(table), text_(text) {}
  ~Tooltip() { release(); }
  Tooltip(const Tooltip&) = delete;
  Tooltip& operator=(const Tooltip&) = delete;

  void setFontSource(std::function<MessageFont()> font) { font_ = std::move(font); }
  // Shows the button's tooltip (nothing when it has none); null hides it.
  void show(const scene::ButtonRecord* button);
  bool shown() const { return picture_ != nullptr; }
  // Where the box lies, in game-screen pixels.
  const render::Rect& box() const { return box_; }
  void draw();
  // The device is going: its texture goes with it.
  void release();

 private:
  render::Renderer& renderer_;
  scene::SpriteTable& table_;
  TextSprites& text_;
  std::function<MessageFont()> font_;
  assets::ImagePtr picture_;
  render::Rect box_;
  render::TextureId texture_ = render::kNoTexture;
  render::GpuDevice* device_ = nullptr;
};

}  // namespace tsuzuri::text
