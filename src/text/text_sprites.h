#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "assets/image_buffer.h"
#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "scene/sprite_table.h"
#include "script/error_sink.h"
#include "text/font_face.h"

namespace tsuzuri::text {

// The font text sprites are drawn with (ssp_set): its face name, the size
// already scaled to the display, the style and three colours.
struct SpriteFont {
  std::string name;
  std::int32_t size = 0;
  std::int32_t style = 0;
  std::int32_t colour1 = 0xFFFFFF;
  std::int32_t colour2 = 0xFFFFFF;
  std::int32_t colour3 = 0;
};

// Text drawn into sprites: the text-sprite font with its half-size ruby
// face, and the commands ssp_set, ssp, ssp_reset and ssp_draw.
class TextSprites {
 public:
  TextSprites(scene::SpriteTable& table, script::ErrorSink& errors, std::string gameFolder);

  void registerWith(commands::CommandRegistry& registry);

  void ssp_set(commands::CommandContext& c);
  void ssp(commands::CommandContext& c);
  void ssp_reset(commands::CommandContext& c);
  void ssp_draw(commands::CommandContext& c);

  const SpriteFont& font() const { return font_; }
  // Sets the font (size as given, not scaled again), as a saved game does.
  void setFont(const SpriteFont& font);
  // Makes a text sprite of `text` in the slot with the current font; false
  // when it could not be made.
  bool create(std::int32_t slot, std::string_view text, std::uint32_t flags);
  // The picture of a text with a font: lines and ruby laid out, each
  // character rasterised; null (reported) when it cannot be made.
  assets::ImagePtr render(std::string_view text, const SpriteFont& font);

 private:
  bool slotArgument(commands::CommandContext& c, std::int32_t& slot);
  void reportEmpty(std::int32_t slot);
  // Applies a font to the two faces.
  void useFont(const SpriteFont& font);

  scene::SpriteTable& table_;
  script::ErrorSink& errors_;
  std::string gameFolder_;
  SpriteFont font_;
  SpriteFont facesFont_;  // what the faces were last set to
  FontFace face_;
  FontFace ruby_;
};

}  // namespace tsuzuri::text
