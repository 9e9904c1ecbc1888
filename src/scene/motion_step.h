#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tsuzuri::scene {

// The twelve animatable properties, each with its own motion list. The
// order is the order the scene update advances them in.
enum MotionList : int {
  kMotionX,
  kMotionY,
  kMotionW,  // scaleX, in percent
  kMotionH,  // scaleY, in percent
  kMotionRotX,
  kMotionRotY,
  kMotionRotZ,  // degrees, negated as the setters store them
  kMotionAlpha,
  kMotionCell,
  kMotionColour,
  kMotionMask,    // progress (maskValue2), with the reverse switch as extra
  kMotionSwitch,  // the cross-fade of sp_st, 0..256
  kMotionListCount
};

constexpr std::int32_t motionBit(int list) {
  return 1 << list;
}
inline constexpr std::int32_t kAllMotionBits = (1 << kMotionListCount) - 1;

// Step flags (bits 4..7 of the add-mode word).
inline constexpr std::int32_t kStepOneShot = 0x1;       // removed from the list once done
inline constexpr std::int32_t kStepDeleteSprite = 0x2;  // the sprite goes when the motion ends

// One tween of a list.
struct MotionStep {
  std::uint32_t startTime = 0;
  std::int32_t stepFlags = 0;
  // Passes of the whole list still to play, kept on the current step:
  // 1 plays once more; 0 and below loop forever (counting down).
  std::int32_t passes = 0;
  std::int32_t startValue = 0;
  std::int32_t targetValue = 0;
  std::int32_t duration = 2;  // ms, never below 2
  std::int32_t easing = 0;
  // The mask list: the reverse switch to show. The switch list: 0 until
  // the switch has started, then 1.
  std::int32_t extra = 0;
  std::string fileName;  // the switch list: the picture switched to
};

// A slot's list of one property and its current step.
struct MotionTrack {
  std::vector<MotionStep> steps;
  std::size_t cursor = 0;

  bool empty() const { return steps.empty(); }
  MotionStep& current() { return steps[cursor]; }
  const MotionStep& current() const { return steps[cursor]; }
};

// The last argument of the adding commands: bits 0..3 how the step joins
// the list, bits 4..7 its step flags, bits 8..15 the passes (0: endless).
struct AddMode {
  std::int32_t join = 0;
  std::int32_t stepFlags = 0;
  std::int32_t passes = 0;

  static AddMode from(std::int32_t word) {
    return {word & 0xF, (word >> 4) & 0xF, (word >> 8) & 0xFF};
  }
};

// How a new step joins the list.
inline constexpr std::int32_t kJoinReplace = 0;      // drop the list, start from its end
inline constexpr std::int32_t kJoinQueue = 1;        // run after the steps there are
inline constexpr std::int32_t kJoinReplaceHere = 2;  // drop the list, start from here
inline constexpr std::int32_t kJoinAfterPass = 3;    // finish this pass, then run

}  // namespace tsuzuri::scene
