#include "scene/sprite_commands.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "assets/image_ops_basic.h"
#include "assets/image_ops_geometry.h"
#include "util/sjis.h"

namespace tsuzuri::scene {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<SpriteCommands> kCommands[] = {
    {"sp", &SpriteCommands::sp},
    {"sp_cut", &SpriteCommands::sp_cut},
    {"sp_st", &SpriteCommands::sp_st},
    {"spg", &SpriteCommands::spg},
    {"sp_mask", &SpriteCommands::sp_mask},
    {"sp_d", &SpriteCommands::sp_d},
    {"sp_dx", &SpriteCommands::sp_dx},
    {"sp_ref", &SpriteCommands::sp_ref},
    {"sp_reload", &SpriteCommands::sp_reload},
    {"sp_x", &SpriteCommands::sp_x},
    {"sp_y", &SpriteCommands::sp_y},
    {"sp_xy", &SpriteCommands::sp_xy},
    {"sp_w", &SpriteCommands::sp_w},
    {"sp_h", &SpriteCommands::sp_h},
    {"sp_wh", &SpriteCommands::sp_wh},
    {"sp_rx", &SpriteCommands::sp_rx},
    {"sp_ry", &SpriteCommands::sp_ry},
    {"sp_rz", &SpriteCommands::sp_rz},
    {"sp_rxyz", &SpriteCommands::sp_rxyz},
    {"sp_a", &SpriteCommands::sp_a},
    {"sp_b", &SpriteCommands::sp_b},
    {"sp_c", &SpriteCommands::sp_c},
    {"sp_l", &SpriteCommands::sp_l},
    {"sp_cxy", &SpriteCommands::sp_cxy},
    {"sp_g", &SpriteCommands::sp_g},
    {"sp_o", &SpriteCommands::sp_o},
    {"sp_neg", &SpriteCommands::sp_neg},
    {"sp_gray", &SpriteCommands::sp_gray},
    {"sp_rot", &SpriteCommands::sp_rot},
    {"sp_bc", &SpriteCommands::sp_bc},
    {"sp_color", &SpriteCommands::sp_color},
    {"sp_hsl", &SpriteCommands::sp_hsl},
    {"sp_blur", &SpriteCommands::sp_blur},
    {"sp_mosaic", &SpriteCommands::sp_mosaic},
    {"sp_exist", &SpriteCommands::sp_exist},
    {"sp_gxy", &SpriteCommands::sp_gxy},
    {"sp_gwh", &SpriteCommands::sp_gwh},
    {"sp_ga", &SpriteCommands::sp_ga},
    {"sp_gsz", &SpriteCommands::sp_gsz},
    {"sp_giwh", &SpriteCommands::sp_giwh},
    {"sp_gixy", &SpriteCommands::sp_gixy},
    {"sp_gcl", &SpriteCommands::sp_gcl},
    {"sp_go", &SpriteCommands::sp_go},
    {"sp_gn", &SpriteCommands::sp_gn},
};

// `image` placed with its top-left corner at (x, y) on a transparent
// width × height canvas (a cut that reaches outside the image); null
// (reported) when it cannot be made.
assets::ImagePtr placed(SpriteTable& table, const assets::ImageBuffer& image, std::int32_t x,
                        std::int32_t y, std::int32_t width, std::int32_t height) {
  assets::ImageBuffer* canvas = nullptr;
  if (width <= 0 || height <= 0 ||
      !assets::clippingImage(table.console(), &canvas, &image, -x, -y, width, height)) {
    assets::freeImage(&canvas);
    table.errors().reportWithContext(util::toSjis(u8"画像メモリを確保出来ませんでした"));
    return nullptr;
  }
  return assets::ImagePtr(canvas);
}

// An image made over a text sprite ends it: only text sprites have a font.
void forgetText(SpriteSlot& s) {
  s.fontName.clear();
  s.textParams = {};
}

std::string limitedName(std::string_view name) {
  return std::string(name.substr(0, std::min(name.size(), kSlotNameLimit)));
}

}  // namespace

void SpriteCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

bool SpriteCommands::slotArgument(CommandContext& c, std::int32_t& slot) {
  slot = c.integer(1);
  if (SpriteTable::validSlot(slot)) return true;
  table_.errors().reportWithContext(std::to_string(slot) +
                                    util::toSjis(u8" スプライト番号が不正です"));
  return false;
}

void SpriteCommands::reportEmpty(std::int32_t slot) {
  table_.errors().reportWithContext(std::to_string(slot) +
                                    util::toSjis(u8" 画像が読み込まれていません"));
}

void SpriteCommands::reportBadOrder(std::int32_t slot) {
  table_.errors().reportWithContext(std::to_string(slot) +
                                    util::toSjis(u8" オーダーが正しく設定されてません"));
}

void SpriteCommands::clearAutoDelete(std::int32_t slot) {
  SpriteSlot& s = table_.slot(slot);
  if (s.autoDelete != 0) {
    s.pending = kPendingDelete;
    table_.commitSlot(slot);
  }
}

bool SpriteCommands::loadImage(std::int32_t slot, std::string_view file, std::uint32_t flags,
                               std::int32_t cellLayout, const CutRect& cut) {
  clearAutoDelete(slot);
  const std::string name = util::toForwardSlashes(file);
  const bool loaded =
      table_.jumpMode() != 0
          ? table_.createGeometryOnly(table_.backPtr(slot), 1, 1, cellLayout)
          : table_.loadImageIntoSprite(name, table_.backPtr(slot), slot, cellLayout, flags, cut);
  if (!loaded) return false;
  table_.settleNewImage(slot, flags);
  SpriteSlot& s = table_.slot(slot);
  s.name = limitedName(name);
  s.kind = kKindImage;
  s.cut = cut;
  forgetText(s);
  return true;
}

void SpriteCommands::sp(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  static_cast<void>(
      loadImage(slot, c.text(2), static_cast<std::uint32_t>(c.integer(3)), c.integer(4)));
}

void SpriteCommands::sp_cut(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  const CutRect cut{c.integer(5), c.integer(6), c.integer(7), c.integer(8)};
  static_cast<void>(
      loadImage(slot, c.text(2), static_cast<std::uint32_t>(c.integer(3)), c.integer(4), cut));
}

bool SpriteCommands::loadStanding(std::int32_t slot, std::string_view file, std::uint32_t flags,
                                  std::int32_t width, std::int32_t height) {
  clearAutoDelete(slot);
  SpriteSlot& s = table_.slot(slot);
  const std::string name = util::toForwardSlashes(file);
  const ScreenMetrics m = table_.screen();
  std::int32_t canvasW = width;
  std::int32_t canvasH = height;
  std::int32_t offsetX = 0;
  std::int32_t offsetY = 0;
  std::int32_t resolutionClass = 1;
  assets::ImagePtr canvas;
  if (table_.jumpMode() == 0) {
    assets::ImagePtr image = table_.loadSlotImage(name, slot, flags, resolutionClass);
    if (!image) return false;
    if (resolutionClass == 2 && m.resolutionFactor > 1.0) {
      canvasW = roundedScale(width, m.assetScale);
      canvasH = roundedScale(height, m.assetScale);
    }
    // Centred across, standing on the bottom edge.
    offsetX = (canvasW - image->width) / 2;
    offsetY = canvasH - image->height;
    canvas = placed(table_, *image, offsetX, offsetY, canvasW, canvasH);
    if (!canvas) return false;
  }
  // A switch keeps the size of the picture it replaces.
  if ((s.pending & kPendingDelete) == 0) {
    const SpriteRecord* f = table_.front(slot);
    const SpriteRecord* b = table_.back(slot);
    const bool frontDiffers = f != nullptr && (f->cellW() != canvasW || f->cellH() != canvasH);
    const bool backDiffers =
        b != nullptr && b->hasTexture() && (b->cellW() != canvasW || b->cellH() != canvasH);
    if (frontDiffers || backDiffers) {
      table_.errors().reportWithContext(
          std::to_string(slot) + util::toSjis(frontDiffers
                                                  ? u8" 切り替え前の画像サイズと違います１"
                                                  : u8" 切り替え前の画像サイズと違います２"));
      return false;
    }
  }
  const bool hadFront = table_.front(slot) != nullptr && (s.pending & kPendingDelete) == 0;
  bool built = false;
  if (canvas) {
    built =
        table_.createFromPixels(table_.backPtr(slot), std::move(canvas), 0, resolutionClass, flags);
  } else {
    built = table_.createGeometryOnly(table_.backPtr(slot), canvasW, canvasH, 0);
  }
  if (!built) return false;
  table_.back(slot)->imageOffsetX = offsetX;
  table_.back(slot)->imageOffsetY = offsetY;
  table_.settleNewImage(slot, flags);
  s.name = limitedName(name);
  s.kind = kKindStand;
  s.cut = {};
  forgetText(s);
  for (SpriteRecord* r : {table_.front(slot), table_.back(slot)}) {
    if (r == nullptr) continue;
    r->imageW = width;
    r->imageH = height;
  }
  s.pending = hadFront ? kPendingNewImage : kPendingWriteThrough;
  return true;
}

void SpriteCommands::sp_st(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  const std::int32_t fade = c.integer(6);
  const std::int32_t delay = c.integer(7);
  if (delay != 0) {
    // A delayed switch loads its picture when it starts, keeping the size
    // of the picture it replaces.
    clearAutoDelete(slot);
    motions_.queueSwitch(slot, util::toForwardSlashes(c.text(2)), fade | 2, delay);
    return;
  }
  if (!loadStanding(slot, c.text(2), static_cast<std::uint32_t>(c.integer(3)), c.integer(4),
                    c.integer(5))) {
    return;
  }
  SpriteSlot& s = table_.slot(slot);
  if (fade != 0) {
    // The back record holds the new picture; the switch motion blends it
    // over the front one and swaps them at its end.
    constexpr std::int32_t kOnceOneShot = (1 << 8) | (kStepOneShot << 4);
    if (motions_.add(kMotionSwitch, slot, 256, fade | 2, 0, kOnceOneShot, 1)) {
      s.pending = kPendingWriteThrough;
      s.switching = 1;
    }
    return;
  }
  motions_.cancel(kMotionSwitch, slot);
  s.switching = 0;
}

void SpriteCommands::spg(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  static_cast<void>(
      makeCanvas(slot, c.integer(2), c.integer(3), static_cast<std::uint32_t>(c.integer(4))));
}

bool SpriteCommands::makeCanvas(std::int32_t slot, std::int32_t width, std::int32_t height,
                                std::uint32_t flags) {
  clearAutoDelete(slot);
  table_.destroyRecord(table_.backPtr(slot));
  const bool built = table_.jumpMode() != 0
                         ? table_.createGeometryOnly(table_.backPtr(slot), width, height, 0)
                         : table_.createCanvas(table_.backPtr(slot), width, height, flags);
  if (!built) return false;
  if (!table_.registeredLayer(slot)) table_.registerInLayer(slot, 0);
  table_.settleNewImage(slot, flags);
  SpriteSlot& s = table_.slot(slot);
  s.name.clear();
  s.kind = kKindCanvas;
  s.cut = {};
  forgetText(s);
  return true;
}

void SpriteCommands::sp_mask(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  static_cast<void>(loadMask(slot, c.text(2), c.integer(3), c.integer(4), c.integer(5),
                             c.integer(6), c.integer(7)));
}

bool SpriteCommands::loadMask(std::int32_t slot, std::string_view file, std::int32_t reverse,
                              std::int32_t progress, std::int32_t softness, std::int32_t param1,
                              std::int32_t param2) {
  SpriteRecord* target = table_.upcoming(slot);
  if (target == nullptr) {
    reportEmpty(slot);
    return false;
  }
  SpriteSlot& s = table_.slot(slot);
  const std::string name = util::toForwardSlashes(file);
  s.maskParam1 = param1;
  s.maskParam2 = param2;
  s.maskName = limitedName(name);
  if (table_.jumpMode() == 0) {
    const ScreenMetrics m = table_.screen();
    assets::LoadedImage loaded = table_.loader().load(name, true, true, m.resolutionFactor);
    if (!loaded.image) return false;
    assets::ImageBuffer* mask = loaded.image.release();
    if (target->resolutionClass == 2 && loaded.scale != 2 && m.assetScale != 1.0 &&
        !assets::resizeImage2(table_.console(), &mask, m.assetScale, m.assetScale, 2, 1, 1)) {
      assets::freeImage(&mask);
      return false;
    }
    assets::ImagePtr owned(mask);
    if (owned->width != target->cellW() || owned->height != target->cellH() || s.maskParam1 != 0 ||
        s.maskParam2 != 0) {
      owned = placed(table_, *owned, (target->cellW() - owned->width) / 2 + s.maskParam1,
                     (target->cellH() - owned->height) / 2 + s.maskParam2, target->cellW(),
                     target->cellH());
      if (!owned) return false;
    }
    if (!table_.uploadMask(*target, *owned)) return false;
  }
  // The back record gets the values too, so that the next commit of a
  // changed property does not take the mask back to nothing.
  for (SpriteRecord* r : {target, table_.back(slot)}) {
    if (r == nullptr) continue;
    r->maskValue1 = reverse;
    r->maskValue2 = progress;
    r->maskMode = (softness - 1) & 511;
  }
  return true;
}

void SpriteCommands::sp_d(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  if (table_.occupied(slot)) table_.slot(slot).pending |= kPendingDelete;
}

void SpriteCommands::sp_dx(CommandContext& c) {
  const std::int32_t first = std::max(c.integer(1), 0);
  const std::int32_t last = std::min(c.integer(2), kSlotCount - 1);
  for (std::int32_t slot = first; slot <= last; ++slot) {
    if (table_.occupied(slot)) table_.slot(slot).pending |= kPendingDelete;
  }
}

void SpriteCommands::sp_ref(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  table_.commitSlot(slot);
}

void SpriteCommands::sp_reload(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  const SpriteSlot& s = table_.slot(slot);
  const SpriteRecord* r = table_.upcoming(slot);
  if (r == nullptr || s.autoDelete != 0 || (s.pending & kPendingDelete) != 0) return;
  const std::string name = s.name;
  switch (s.kind) {
    case kKindStand:
      static_cast<void>(loadStanding(slot, name, r->flags, r->imageW, r->imageH));
      break;
    case kKindMovie:
    case kKindCanvas:
      // A movie keeps playing, and a canvas has no file to read again.
      break;
    default:
      static_cast<void>(loadImage(slot, name, r->flags, r->cellLayout));
      break;
  }
}

}  // namespace tsuzuri::scene
