#include "text/text_object.h"

#include <algorithm>
#include <cmath>

#include "render/geometry.h"

namespace tsuzuri::text {

namespace {

constexpr std::uint16_t kPauseCodes[] = {0, 0x8140, 0x8141, 0x8142};  // 　、。
constexpr std::uint32_t kFadeMilliseconds = 256;
// Limits that keep a script's numbers from asking for absurd memory: a
// glyph cell of 1024 pixels (a font of about 1000), 65535 characters, and
// about 16 MiB of cached glyphs.
constexpr std::int32_t kMaxCell = 1024;
constexpr std::int32_t kMaxCapacity = 65535;
constexpr std::size_t kCacheBytes = std::size_t{16} << 20;

}  // namespace

TextObject::~TextObject() {
  release();
}

void TextObject::create(render::GpuDevice* device, std::string_view fontName, std::int32_t size,
                        std::int32_t style, std::int32_t capacity, std::string_view gameFolder) {
  release();
  device_ = device;
  capacity_ = std::clamp(capacity, 0, kMaxCapacity);
  face_.setFont(fontName, size, style, gameFolder);
  face_.setColours(0xFFFFFF, 0xFFFFFF, 0x000000);
  chars_.clear();
  chars_.reserve(static_cast<std::size_t>(capacity_));
  textures_.assign(static_cast<std::size_t>(capacity_), render::kNoTexture);
  textureCell_ = face_.cellSize();
  clear();
}

void TextObject::setFont(std::string_view fontName, std::int32_t size, std::int32_t style,
                         std::string_view gameFolder) {
  face_.setFont(fontName, size, style, gameFolder);
  // Textures of another cell size are made again as characters need them.
  if (face_.cellSize() != textureCell_) {
    const std::int32_t capacity = capacity_;
    render::GpuDevice* device = device_;
    std::vector<Char> kept = std::move(chars_);
    release();
    device_ = device;
    capacity_ = capacity;
    textures_.assign(static_cast<std::size_t>(capacity_), render::kNoTexture);
    chars_ = std::move(kept);
    textureCell_ = face_.cellSize();
  }
}

void TextObject::setColours(std::int32_t colour1, std::int32_t colour2, std::int32_t colour3) {
  face_.setColours(colour1, colour2, colour3);
}

void TextObject::release() {
  if (device_ != nullptr) {
    for (const render::TextureId t : textures_) {
      if (t != render::kNoTexture) device_->destroyTexture(t);
    }
  }
  textures_.assign(textures_.size(), render::kNoTexture);
  device_ = nullptr;
  dropGlyphs();
}

void TextObject::dropGlyphs() {
  glyphs_.clear();
  glyphsGeneration_ = face_.generation();
}

void TextObject::keepGlyphsInUse() {
  for (auto it = glyphs_.begin(); it != glyphs_.end();) {
    const std::uint16_t code = it->first;
    const bool used =
        std::any_of(chars_.begin(), chars_.end(), [code](const Char& c) { return c.code == code; });
    it = used ? std::next(it) : glyphs_.erase(it);
  }
}

void TextObject::setDevice(render::GpuDevice* device) {
  release();
  device_ = device;
}

void TextObject::clear() {
  chars_.clear();
  visible_ = 0;
  firstFading_ = 0;
  schedule_.clear();
}

void TextObject::addPauses(std::int32_t index, std::uint16_t code) {
  if (std::find(std::begin(kPauseCodes), std::end(kPauseCodes), code) == std::end(kPauseCodes)) {
    return;
  }
  for (std::int32_t k = 0; k < pointWait_; ++k) schedule_.push_back(index + 1);
}

void TextObject::placeQuad(Char& c, float dx, float dy) const {
  const std::int32_t style = face_.style();
  const float inset = static_cast<float>(((style & kStyleOutline) != 0 ? 1 : 0) +
                                         ((style & kStyleBold) != 0 ? 1 : 0));
  const auto rate = static_cast<float>(rate_);
  const float left =
      std::floor(rate * (static_cast<float>(originX_ + shiftX_ + c.x) + dx) + 0.5F) - 0.5F - inset;
  const float top =
      std::floor(rate * (static_cast<float>(originY_ + shiftY_ + c.y) + dy) + 0.5F) - 0.5F - inset;
  const auto cell = static_cast<float>(face_.cellSize());
  const std::uint32_t diffuse = c.quad[0].diffuse;
  c.quad[0] = render::Vertex{left, top, 0, diffuse, 0, 0, 0, 0};
  c.quad[1] = render::Vertex{left + cell, top, 0, diffuse, 1, 0, 1, 0};
  c.quad[2] = render::Vertex{left, top + cell, 0, diffuse, 0, 1, 0, 1};
  c.quad[3] = render::Vertex{left + cell, top + cell, 0, diffuse, 1, 1, 1, 1};
}

bool TextObject::renderGlyph(std::size_t index, std::uint16_t code, const char* lockError) {
  const std::int32_t cell = face_.cellSize();
  if (cell > kMaxCell) {
    errors_.reportPlain(lockError);
    return false;
  }
  if (glyphsGeneration_ != face_.generation()) dropGlyphs();
  auto cached = glyphs_.find(code);
  if (cached == glyphs_.end()) {
    const std::size_t bytes = static_cast<std::size_t>(cell) * static_cast<std::size_t>(cell) * 4;
    if ((glyphs_.size() + 1) * bytes > kCacheBytes) keepGlyphsInUse();
    std::vector<std::uint32_t> pixels(
        static_cast<std::size_t>(cell) * static_cast<std::size_t>(cell), 0U);
    face_.writeGlyph(pixels.data(), cell, cell, cell, code, 0, 0);
    ++rasterised_;
    cached = glyphs_.emplace(code, std::move(pixels)).first;
  }
  if (device_ == nullptr) return true;
  render::TextureId& texture = textures_[index];
  if (texture == render::kNoTexture) {
    texture = device_->createTexture(cell, cell, render::TextureUse::kImage, false);
    if (texture == render::kNoTexture) {
      errors_.reportPlain(lockError);
      return false;
    }
  }
  if (!device_->writeTexture(texture, 0, cached->second.data(), cell, cell, cell)) {
    errors_.reportPlain(lockError);
    return false;
  }
  return true;
}

bool TextObject::setChar(std::int32_t x, std::int32_t y, std::uint8_t lead, std::uint8_t trail) {
  if (length() >= capacity_) return false;
  const auto code = static_cast<std::uint16_t>(trail == 0 ? lead : lead << 8 | trail);
  const auto index = static_cast<std::size_t>(length());
  addPauses(static_cast<std::int32_t>(index), code);
  Char c;
  c.x = x;
  c.y = y;
  c.code = code;
  c.quad[0].diffuse = 0xFFFFFFFF;
  placeQuad(c, offsetX_, offsetY_);
  if (!renderGlyph(index, code, "SetChar LockRect ")) return false;
  chars_.push_back(c);
  return true;
}

void TextObject::resetChars() {
  schedule_.clear();
  for (std::size_t i = 0; i < chars_.size(); ++i) {
    Char& c = chars_[i];
    addPauses(static_cast<std::int32_t>(i), c.code);
    placeQuad(c, offsetX_, offsetY_);
    renderGlyph(i, c.code, "ReSetChar LockRect ");
  }
}

void TextObject::reposition(float dx, float dy) {
  if (dx == offsetX_ && dy == offsetY_) return;
  offsetX_ = dx;
  offsetY_ = dy;
  placeAll();
}

void TextObject::placeAll() {
  for (Char& c : chars_) placeQuad(c, offsetX_, offsetY_);
}

void TextObject::setRate(double rate) {
  rate_ = rate;
  placeAll();
}

void TextObject::setOrigin(std::int32_t x, std::int32_t y) {
  originX_ = x;
  originY_ = y;
  placeAll();
}

void TextObject::setShift(std::int32_t x, std::int32_t y) {
  shiftX_ = x;
  shiftY_ = y;
  placeAll();
}

void TextObject::setVisible(std::int32_t visible) {
  visible_ = std::clamp(visible, 0, length());
  firstFading_ = std::min(firstFading_, visible_);
}

void TextObject::popSchedule() {
  if (!schedule_.empty()) schedule_.erase(schedule_.begin());
}

void TextObject::dropScheduleBelow(std::int32_t count) {
  std::erase_if(schedule_, [count](std::int32_t s) { return s < count; });
}

void TextObject::setAlpha(std::int32_t from, std::uint32_t argb) {
  for (std::size_t i = static_cast<std::size_t>(std::max(from, 0)); i < chars_.size(); ++i) {
    for (render::Vertex& v : chars_[i].quad) v.diffuse = argb;
  }
}

void TextObject::fade(std::int32_t visible, std::uint32_t now) {
  visible = std::clamp(visible, 0, length());
  for (std::int32_t i = visible_; i < visible; ++i) {
    chars_[static_cast<std::size_t>(i)].revealTime = now;
  }
  visible_ = visible;
  firstFading_ = std::min(firstFading_, visible_);
  for (std::int32_t i = firstFading_; i < visible_; ++i) {
    Char& c = chars_[static_cast<std::size_t>(i)];
    const std::uint32_t elapsed = now - c.revealTime;
    if (elapsed >= kFadeMilliseconds) {
      for (render::Vertex& v : c.quad) v.diffuse = 0xFFFFFFFF;
      if (i == firstFading_) ++firstFading_;
    } else {
      for (render::Vertex& v : c.quad) v.diffuse = elapsed << 24 | 0xFFFFFFU;
    }
  }
}

std::int32_t TextObject::countAt(std::int32_t t) const {
  return static_cast<std::int32_t>(
      std::count_if(schedule_.begin(), schedule_.end(), [t](std::int32_t s) { return s < t; }));
}

std::array<std::int32_t, 2> TextObject::lastPosition() const {
  if (chars_.empty()) return {0, 0};
  const Char& c = chars_.back();
  return {static_cast<std::int32_t>(std::lround(c.x / rate_)) + face_.size(),
          static_cast<std::int32_t>(std::lround(c.y / rate_))};
}

void TextObject::draw(render::GpuDevice& device, render::Size target) const {
  render::DrawCall call;
  call.transform = render::Matrix4::pixelOrtho(target.width, target.height);
  call.blend = render::BlendMode::kAlpha;
  call.filter = render::Filter::kPoint;
  for (std::int32_t i = 0; i < visible_ && i < length(); ++i) {
    const render::TextureId t = textures_[static_cast<std::size_t>(i)];
    if (t == render::kNoTexture) continue;
    call.texture0 = t;
    call.vertices = chars_[static_cast<std::size_t>(i)].quad;
    device.draw(call);
  }
}

}  // namespace tsuzuri::text
