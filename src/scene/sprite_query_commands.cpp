#include <cmath>
#include <string>

#include "scene/sprite_commands.h"

namespace tsuzuri::scene {

using commands::CommandContext;

namespace {

std::int32_t rounded(double value) {
  return static_cast<std::int32_t>(std::floor(value + 0.5));
}

}  // namespace

SpriteRecord* SpriteCommands::queried(CommandContext& c, std::int32_t& slot) {
  if (!slotArgument(c, slot)) return nullptr;
  SpriteRecord* record = table_.upcoming(slot);
  if (record == nullptr) reportEmpty(slot);
  return record;
}

void SpriteCommands::sp_exist(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  const SpriteSlot& s = table_.slot(slot);
  std::int32_t state = 0;
  if (table_.occupied(slot)) {
    state = (s.pending & kPendingDelete) != 0 || s.autoDelete != 0 ? 1 : 2;
  }
  c.setIntegerResult(2, state);
}

void SpriteCommands::sp_gxy(CommandContext& c) {
  std::int32_t slot = 0;
  const SpriteRecord* r = queried(c, slot);
  if (r == nullptr) return;
  const std::int32_t anchorX = c.integer(2);
  const std::int32_t anchorY = c.integer(3);
  const double halfW = r->cellW() >> 1;
  const double halfH = r->cellH() >> 1;
  // A queued motion's last target counts as where the sprite is.
  const std::optional<std::int32_t> targetX = motionTarget(kMotionX, slot);
  const std::optional<std::int32_t> targetY = motionTarget(kMotionY, slot);
  const double x = targetX ? static_cast<double>(*targetX) : r->x;
  const double y = targetY ? static_cast<double>(*targetY) : r->y;
  c.setIntegerResult(4, rounded(x - r->anchorX * halfW + anchorX * halfW));
  c.setIntegerResult(5, rounded(y - r->anchorY * halfH + anchorY * halfH));
}

void SpriteCommands::sp_gwh(CommandContext& c) {
  std::int32_t slot = 0;
  const SpriteRecord* r = queried(c, slot);
  if (r == nullptr) return;
  c.setIntegerResult(
      2, motionTarget(kMotionW, slot).value_or(static_cast<std::int32_t>(r->scaleX * 100.0 + 0.5)));
  c.setIntegerResult(
      3, motionTarget(kMotionH, slot).value_or(static_cast<std::int32_t>(r->scaleY * 100.0 + 0.5)));
}

void SpriteCommands::sp_ga(CommandContext& c) {
  std::int32_t slot = 0;
  const SpriteRecord* r = queried(c, slot);
  if (r != nullptr) c.setIntegerResult(2, motionTarget(kMotionAlpha, slot).value_or(r->alpha));
}

void SpriteCommands::sp_gsz(CommandContext& c) {
  std::int32_t slot = 0;
  const SpriteRecord* r = queried(c, slot);
  if (r == nullptr) return;
  std::int32_t w = r->cellW();
  std::int32_t h = r->cellH();
  const double scale = table_.screen().assetScale;
  if (r->resolutionClass == 2 && scale > 0) {
    w = static_cast<std::int32_t>(w / scale + 0.5);
    h = static_cast<std::int32_t>(h / scale + 0.5);
  }
  c.setIntegerResult(2, w);
  c.setIntegerResult(3, h);
}

void SpriteCommands::sp_giwh(CommandContext& c) {
  std::int32_t slot = 0;
  const SpriteRecord* r = queried(c, slot);
  if (r == nullptr) return;
  c.setIntegerResult(2, r->imageW);
  c.setIntegerResult(3, r->imageH);
}

void SpriteCommands::sp_gixy(CommandContext& c) {
  std::int32_t slot = 0;
  const SpriteRecord* r = queried(c, slot);
  if (r == nullptr) return;
  c.setIntegerResult(2, r->imageOffsetX);
  c.setIntegerResult(3, r->imageOffsetY);
}

void SpriteCommands::sp_gcl(CommandContext& c) {
  std::int32_t slot = 0;
  const SpriteRecord* r = queried(c, slot);
  if (r != nullptr) c.setIntegerResult(2, r->cellLayout);
}

void SpriteCommands::sp_go(CommandContext& c) {
  std::int32_t slot = 0;
  if (queried(c, slot) != nullptr) c.setIntegerResult(2, table_.slot(slot).order);
}

void SpriteCommands::sp_gn(CommandContext& c) {
  std::int32_t slot = 0;
  if (queried(c, slot) != nullptr) c.setTextResult(2, table_.slot(slot).name);
}

}  // namespace tsuzuri::scene
