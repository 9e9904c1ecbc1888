#include "text/image_log.h"

#include <cmath>

#include "scene/scene.h"
#include "scene/sprite_table.h"
#include "text/backlog.h"

namespace tsuzuri::text {

namespace {

bool recordable(const scene::SpriteTable& table, std::int32_t slot) {
  const scene::SpriteRecord* front = table.front(slot);
  if (front == nullptr) return false;
  const scene::SpriteSlot& s = table.slot(slot);
  // A picture without a file (one drawn in memory) cannot be made again;
  // a canvas is drawn again from the sprites in it.
  if (s.name.empty() && s.kind != scene::kKindCanvas) return false;
  return front->alpha != 0 && (front->flags & scene::kFlagWindowLayerMask) == 0 &&
         s.textParams[0] == 0 && (s.pending & scene::kPendingDelete) == 0 &&
         (s.kind & scene::kKindMovie) == 0 && s.name.size() <= kImageLogNameLimit &&
         s.maskName.size() <= kImageLogNameLimit;
}

// Packs values into one field without the sign of one spilling into the
// others.
std::int32_t packed(std::uint32_t high, std::uint32_t low, int shift) {
  return static_cast<std::int32_t>((high << shift) | low);
}

ImageLogRecord recordOf(const scene::SpriteTable& table, std::int32_t slot) {
  const scene::SpriteRecord& f = *table.front(slot);
  const scene::SpriteSlot& s = table.slot(slot);
  const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
  // A standing picture and a canvas are made again at the size the script
  // gave; an image's size is its cell's.
  const bool sized = s.kind == scene::kKindStand || s.kind == scene::kKindCanvas;
  const std::int32_t width = sized ? f.imageW : f.cellW();
  const std::int32_t height = sized ? f.imageH : f.cellH();
  const auto& e = s.effects;
  ImageLogRecord r;
  r.name = s.name;
  r.maskName = s.maskName;
  r.kindBlend = packed(u(f.blend), u(s.kind) & 0x0F, 4) & 0xFF;
  r.x = static_cast<std::int32_t>(f.x);
  r.y = static_cast<std::int32_t>(f.y);
  r.slotLayer = packed(u(slot), u(f.layer) & 0xFFFF, 16);
  r.alpha = f.alpha;
  r.cell = packed(u(f.cell), u(f.cellLayout) & 0xFF, 8);
  r.mask = packed(u(f.maskValue1), ((u(f.maskValue2) & 0x3FF) << 10) | (u(f.maskMode) & 0x3FF), 20);
  // The colour keeps its low 24 bits so that the mode stays readable.
  r.colour = packed(u(f.colourMode), u(f.colour) & 0xFFFFFF, 24);
  r.width = packed(u(width), u(f.anchorX) & 3, 2);
  r.height = packed(u(height), u(f.anchorY) & 3, 2);
  r.scaleX = static_cast<std::int32_t>(std::lround(f.scaleX * 100.0F));
  r.scaleY = static_cast<std::int32_t>(std::lround(f.scaleY * 100.0F));
  // Z angles are kept negated; the record has them as the script gave them.
  r.rotation = static_cast<std::int32_t>(std::lround(-f.rotZ) % 360);
  r.cutX = s.cut.x;
  r.cutY = s.cut.y;
  r.cutW = s.cut.w;
  r.cutH = s.cut.h;
  r.effectBits =
      ((e[scene::kEffectNegative] != 0 ? 2 : 0) + (e[scene::kEffectGrey] != 0 ? 1 : 0)) * 8 +
      (e[scene::kEffectRotate] & 7);
  r.brightnessContrast = e[scene::kEffectBrightnessContrast];
  r.colourEffect = e[scene::kEffectColour];
  r.hsl = e[scene::kEffectHsl];
  r.blur = e[scene::kEffectBlur];
  r.mosaic = e[scene::kEffectMosaic];
  r.maskParam1 = s.maskParam1;
  r.maskParam2 = s.maskParam2;
  return r;
}

}  // namespace

std::vector<ImageLogRecord> recordImageLog(const scene::SpriteTable& table) {
  std::vector<ImageLogRecord> records;
  const auto take = [&](const scene::SpriteTable::LayerOrder& members) {
    for (const auto& [key, slot] : members) {
      if (records.size() == kImageLogRecords) return;
      if (recordable(table, slot)) records.push_back(recordOf(table, slot));
    }
  };
  const auto& layers = table.layers();
  if (layers.size() > 1) {
    for (const auto& [layer, members] : layers) {
      if (layer != 0) take(members);
    }
  }
  if (const auto screen = layers.find(0); screen != layers.end()) take(screen->second);
  return records;
}

ScreenView currentScreenView(scene::Scene& scene) {
  const scene::ScreenState& screen = scene.screen();
  const auto value = [&screen](int axis) {
    return static_cast<std::int32_t>(std::lround(screen.value(axis)));
  };
  return {value(scene::kScrollX), value(scene::kScrollY), value(scene::kZoomX),
          value(scene::kZoomY)};
}

void commitPage(Backlog& backlog, scene::Scene& scene) {
  BacklogEntry& entry = backlog.current();
  entry.images = recordImageLog(scene.sprites());
  entry.screen = currentScreenView(scene);
  backlog.commit();
}

}  // namespace tsuzuri::text
