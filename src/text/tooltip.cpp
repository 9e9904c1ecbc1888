#include "text/tooltip.h"

#include <algorithm>
#include <cmath>

namespace tsuzuri::text {

namespace {

constexpr std::uint32_t kPaper = 0xFFFFFFE1;
constexpr std::uint32_t kEdge = 0xFF767676;
constexpr std::int32_t kTextSize = 14;
constexpr std::int32_t kMargin = 3;

// The text (drawn in black on transparent) over a pale box with a thin
// edge.
assets::ImagePtr boxed(const assets::ImageBuffer& text) {
  const std::int32_t w = text.width + 2 * kMargin;
  const std::int32_t h = text.height + 2 * kMargin;
  assets::ImagePtr box = assets::makeImage(w, h, 32);
  if (!box) return nullptr;
  auto* out = reinterpret_cast<std::uint32_t*>(box->pixels);
  const auto* in = reinterpret_cast<const std::uint32_t*>(text.pixels);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
      std::uint32_t p = edge ? kEdge : kPaper;
      const std::int32_t tx = x - kMargin;
      const std::int32_t ty = y - kMargin;
      if (!edge && tx >= 0 && ty >= 0 && tx < text.width && ty < text.height) {
        const std::uint32_t a = in[ty * text.width + tx] >> 24;
        // The glyph's own colour is ignored: ink is black, blended by alpha.
        const auto mix = [a](std::uint32_t paper) { return paper * (255 - a) / 255; };
        p = 0xFF000000U | mix(kPaper >> 16 & 0xFF) << 16 | mix(kPaper >> 8 & 0xFF) << 8 |
            mix(kPaper & 0xFF);
      }
      out[y * w + x] = p;
    }
  }
  return box;
}

}  // namespace

void Tooltip::release() {
  if (device_ != nullptr && texture_ != render::kNoTexture) device_->destroyTexture(texture_);
  texture_ = render::kNoTexture;
  device_ = nullptr;
}

void Tooltip::show(const scene::ButtonRecord* button) {
  release();
  picture_.reset();
  if (button == nullptr || button->tooltip.empty()) return;
  const double rate = table_.screen().resolutionFactor;
  const MessageFont font = font_ ? font_() : MessageFont{};
  SpriteFont f{font.name, static_cast<std::int32_t>(std::lround(kTextSize * rate)),
               16,        0xFFFFFF,
               0xFFFFFF,  0};
  const assets::ImagePtr text = text_.render(button->tooltip, f);
  if (!text) return;
  picture_ = boxed(*text);
  if (!picture_) return;
  // Below the button, kept on the screen.
  const std::int32_t w = static_cast<std::int32_t>(picture_->width / rate);
  const std::int32_t h = static_cast<std::int32_t>(picture_->height / rate);
  const std::int32_t screenW = table_.screen().width;
  const std::int32_t screenH = table_.screen().height;
  std::int32_t left = std::clamp(button->left, 0, std::max(0, screenW - w));
  std::int32_t top = button->bottom + 2;
  if (top + h > screenH) top = std::max(0, button->top - h - 2);
  box_ = {left, top, left + w, top + h};
}

void Tooltip::draw() {
  if (!picture_) return;
  render::GpuDevice* device = renderer_.device();
  if (device == nullptr) return;
  if (device != device_ || texture_ == render::kNoTexture) {
    release();
    device_ = device;
    texture_ =
        device->createTexture(picture_->width, picture_->height, render::TextureUse::kImage, false);
    if (texture_ == render::kNoTexture) return;
    device->writeTexture(texture_, 0, reinterpret_cast<const std::uint32_t*>(picture_->pixels),
                         picture_->width, picture_->height, picture_->width);
  }
  const double rate = table_.screen().resolutionFactor;
  const auto at = [rate](std::int32_t v) {
    return static_cast<std::int32_t>(std::lround(v * rate));
  };
  const render::Rect destination{at(box_.left), at(box_.top), at(box_.left) + picture_->width,
                                 at(box_.top) + picture_->height};
  device->draw(render::rectQuad(texture_, {picture_->width, picture_->height},
                                {0, 0, picture_->width, picture_->height}, destination,
                                renderer_.presentation().renderSize, render::Filter::kPoint));
}

}  // namespace tsuzuri::text
