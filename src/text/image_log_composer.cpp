#include "text/image_log_composer.h"

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>

#include "assets/image_ops_basic.h"
#include "assets/image_ops_blend.h"
#include "assets/image_ops_filters.h"
#include "assets/image_ops_geometry.h"

namespace tsuzuri::text {

namespace {

// The image library's blend mode for each sprite blend mode 0..8.
constexpr std::array<std::int32_t, 9> kLibraryBlend = {0, 1, 2, 3, 4, 6, 7, 8, 9};

struct Picture {
  assets::ImagePtr image;
  // Loaded at the high resolution already: its size is not multiplied by
  // the resolution factor.
  bool highResolution = false;
};

// Runs an in-place operation of the image library on an owned image; on
// failure the image is left as it was.
template <class Operation>
bool inPlace(assets::ImagePtr& image, Operation operation) {
  assets::ImageBuffer* raw = image.release();
  const bool done = operation(&raw);
  image.reset(raw);
  return done;
}

std::int32_t times(std::int32_t value, double factor) {
  return static_cast<std::int32_t>(std::lround(value * factor));
}

class LogComposer {
 public:
  LogComposer(scene::SpriteTable& table, const BacklogEntry& entry)
      : table_(table), entry_(entry), metrics_(table.screen()), console_(table.console()) {}

  ComposedPicture run() {
    for (const ImageLogRecord& r : entry_.images) {
      if ((r.kind() & scene::kKindCanvas) != 0) {
        layers_[r.slot()] = composeLayer(r.slot(), r.pictureWidth(), r.pictureHeight());
      }
    }
    ComposedPicture result;
    result.image = composeLayer(0, metrics_.width, metrics_.height);
    result.resolutionClass = factor() > 1.0 ? 0 : 1;
    return result;
  }

 private:
  double factor() const { return metrics_.resolutionFactor; }

  assets::ImagePtr composeLayer(std::int32_t layer, std::int32_t width, std::int32_t height) {
    if (factor() > 1.0) {
      width = times(width, factor());
      height = times(height, factor());
    }
    assets::ImagePtr image =
        width > 0 && height > 0 ? assets::makeImage(width, height, 32) : assets::ImagePtr();
    if (!image) return image;
    std::memset(image->pixels, 0, static_cast<std::size_t>(image->pixelCount) * 4);
    for (const ImageLogRecord& r : entry_.images) {
      if (r.layer() != layer) continue;
      Picture picture = pictureOf(r);
      if (!picture.image) break;
      place(*image, r, std::move(picture));
    }
    return image;
  }

  Picture pictureOf(const ImageLogRecord& r) {
    Picture picture;
    const std::int32_t kind = r.kind();
    if ((kind & scene::kKindCanvas) != 0) {
      const auto found = layers_.find(r.slot());
      if (found == layers_.end() || !found->second) return picture;
      assets::ImageBuffer* copy = nullptr;
      if (!assets::copyImage(console_, &copy, found->second.get())) return picture;
      picture.image.reset(copy);
      picture.highResolution = true;
      return picture;
    }
    // A movie's first frame needs its decoder, which pictures do without.
    if ((kind & scene::kKindMovie) != 0) return picture;
    std::array<std::int32_t, scene::kEffectCount> effects{};
    effects[scene::kEffectNegative] = (r.effectBits >> 4) & 1;
    effects[scene::kEffectGrey] = (r.effectBits >> 3) & 1;
    effects[scene::kEffectRotate] = r.effectBits & 7;
    effects[scene::kEffectBrightnessContrast] = r.brightnessContrast;
    effects[scene::kEffectColour] = r.colourEffect;
    effects[scene::kEffectHsl] = r.hsl;
    effects[scene::kEffectBlur] = r.blur;
    effects[scene::kEffectMosaic] = r.mosaic;
    std::int32_t resolutionClass = 1;
    assets::ImagePtr image = table_.loadEffectImage(r.name, effects, 0, resolutionClass,
                                                    {r.cutX, r.cutY, r.cutW, r.cutH});
    if (!image) return picture;
    picture.highResolution = resolutionClass == 2;
    if ((kind & scene::kKindStand) != 0) {
      // Centred across, standing on the bottom edge of its canvas.
      std::int32_t w = r.pictureWidth();
      std::int32_t h = r.pictureHeight();
      if (picture.highResolution && factor() > 1.0) {
        w = scene::roundedScale(w, metrics_.assetScale);
        h = scene::roundedScale(h, metrics_.assetScale);
      }
      assets::ImageBuffer* canvas = nullptr;
      if (w <= 0 || h <= 0 ||
          !assets::clippingImage(console_, &canvas, image.get(), -((w - image->width) / 2),
                                 -(h - image->height), w, h)) {
        assets::freeImage(&canvas);
        return picture;
      }
      image.reset(canvas);
    }
    picture.image = std::move(image);
    return picture;
  }

  void applyMask(assets::ImageBuffer& image, const ImageLogRecord& r) {
    if (r.maskName.empty()) return;
    assets::LoadedImage mask = table_.loader().load(r.maskName, true, true, factor());
    if (!mask.image) return;
    static_cast<void>(assets::ruleMaskAlpha(console_, &image, mask.image.get(),
                                            (image.width - mask.image->width) / 2 + r.maskParam1,
                                            (image.height - mask.image->height) / 2 + r.maskParam2,
                                            r.maskReverse(), r.maskProgress(), r.maskSoftness()));
  }

  // Draws one record's picture onto its layer; a step that fails leaves
  // the record out.
  void place(assets::ImageBuffer& layer, const ImageLogRecord& r, Picture picture) {
    if (r.blend() < 0 || r.blend() >= static_cast<std::int32_t>(kLibraryBlend.size())) return;
    assets::ImagePtr& image = picture.image;
    applyMask(*image, r);

    const std::int32_t pictureW = image->width;
    const std::int32_t pictureH = image->height;
    std::int32_t x = r.x;
    std::int32_t y = r.y;
    std::int32_t scaleX = r.scaleX;
    std::int32_t scaleY = r.scaleY;
    const ScreenView& view = entry_.screen;
    if (!view.plain()) {
      // Drawn through the camera of the page: away from the screen centre
      // by the zoom, then shifted.
      x += (x - metrics_.width / 2) * (view.w - 100) / 100 + view.x;
      y += (y - metrics_.height / 2) * (view.h - 100) / 100 + view.y;
      scaleX = view.w * scaleX / 100;
      scaleY = view.h * scaleY / 100;
    }
    std::int32_t targetW = pictureW * scaleX / 100;
    std::int32_t targetH = pictureH * scaleY / 100;
    double sizeFactor = 1.0;
    if (factor() > 1.0) {
      x = times(x, factor());
      y = times(y, factor());
      if (!picture.highResolution) {
        sizeFactor = factor();
        targetW = times(targetW, sizeFactor);
        targetH = times(targetH, sizeFactor);
      }
    }
    if (targetW <= 0 || targetH <= 0) return;

    const std::int32_t angle = r.rotation;
    const bool turned = angle % 360 != 0;
    const double scale = scaleX / 100.0 * sizeFactor;
    if (scaleX == scaleY && scale != 0.0 && scale != 1.0 && turned) {
      if (!inPlace(image,
                   [&](auto** p) { return assets::rotateImage2(console_, p, angle, scale, 1); })) {
        return;
      }
    } else {
      if ((targetW != pictureW || targetH != pictureH) && !inPlace(image, [&](auto** p) {
            return assets::resizeImage2(console_, p, targetW, targetH, 1, 1, 1);
          })) {
        return;
      }
      if (turned && !inPlace(image, [&](auto** p) {
            return assets::rotateImage2(console_, p, angle, 0, 1);
          })) {
        return;
      }
    }

    const std::int32_t ax = r.anchorX();
    const std::int32_t ay = r.anchorY();
    std::int32_t left = x - targetW * ax / 2;
    std::int32_t top = y - targetH * ay / 2;
    if (turned) {
      // The anchor's offset from the centre turns with the picture.
      const double theta = -angle * std::numbers::pi / 180.0;
      // Whole pixels, as the corner is placed without rotation.
      const std::int32_t f = targetW * ax / 2 - targetW / 2;
      const std::int32_t g = targetH * ay / 2 - targetH / 2;
      left = x - static_cast<std::int32_t>(std::lround(f * std::cos(theta) - g * std::sin(theta))) -
             image->width / 2;
      top = y - static_cast<std::int32_t>(std::lround(f * std::sin(theta) + g * std::cos(theta))) -
            image->height / 2;
    }
    assets::ImageBuffer* target = &layer;
    static_cast<void>(assets::blendImage(console_, &target, image.get(),
                                         kLibraryBlend[static_cast<std::size_t>(r.blend())], left,
                                         top, r.alpha + 1, 0));
  }

  scene::SpriteTable& table_;
  const BacklogEntry& entry_;
  scene::ScreenMetrics metrics_;
  assets::ImageConsole& console_;
  // The render layers' pictures by layer number, until the screen is done.
  std::map<std::int32_t, assets::ImagePtr> layers_;
};

}  // namespace

ComposedPicture composeImageLog(scene::SpriteTable& table, const BacklogEntry& entry) {
  if (entry.images.empty()) return {};
  return LogComposer(table, entry).run();
}

}  // namespace tsuzuri::text
