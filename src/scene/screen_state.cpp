#include "scene/screen_state.h"

#include "scene/easing.h"

namespace tsuzuri::scene {

void ScreenState::reset() {
  values_[kScrollX] = {0, 0};
  values_[kScrollY] = {0, 0};
  values_[kZoomX] = {100, 100};
  values_[kZoomY] = {100, 100};
  index_ = 0;
  motions_ = {};
  quakeTargets_ = 0;
  quakeX_ = {};
  quakeY_ = {};
  blur_ = false;
  blurStrength_ = 0;
}

void ScreenState::commit() {
  index_ ^= 1;
  for (auto& pair : values_)
    pair[static_cast<std::size_t>(index_ ^ 1)] = pair[static_cast<std::size_t>(index_)];
}

bool ScreenState::moving() const {
  for (const ScreenMotion& m : motions_) {
    if (m.change != 0) return true;
  }
  return false;
}

bool ScreenState::advanceMotions(std::uint32_t now) {
  bool moved = false;
  for (int axis = 0; axis < kScreenAxisCount; ++axis) {
    ScreenMotion& m = motion(axis);
    if (m.change == 0) continue;
    const auto elapsed = static_cast<std::int32_t>(now - m.startTime);
    float v = static_cast<float>(m.base);
    if (elapsed >= m.duration) {
      v = static_cast<float>(m.base + m.change);
      m.change = 0;
    } else if (elapsed > 0) {
      v += ease(m.change, elapsed, m.duration, m.easing);
    }
    setBoth(axis, v);
    moved = true;
  }
  return moved;
}

bool ScreenState::advanceQuake(std::uint32_t now) {
  bool changed = false;
  for (QuakeAxis* axis : {&quakeX_, &quakeY_}) {
    if (!axis->on()) continue;
    scene::advanceQuake(*axis, now);
    changed = true;
  }
  return changed;
}

}  // namespace tsuzuri::scene
