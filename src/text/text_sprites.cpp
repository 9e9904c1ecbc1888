#include "text/text_sprites.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "assets/image_ops_blend.h"
#include "text/sprite_text.h"
#include "util/sjis.h"

namespace tsuzuri::text {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<TextSprites> kCommands[] = {
    {"ssp_set", &TextSprites::ssp_set},         {"ssp", &TextSprites::ssp},
    {"ssp_reset", &TextSprites::ssp_reset},     {"ssp_draw", &TextSprites::ssp_draw},
    {"setMessLog", &TextSprites::setMessLog},   {"logsp", &TextSprites::logsp},
    {"logsp_reset", &TextSprites::logsp_reset},
};

bool sameFont(const SpriteFont& a, const SpriteFont& b) {
  return a.name == b.name && a.size == b.size && a.style == b.style && a.colour1 == b.colour1 &&
         a.colour2 == b.colour2 && a.colour3 == b.colour3;
}

bool hasRuby(std::string_view text) {
  const std::size_t open = findCharacter(text, 0, '{');
  return open != std::string_view::npos && findCharacter(text, open, '/') != std::string_view::npos;
}

}  // namespace

TextSprites::TextSprites(scene::SpriteTable& table, script::ErrorSink& errors,
                         std::string gameFolder)
    : table_(table),
      errors_(errors),
      gameFolder_(std::move(gameFolder)),
      face_(errors),
      ruby_(errors) {}

void TextSprites::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

bool TextSprites::slotArgument(CommandContext& c, std::int32_t& slot) {
  slot = c.integer(1);
  if (scene::SpriteTable::validSlot(slot)) return true;
  errors_.reportWithContext(std::to_string(slot) + util::toSjis(u8" スプライト番号が不正です"));
  return false;
}

void TextSprites::reportEmpty(std::int32_t slot) {
  errors_.reportWithContext(std::to_string(slot) + util::toSjis(u8" 画像が読み込まれていません"));
}

void TextSprites::setFont(const SpriteFont& font) {
  font_ = font;
}

void TextSprites::useFont(const SpriteFont& font) {
  if (sameFont(font, facesFont_) && face_.hasFace()) return;
  facesFont_ = font;
  face_.setFont(font.name, font.size, font.style, gameFolder_);
  face_.setColours(font.colour1, font.colour2, font.colour3);
  // Ruby is half the size and always drawn without smoothing.
  ruby_.setFont(font.name, font.size / 2, font.style & ~kStyleSmooth, gameFolder_);
  ruby_.setColours(font.colour1, font.colour2, font.colour3);
}

assets::ImagePtr TextSprites::render(std::string_view text, const SpriteFont& font,
                                     std::int32_t spacing, std::int32_t linePitch,
                                     std::int32_t minWidth, std::int32_t minHeight) {
  if (font.size <= 0) return nullptr;
  useFont(font);
  // A ruby group needs half a line above the first line; lines further
  // apart than the size keep that gap.
  const std::int32_t gap = linePitch > 0 ? linePitch - font.size : 0;
  const std::vector<PlacedGlyph> glyphs =
      layoutText(text, font.size, spacing, std::max(gap, hasRuby(text) ? font.size / 2 : 0));
  std::int32_t width = std::max(minWidth, 1);
  std::int32_t height = std::max(minHeight, 1);
  for (const PlacedGlyph& g : glyphs) {
    const std::int32_t cell = (g.ruby ? ruby_ : face_).cellSize();
    width = std::max(width, g.x + cell);
    height = std::max(height, g.y + cell);
  }
  assets::ImagePtr image = assets::makeImage(width, height, 32);
  if (!image) {
    errors_.reportPlain(util::toSjis(u8"画像メモリを確保出来ませんでした"));
    return nullptr;
  }
  auto* pixels = reinterpret_cast<std::uint32_t*>(image->pixels);
  std::fill_n(pixels, static_cast<std::size_t>(image->pixelCount), 0U);
  for (const PlacedGlyph& g : glyphs) {
    (g.ruby ? ruby_ : face_).writeGlyph(pixels, width, height, width, g.code, g.x, g.y);
  }
  return image;
}

bool TextSprites::create(std::int32_t slot, std::string_view text, std::uint32_t flags) {
  return create(slot, text, flags, font_, BacklogBox{});
}

bool TextSprites::create(std::int32_t slot, std::string_view text, std::uint32_t flags,
                         const SpriteFont& font) {
  return create(slot, text, flags, font, BacklogBox{});
}

bool TextSprites::create(std::int32_t slot, std::string_view text, std::uint32_t flags,
                         const SpriteFont& font, const BacklogBox& box) {
  scene::SpriteSlot& s = table_.slot(slot);
  if (s.autoDelete != 0) {
    s.pending = scene::kPendingDelete;
    table_.commitSlot(slot);
  }
  // The whole text is drawn and kept; a saved game keeps what its record
  // has room for.
  const std::string kept(text);
  bool built = false;
  if (table_.jumpMode() != 0) {
    built = table_.createGeometryOnly(table_.backPtr(slot), box.width, box.height, 0);
  } else {
    assets::ImagePtr image = render(kept, font, box.spacing, box.pitch, box.width, box.height);
    built = image && table_.createFromPixels(table_.backPtr(slot), std::move(image), 0, 0, flags);
  }
  if (!built) return false;
  table_.settleNewImage(slot, flags);
  s.name = kept;
  s.kind = scene::kKindImage;
  s.cut = {};
  s.fontName = font.name;
  s.textParams = {font.size, font.style, font.colour1, font.colour2, font.colour3};
  return true;
}

void TextSprites::ssp_set(CommandContext& c) {
  SpriteFont font;
  font.name = std::string(c.text(1));
  const double factor = table_.screen().resolutionFactor;
  font.size = static_cast<std::int32_t>(c.integer(2) * factor + 0.5);
  font.style = c.integer(3);
  font.colour1 = c.integer(4);
  font.colour2 = c.integer(5);
  font.colour3 = c.integer(6);
  font_ = font;
  useFont(font_);
}

void TextSprites::ssp(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  static_cast<void>(create(slot, c.text(2), static_cast<std::uint32_t>(c.integer(3))));
}

void TextSprites::redraw(std::int32_t slot, bool backlog) {
  scene::SpriteRecord* record = table_.upcoming(slot);
  const scene::SpriteSlot& s = table_.slot(slot);
  if (record == nullptr || s.textParams[0] == 0) {
    reportEmpty(slot);
    return;
  }
  if (!record->hasTexture()) return;
  const SpriteFont font{s.fontName,      s.textParams[0], s.textParams[1],
                        s.textParams[2], s.textParams[3], s.textParams[4]};
  const BacklogBox box = backlog ? backlogBox(font, 0) : BacklogBox{};
  assets::ImagePtr image = render(s.name, font, box.spacing, box.pitch);
  if (!image) return;
  // The picture keeps its size; the text is drawn anew into it.
  assets::ImagePtr fitted = assets::makeImage(record->imageW, record->imageH, 32);
  if (!fitted) return;
  std::memset(fitted->pixels, 0, static_cast<std::size_t>(fitted->pixelCount) * 4);
  assets::blendImageAt(table_.console(), fitted.get(), image.get(), 0, 0, 256);
  if (table_.rewriteTiles(*record, *fitted)) record->pixels = std::move(fitted);
}

void TextSprites::ssp_reset(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  if (table_.jumpMode() == 0) redraw(slot, false);
}

void TextSprites::ssp_draw(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  scene::SpriteRecord* back = table_.back(slot);
  if (back == nullptr || !back->hasTexture()) {
    reportEmpty(slot);
    return;
  }
  const std::string text(c.text(2));
  const std::int32_t x = c.integer(3);
  const std::int32_t y = c.integer(4);
  if (table_.jumpMode() != 0) return;
  assets::ImagePtr image = render(text, font_);
  if (!image) return;
  if (!back->pixels) {
    back->pixels = assets::makeImage(back->imageW, back->imageH, 32);
    if (!back->pixels) {
      errors_.reportPlain(util::toSjis(u8"メモリを確保出来ませんでした"));
      return;
    }
    std::memset(back->pixels->pixels, 0, static_cast<std::size_t>(back->pixels->pixelCount) * 4);
  }
  assets::blendImageAt(table_.console(), back->pixels.get(), image.get(), x, y, 256);
  static_cast<void>(table_.rewriteTiles(*back, *back->pixels));
}

}  // namespace tsuzuri::text

namespace tsuzuri::text {

void TextSprites::setMessLog(CommandContext& c) {
  backlog_.charsPerLine = c.integer(1) + 2;
  backlog_.lines = c.integer(2);
  backlog_.size = c.integer(3);
  backlog_.lineHeight = c.integer(4);
  backlog_.letterSpacing = c.integer(5);
  backlog_.lineGap = c.integer(6);
}

SpriteFont TextSprites::backlogFont() const {
  SpriteFont font = messageFont_ ? messageFont_() : font_;
  // Without a layout the history text takes the text-sprite size.
  font.size =
      backlog_.size > 0 ? static_cast<std::int32_t>(backlog_.size * rate() + 0.5) : font_.size;
  return font;
}

TextSprites::BacklogBox TextSprites::backlogBox(const SpriteFont& font, std::int32_t lines) const {
  const double r = rate();
  BacklogBox box;
  box.spacing = static_cast<std::int32_t>(backlog_.letterSpacing * r + 0.5);
  box.pitch = backlog_.lineHeight + backlog_.lineGap > 0
                  ? static_cast<std::int32_t>((backlog_.lineHeight + backlog_.lineGap) * r + 0.5)
                  : font.size;
  // A full line of two-byte characters, and `lines` lines under half a
  // line for ruby; the glyph cell's margin for the effects around both.
  const std::int32_t margin = glyphCellSize(font.size, font.style) - font.size;
  box.width = (font.size + box.spacing) * std::max(backlog_.charsPerLine, 1) + margin;
  box.height = font.size / 2 + box.pitch * std::max(lines, 1) + margin;
  return box;
}

void TextSprites::logsp(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  const std::string text(c.text(2));
  const auto flags = static_cast<std::uint32_t>(c.integer(3));
  const std::int32_t lines = c.integer(4);
  const SpriteFont font = backlogFont();
  static_cast<void>(create(slot, text, flags, font, backlogBox(font, lines)));
}

void TextSprites::logsp_reset(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  if (table_.jumpMode() == 0) redraw(slot, true);
}

}  // namespace tsuzuri::text
