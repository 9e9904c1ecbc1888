#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "render/gpu_device.h"
#include "script/error_sink.h"
#include "text/font_face.h"

namespace tsuzuri::text {

// A text the engine shows character by character: one face, and for each
// character its place, its own small texture and quad, and when it began
// to appear. The message window keeps two (text and ruby).
class TextObject {
 public:
  explicit TextObject(script::ErrorSink& errors) : errors_(errors), face_(errors) {}
  ~TextObject();
  TextObject(const TextObject&) = delete;
  TextObject& operator=(const TextObject&) = delete;

  // The face, size, style and room for `capacity` characters; white text
  // with a black outline until colours are set. Textures are made on the
  // device as characters need them.
  void create(render::GpuDevice* device, std::string_view fontName, std::int32_t size,
              std::int32_t style, std::int32_t capacity, std::string_view gameFolder);
  void setFont(std::string_view fontName, std::int32_t size, std::int32_t style,
               std::string_view gameFolder);
  void setColours(std::int32_t colour1, std::int32_t colour2, std::int32_t colour3);
  FontFace& face() { return face_; }

  // Script coordinates become screen pixels by the display's rate, around
  // the text origin and its shift.
  // Each moves the characters already set.
  void setRate(double rate);
  void setOrigin(std::int32_t x, std::int32_t y);
  std::int32_t originX() const { return originX_; }
  std::int32_t originY() const { return originY_; }
  void setShift(std::int32_t x, std::int32_t y);
  // How many reveal steps a pause character (、。 and ideographic space)
  // adds after itself.
  void setPointWait(std::int32_t steps) { pointWait_ = steps; }

  // Appends a character at (x, y): its texture is drawn now. False when
  // the object is full or the texture could not be made.
  bool setChar(std::int32_t x, std::int32_t y, std::uint8_t lead, std::uint8_t trail);
  // Draws every character again (after a font or device change) and
  // rebuilds the reveal schedule from the stored codes.
  void resetChars();
  // Empties the text; textures stay for the next characters.
  void clear();
  // Places every quad with a screen offset; nothing when it did not change.
  void reposition(float dx, float dy);
  // The vertex colour of every character from `from` on.
  void setAlpha(std::int32_t from, std::uint32_t argb);
  // Shows characters up to `visible`, each fading in over 256 ms from the
  // moment it was first shown.
  void fade(std::int32_t visible, std::uint32_t now);
  // Shows characters up to `visible` as they are (no fade).
  void setVisible(std::int32_t visible);
  // Takes the first reveal-schedule entry; drops those below `count`.
  void popSchedule();
  void dropScheduleBelow(std::int32_t count);
  // How many reveal steps lie below `t`.
  std::int32_t countAt(std::int32_t t) const;
  // Where the text ends: after the last character, in script pixels.
  std::array<std::int32_t, 2> lastPosition() const;
  // Draws the visible characters onto the current target.
  void draw(render::GpuDevice& device, render::Size target) const;
  // Frees every texture (the device is going, or the object ends).
  void release();
  // A new device (after the old one went): textures are made on it as the
  // characters are drawn again (resetChars).
  void setDevice(render::GpuDevice* device);
  const render::GpuDevice* device() const { return device_; }

  std::int32_t length() const { return static_cast<std::int32_t>(chars_.size()); }
  std::int32_t visible() const { return visible_; }
  // Whether a shown character is still fading in.
  bool fading() const { return firstFading_ < visible_; }
  std::int32_t capacity() const { return capacity_; }
  const std::vector<std::int32_t>& schedule() const { return schedule_; }
  struct Char {
    std::int32_t x = 0, y = 0;
    std::uint16_t code = 0;
    std::uint32_t revealTime = 0;
    std::array<render::Vertex, 4> quad{};
  };
  const std::vector<Char>& chars() const { return chars_; }
  render::TextureId texture(std::int32_t index) const {
    return static_cast<std::size_t>(index) < textures_.size()
               ? textures_[static_cast<std::size_t>(index)]
               : render::kNoTexture;
  }
  // How many glyphs FreeType drew (a repeated character is drawn once).
  std::uint64_t glyphsRasterised() const { return rasterised_; }

 private:
  void addPauses(std::int32_t index, std::uint16_t code);
  void placeQuad(Char& c, float dx, float dy) const;
  void placeAll();
  // Draws the character's glyph into texture `index`, from the cache when
  // the same glyph was drawn before.
  bool renderGlyph(std::size_t index, std::uint16_t code, const char* lockError);
  void dropGlyphs();
  // Forgets cached glyphs that no current character shows.
  void keepGlyphsInUse();

  script::ErrorSink& errors_;
  FontFace face_;
  render::GpuDevice* device_ = nullptr;
  std::int32_t capacity_ = 0;
  std::vector<Char> chars_;
  std::vector<render::TextureId> textures_;
  std::int32_t textureCell_ = 0;  // the cell the textures were made for
  std::int32_t visible_ = 0;
  std::int32_t firstFading_ = 0;
  std::vector<std::int32_t> schedule_;
  double rate_ = 1.0;
  std::int32_t originX_ = 0, originY_ = 0, shiftX_ = 0, shiftY_ = 0;
  std::int32_t pointWait_ = 4;
  float offsetX_ = 0, offsetY_ = 0;
  // Drawn glyphs by code, valid while the face's generation stays.
  std::unordered_map<std::uint16_t, std::vector<std::uint32_t>> glyphs_;
  std::uint64_t glyphsGeneration_ = 0;
  std::vector<std::uint32_t> scratch_;
  std::uint64_t rasterised_ = 0;
};

}  // namespace tsuzuri::text
