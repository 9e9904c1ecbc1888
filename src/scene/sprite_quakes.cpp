#include "scene/sprite_quakes.h"

namespace tsuzuri::scene {

namespace {

void markDirty(SpriteTable& table, std::int32_t slot) {
  for (SpriteRecord* r : {table.front(slot), table.back(slot)}) {
    if (r != nullptr) r->dirty = true;
  }
}

}  // namespace

void SpriteQuakes::start(std::int32_t slot, bool yAxis, std::int32_t amplitude, std::int32_t period,
                         std::int32_t count, std::int32_t easing, std::int32_t mode,
                         std::int32_t delay, std::uint32_t now) {
  SpriteSlot& s = table_.slot(slot);
  QuakeAxis& axis = yAxis ? s.quakeY : s.quakeX;
  const QuakeAxis& other = yAxis ? s.quakeX : s.quakeY;
  if (amplitude == 0 || period < kMinQuakePeriod || (table_.jumpMode() != 0 && count != 0)) {
    axis.stop();
    if (!other.on()) slots_.erase(slot);
    markDirty(table_, slot);
    return;
  }
  axis.amplitude = amplitude;
  axis.period = period;
  axis.count = count;
  axis.easing = easing;
  axis.mode = mode;
  axis.startTime = now + static_cast<std::uint32_t>(delay);
  slots_.insert(slot);
}

void SpriteQuakes::advance(std::uint32_t now) {
  for (auto it = slots_.begin(); it != slots_.end();) {
    SpriteSlot& s = table_.slot(*it);
    const bool xDone = advanceQuake(s.quakeX, now);
    const bool yDone = advanceQuake(s.quakeY, now);
    markDirty(table_, *it);
    if (xDone && yDone) {
      it = slots_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace tsuzuri::scene
