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

// The layout of the history screen's text (setMessLog): script pixels.
struct BacklogLayout {
  std::int32_t charsPerLine = 0;  // as given + 2
  std::int32_t lines = 0;
  std::int32_t size = 0;
  std::int32_t lineHeight = 0;
  std::int32_t letterSpacing = 0;
  std::int32_t lineGap = 0;
};

// Text drawn into sprites: the text-sprite font with its half-size ruby
// face, and the commands ssp_set, ssp, ssp_reset and ssp_draw; history
// text sprites in the backlog layout (setMessLog, logsp, logsp_reset).
class TextSprites {
 public:
  TextSprites(scene::SpriteTable& table, script::ErrorSink& errors, std::string gameFolder);

  void registerWith(commands::CommandRegistry& registry);

  void ssp_set(commands::CommandContext& c);
  void ssp(commands::CommandContext& c);
  void ssp_reset(commands::CommandContext& c);
  void ssp_draw(commands::CommandContext& c);
  void setMessLog(commands::CommandContext& c);
  void logsp(commands::CommandContext& c);
  void logsp_reset(commands::CommandContext& c);

  const BacklogLayout& backlogLayout() const { return backlog_; }
  void setBacklogLayout(const BacklogLayout& layout) { backlog_ = layout; }
  // The message font history text is drawn with (face, style, colours).
  void setMessageFont(std::function<SpriteFont()> font) { messageFont_ = std::move(font); }
  // Script pixels to display pixels.
  double rate() const { return table_.screen().resolutionFactor; }

  const SpriteFont& font() const { return font_; }
  // Sets the font (size as given, not scaled again), as a saved game does.
  void setFont(const SpriteFont& font);
  // Makes a text sprite of `text` in the slot with the current font; false
  // when it could not be made.
  bool create(std::int32_t slot, std::string_view text, std::uint32_t flags);
  // The same with another font (a saved sprite's), the current one kept.
  bool create(std::int32_t slot, std::string_view text, std::uint32_t flags,
              const SpriteFont& font);
  // The picture of a text with a font: lines and ruby laid out, each
  // character rasterised; null (reported) when it cannot be made.
  // With `spacing` (letter spacing) and `linePitch` (0: the size) in
  // display pixels, and at least `minWidth` × `minHeight`.
  assets::ImagePtr render(std::string_view text, const SpriteFont& font, std::int32_t spacing = 0,
                          std::int32_t linePitch = 0, std::int32_t minWidth = 1,
                          std::int32_t minHeight = 1);

 private:
  bool slotArgument(commands::CommandContext& c, std::int32_t& slot);
  void reportEmpty(std::int32_t slot);
  // Applies a font to the two faces.
  void useFont(const SpriteFont& font);
  // Draws the slot's text again into its picture, at the picture's size.
  void redraw(std::int32_t slot, bool backlog);
  // History text: the font, its letter spacing and line pitch, and the
  // picture size for `lines` lines.
  SpriteFont backlogFont() const;
  struct BacklogBox {
    std::int32_t spacing = 0, pitch = 0, width = 1, height = 1;
  };
  BacklogBox backlogBox(const SpriteFont& font, std::int32_t lines) const;
  // A text sprite in a font, laid out in a box (its spacing, line pitch and
  // least size).
  bool create(std::int32_t slot, std::string_view text, std::uint32_t flags, const SpriteFont& font,
              const BacklogBox& box);

  scene::SpriteTable& table_;
  script::ErrorSink& errors_;
  std::string gameFolder_;
  SpriteFont font_;
  SpriteFont facesFont_;  // what the faces were last set to
  BacklogLayout backlog_;
  std::function<SpriteFont()> messageFont_;
  FontFace face_;
  FontFace ruby_;
};

}  // namespace tsuzuri::text
