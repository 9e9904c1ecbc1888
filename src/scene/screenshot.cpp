#include "scene/screenshot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "assets/image_ops_basic.h"
#include "assets/image_ops_blend.h"
#include "assets/image_ops_geometry.h"
#include "scene/world_matrix.h"
#include "util/sjis.h"

namespace tsuzuri::scene {
namespace {

using assets::ImageBuffer;
using assets::ImagePtr;

// The image library's blend mode for each sprite blend mode 0..8 (normal,
// add, subtract, multiply, screen, lighten, darken, exclusion); a sprite
// with a higher mode draws nothing.
constexpr std::array<std::int32_t, 9> kLibraryBlend = {0, 1, 2, 3, 4, 6, 7, 8, 9};

// Runs an operation of the image library that replaces its image (the
// forms taking ImageBuffer**) on an owned image.
template <class Operation>
bool replaceWith(ImagePtr& image, Operation operation) {
  ImageBuffer* raw = image.release();
  const bool ok = operation(&raw);
  image.reset(raw);
  return ok;
}

// A coordinate far off the screen stays far off, without overflowing.
std::int32_t toPixel(double value) {
  constexpr double kFar = 1 << 30;
  return static_cast<std::int32_t>(std::clamp(value, -kFar, kFar));
}

void makeOpaque(ImageBuffer& image) {
  for (std::int32_t i = 0; i < image.pixelCount; ++i) {
    image.pixels[static_cast<std::size_t>(i) * 4 + 3] = 0xFF;
  }
  image.depth = 24;
}

}  // namespace

bool Screenshot::capture(std::int32_t width, std::int32_t height) {
  image_.reset();
  ImagePtr shot;
  if (table_.jumpMode() == 0) shot = readBack();
  if (!shot) shot = composeSprites();
  if (!shot) {
    table_.errors().reportWithContext(
        util::toSjis(u8"スクリーンショットのメモリの確保に失敗しました"));
    return false;
  }
  makeOpaque(*shot);
  if (shot->width != width || shot->height != height) {
    // Area averaging makes the smoother thumbnail; enlarging is bilinear.
    replaceWith(shot, [&](ImageBuffer** image) {
      return assets::resizeImage2(table_.console(), image, width, height, 1, 2, 1);
    });
  }
  image_ = std::move(shot);
  return true;
}

ImagePtr Screenshot::readBack() {
  if (!renderer_.ready()) return nullptr;
  ImagePtr frame = renderer_.readComposed();
  if (!frame) return nullptr;
  if (wide_ && wide_()) {
    const std::int32_t width = frame->width;
    const std::int32_t height = width * 9 / 16;
    if (height > 0 && height < frame->height && !replaceWith(frame, [&](ImageBuffer** image) {
          return assets::clippingImage2(table_.console(), image, 0, 0, width, height);
        })) {
      return nullptr;
    }
  }
  return frame;
}

ImagePtr Screenshot::composeSprites() {
  const ScreenMetrics metrics = table_.screen();
  ImagePtr canvas = assets::makeImage(metrics.renderSize.width, metrics.renderSize.height, 24);
  if (!canvas) return nullptr;
  // The frame starts cleared to opaque black.
  for (std::int32_t i = 0; i < canvas->pixelCount; ++i) {
    const std::array<std::uint8_t, 4> black = {0, 0, 0, 0xFF};
    std::copy(black.begin(), black.end(), canvas->pixels + static_cast<std::size_t>(i) * 4);
  }
  const auto& layers = table_.layers();
  const auto screen = layers.find(0);
  if (screen == layers.end()) return canvas;
  // From the largest draw key down: back to front, as the composition draws.
  for (const auto& [key, slot] : screen->second) drawSprite(*canvas, slot, metrics);
  return canvas;
}

void Screenshot::drawSprite(ImageBuffer& canvas, std::int32_t slot, const ScreenMetrics& metrics) {
  const SpriteSlot& s = table_.slot(slot);
  const SpriteRecord* r = table_.front(slot);
  if (r == nullptr || r->alpha <= 0 || r->blend < 0 ||
      r->blend >= static_cast<std::int32_t>(kLibraryBlend.size())) {
    return;
  }
  if ((r->flags & kFlagWindowLayer) != 0 && (composer_.windowVisibility() & 1) == 0) return;
  // Only pictures made from an image file can be loaded again by name.
  if (s.textParams[0] != 0 || s.name.empty() || (s.kind != kKindImage && s.kind != kKindStand)) {
    return;
  }
  assets::ImageConsole& console = table_.console();
  std::int32_t resolutionClass = 1;
  ImagePtr picture = table_.loadSlotImage(s.name, slot, r->flags, resolutionClass);
  if (!picture) return;

  // The box the anchor refers to, and where the picture lies in it.
  std::int32_t boxW = picture->width;
  std::int32_t boxH = picture->height;
  std::int32_t insetX = 0;
  std::int32_t insetY = 0;
  if (s.kind == kKindStand) {
    // The picture stands centred on the bottom edge of the requested size.
    if (r->cellW() > 0 && r->cellH() > 0) {
      boxW = r->cellW();
      boxH = r->cellH();
    }
    insetX = (boxW - picture->width) / 2;
    insetY = boxH - picture->height;
  } else if (r->cellLayout != 0) {
    boxW = picture->width / layoutColumns(r->cellLayout);
    boxH = picture->height / layoutRows(r->cellLayout);
    const std::array<std::int32_t, 2> cell = cellPosition(r->cellLayout, r->cell);
    if (boxW <= 0 || boxH <= 0 || !replaceWith(picture, [&](ImageBuffer** image) {
          return assets::clippingImage2(console, image, cell[0] * boxW, cell[1] * boxH, boxW, boxH);
        })) {
      return;
    }
  }

  OffsetInput in;
  in.x = r->x;
  in.y = r->y;
  in.scaleX = r->scaleX;
  in.scaleY = r->scaleY;
  in.resolutionClass = resolutionClass;
  in.flags = r->flags;
  in.scrollX = screen_.value(kScrollX);
  in.scrollY = screen_.value(kScrollY);
  in.zoomX = screen_.value(kZoomX);
  in.zoomY = screen_.value(kZoomY);
  in.centreX = static_cast<float>(metrics.width) / 2.0F;
  in.centreY = static_cast<float>(metrics.height) / 2.0F;
  in.factor = static_cast<float>(metrics.resolutionFactor);
  in.assetScale = static_cast<float>(metrics.assetScale);
  in.displayRatio = static_cast<float>(metrics.displayRatio());
  const SpriteOffsets at = spriteOffsets(in);
  const std::int32_t pictureW = picture->width;
  const std::int32_t pictureH = picture->height;
  const double sx = std::abs(at.sx);
  const double sy = std::abs(at.sy);
  if (sx == 0 || sy == 0) return;
  if (sx != 1 || sy != 1) {
    const double w = std::max(1.0, std::round(picture->width * sx));
    const double h = std::max(1.0, std::round(picture->height * sy));
    if (!replaceWith(picture, [&](ImageBuffer** image) {
          return assets::resizeImage2(console, image, w, h, 1, 1, 1);
        })) {
      return;
    }
  }
  // A negative scale mirrors the sprite within its box.
  if (at.sx < 0) {
    replaceWith(picture,
                [&](ImageBuffer** image) { return assets::flipHorizontalImage2(console, image); });
    insetX = boxW - insetX - pictureW;
  }
  if (at.sy < 0) {
    replaceWith(picture,
                [&](ImageBuffer** image) { return assets::flipVerticalImage2(console, image); });
    insetY = boxH - insetY - pictureH;
  }

  // Pixel centres lie on whole coordinates, so the box's edge half a pixel
  // before the anchor's offset decides the first pixel it covers.
  const double left = std::ceil(at.ox - r->anchorX * boxW * sx / 2 - 0.5);
  const double top = std::ceil(at.oy - r->anchorY * boxH * sy / 2 - 0.5);
  const std::int32_t x = toPixel(left + std::round(insetX * sx));
  const std::int32_t y = toPixel(top + std::round(insetY * sy));
  // A sprite wholly off the screen draws nothing (and is not worth the
  // library's line about bad coordinates).
  if (x >= canvas.width || y >= canvas.height || x + picture->width <= 0 ||
      y + picture->height <= 0) {
    return;
  }
  ImageBuffer* target = &canvas;
  assets::blendImage(console, &target, picture.get(),
                     kLibraryBlend[static_cast<std::size_t>(r->blend)], x, y, r->alpha + 1, 0);
}

}  // namespace tsuzuri::scene
