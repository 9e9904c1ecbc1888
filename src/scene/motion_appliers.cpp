#include <cmath>

#include "assets/image_ops_blend.h"
#include "scene/easing.h"
#include "scene/motion_lists.h"

namespace tsuzuri::scene {

namespace {

// The eight-bit channel of a colour at `shift`.
std::int32_t channel(std::int32_t colour, int shift) {
  return (colour >> shift) & 0xFF;
}

std::int32_t easedColour(const MotionStep& step, std::int32_t elapsed) {
  std::uint32_t result = 0xFF000000U;
  for (const int shift : {16, 8, 0}) {
    const std::int32_t from = channel(step.startValue, shift);
    const std::int32_t to = channel(step.targetValue, shift);
    const std::int32_t value = easeInteger(from, to - from, elapsed, step.duration, step.easing);
    result |= static_cast<std::uint32_t>(value & 0xFF) << shift;
  }
  return static_cast<std::int32_t>(result);
}

}  // namespace

bool MotionLists::apply(int list, std::int32_t slot, MotionStep& step, std::int32_t elapsed) {
  if (list == kMotionSwitch) return applySwitch(slot, step, elapsed);
  const bool running = elapsed < step.duration;
  const std::int32_t delta = step.targetValue - step.startValue;
  SpriteRecord* records[] = {table_.front(slot), table_.back(slot)};
  if (list <= kMotionRotZ) {
    // The end value takes the same arithmetic as the running ones.
    float value = static_cast<float>(step.targetValue);
    if (running) {
      value =
          static_cast<float>(step.startValue) + ease(delta, elapsed, step.duration, step.easing);
    }
    if (list == kMotionW || list == kMotionH) value *= 0.01F;
    static constexpr float SpriteRecord::*kFields[] = {
        &SpriteRecord::x,    &SpriteRecord::y,    &SpriteRecord::scaleX, &SpriteRecord::scaleY,
        &SpriteRecord::rotX, &SpriteRecord::rotY, &SpriteRecord::rotZ};
    for (SpriteRecord* r : records) {
      if (r == nullptr) continue;
      r->*kFields[list] = value;
      r->dirty = true;
    }
    return !running;
  }
  switch (list) {
    case kMotionAlpha:
    case kMotionMask:
      if (running) {
        setValue(list, slot,
                 easeInteger(step.startValue, delta, elapsed, step.duration, step.easing),
                 step.extra);
        return false;
      }
      setValue(list, slot, step.targetValue, step.extra);
      return true;
    case kMotionCell:
      // A frame-by-frame animation: each step shows its cell for its time.
      if (running) {
        const SpriteRecord* f = records[0];
        if (f != nullptr && f->cell != step.targetValue) {
          setValue(list, slot, step.targetValue, step.extra);
        }
        return false;
      }
      setValue(list, slot, step.targetValue, step.extra);
      return true;
    case kMotionColour:
      setValue(list, slot, running ? easedColour(step, elapsed) : step.targetValue, 0);
      return !running;
    default:
      return true;
  }
}

bool MotionLists::blendOnProcessor(SpriteRecord& front, const SpriteRecord& back,
                                   std::int32_t weight) {
  if (!front.pixels || !back.pixels) return false;
  assets::ImageBuffer* target = blended_.release();
  const bool made = assets::crossFadeImages(table_.console(), &target, front.pixels.get(),
                                            back.pixels.get(), weight);
  blended_.reset(target);
  return made && table_.rewriteTiles(front, *blended_);
}

bool MotionLists::applySwitch(std::int32_t slot, MotionStep& step, std::int32_t elapsed) {
  SpriteSlot& s = table_.slot(slot);
  if (elapsed < 0 || s.autoDelete != 0 || (s.pending & kPendingDelete) != 0) return false;
  if (step.extra == 0) {
    // A delayed switch starts: the new picture goes into the back record.
    step.extra = 1;
    if (!switchLoader_ || !switchLoader_(slot, step.fileName)) {
      s.switching = 0;
      return true;
    }
    s.pending = kPendingWriteThrough;
    s.switching = 1;
  }
  SpriteRecord* front = table_.front(slot);
  SpriteRecord* back = table_.back(slot);
  if (elapsed < step.duration) {
    const std::int32_t weight = ((elapsed << 8) / step.duration) | 1;
    if (weight == s.switching || front == nullptr || back == nullptr) return false;
    render::GpuDevice* device = table_.device();
    if (device != nullptr && device->caps().spritePrograms) {
      s.switching = weight;
    } else if (blendOnProcessor(*front, *back, weight)) {
      s.switching = weight;
    } else {
      // Without both pictures there is nothing to blend: the switch ends
      // and the commit shows the new picture.
      step.duration = 0;
      s.switching = 0;
    }
    return false;
  }
  if (s.switching != 0 && front != nullptr && back != nullptr) {
    const std::int32_t alpha = front->alpha;
    s.frontIndex ^= 1;
    SpriteRecord* shown = table_.front(slot);
    shown->alpha = alpha;
    setVertexAlpha(*shown, alpha);
    shown->dirty = true;
    s.pending &= ~0xF0;
  }
  s.switching = 0;
  return true;
}

}  // namespace tsuzuri::scene
