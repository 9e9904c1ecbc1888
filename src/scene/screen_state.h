#pragma once

#include <array>
#include <cstdint>

#include "scene/quake.h"

namespace tsuzuri::scene {

// The screen axes that scroll (pixels) and zoom (percent).
enum ScreenAxis : int { kScrollX, kScrollY, kZoomX, kZoomY, kScreenAxisCount };

// An eased change of one screen axis.
struct ScreenMotion {
  std::int32_t easing = 0;
  std::uint32_t startTime = 0;
  std::int32_t duration = 0;
  std::int32_t base = 0;
  std::int32_t change = 0;  // 0: no motion
};

// Screen quake targets: which sprites of the screen layer shake.
inline constexpr std::int32_t kQuakeScreenSprites = 0x1;
inline constexpr std::int32_t kQuakeWindowSprites = 0x2;

// The camera over the screen layer: scroll and zoom per axis, each kept
// twice like a sprite's properties (a plain change shows from the next
// commit; an eased one at once), the screen shake and the motion-blur
// switch.
class ScreenState {
 public:
  ScreenState() { reset(); }
  void reset();

  // The value shown (current) or the one the next commit shows (pending).
  float value(int axis, bool pending = false) const {
    return values_[static_cast<std::size_t>(axis)]
                  [static_cast<std::size_t>(pending ? index_ ^ 1 : index_)];
  }
  // Sets the value the next commit shows.
  void setPending(int axis, float v) {
    values_[static_cast<std::size_t>(axis)][static_cast<std::size_t>(index_ ^ 1)] = v;
  }
  // Sets both.
  void setBoth(int axis, float v) { values_[static_cast<std::size_t>(axis)] = {v, v}; }
  // The commit: the pending values become the current ones.
  void commit();
  std::int32_t bufferIndex() const { return index_; }

  ScreenMotion& motion(int axis) { return motions_[static_cast<std::size_t>(axis)]; }
  const ScreenMotion& motion(int axis) const { return motions_[static_cast<std::size_t>(axis)]; }
  // Moves the eased axes to `now`; true when any of them moved.
  bool advanceMotions(std::uint32_t now);
  bool moving() const;

  QuakeAxis& quake(bool yAxis) { return yAxis ? quakeY_ : quakeX_; }
  const QuakeAxis& quake(bool yAxis) const { return yAxis ? quakeY_ : quakeX_; }
  std::int32_t quakeTargets() const { return quakeTargets_; }
  void setQuakeTargets(std::int32_t bits) { quakeTargets_ = bits; }
  bool quaking() const { return quakeX_.on() || quakeY_.on(); }
  // Moves the shake to `now`; true when an offset changed or an axis stopped.
  bool advanceQuake(std::uint32_t now);

  bool motionBlur() const { return blur_; }
  std::int32_t motionBlurStrength() const { return blurStrength_; }
  void setMotionBlur(bool on, std::int32_t strength) {
    blur_ = on;
    blurStrength_ = strength & 0xFF;
  }

 private:
  std::array<std::array<float, 2>, kScreenAxisCount> values_{};
  std::int32_t index_ = 0;
  std::array<ScreenMotion, kScreenAxisCount> motions_{};
  std::int32_t quakeTargets_ = 0;
  QuakeAxis quakeX_, quakeY_;
  bool blur_ = false;
  std::int32_t blurStrength_ = 0;
};

}  // namespace tsuzuri::scene
