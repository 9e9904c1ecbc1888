#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "assets/image_buffer.h"
#include "platform/platform.h"
#include "scene/motion_step.h"
#include "scene/sprite_table.h"

namespace tsuzuri::scene {

// The twelve motion lists: per property, the slots that animate it and
// their steps. Motions write both records of a slot directly; they set no
// pending bits (but the delete flag, and the image switch, which owns the
// back record while it runs).
class MotionLists {
 public:
  MotionLists(SpriteTable& table, platform::Clock& clock);
  MotionLists(const MotionLists&) = delete;
  MotionLists& operator=(const MotionLists&) = delete;

  // Loads the picture of a delayed image switch into the slot's back
  // record, keeping the size of the one shown (as sp_st does).
  using SwitchLoader = std::function<bool(std::int32_t slot, const std::string& file)>;
  void setSwitchLoader(SwitchLoader loader) { switchLoader_ = std::move(loader); }

  // Adds a step toward `target` (in the list's units: pixels, percent,
  // degrees, alpha, cell, colour, progress) joining as the mode word says.
  // Reports on a bad slot, an empty slot or a join that needs a motion,
  // and then adds nothing.
  bool add(int list, std::int32_t slot, std::int32_t target, std::int32_t duration,
           std::int32_t easing, std::int32_t modeWord, std::int32_t extra = 0);
  // Appends a one-shot switch to `file` that starts `delay` ms from now and
  // runs `duration` ms, behind any switch already queued.
  void queueSwitch(std::int32_t slot, const std::string& file, std::int32_t duration,
                   std::int32_t delay);

  // One frame: every list in order, each slot in it by number.
  void advance(std::uint32_t now);

  // Ends the lists of `bits` now at their last targets. With `evenEndless`
  // false a list whose loop is still in its first endless pass is kept.
  void end(std::int32_t slot, std::int32_t bits, bool evenEndless);
  // Drops a list without applying it.
  void cancel(int list, std::int32_t slot);
  // A setter changed the property: a running motion now ends at `value`.
  void retarget(int list, std::int32_t slot, std::int32_t value);
  // The last target of the slot's list, when it has steps.
  std::optional<std::int32_t> lastTarget(int list, std::int32_t slot) const;
  const MotionTrack* track(int list, std::int32_t slot) const;

  // Whether any slot animates anything.
  bool running() const;
  // The slot was emptied: its lists go.
  void dropSlot(std::int32_t slot);
  // Every list of every slot goes, without applying them.
  void clear();
  // Puts a list back as a saved game holds it (an empty one is dropped).
  void restore(int list, std::int32_t slot, MotionTrack track);

  // Writes a value of a list's property into both records of the slot.
  void setValue(int list, std::int32_t slot, std::int32_t value, std::int32_t extra);
  // The record's current value in the list's units (truncated).
  static std::int32_t valueOf(int list, const SpriteRecord& record);

 private:
  using Tracks = std::map<std::int32_t, MotionTrack>;

  // Applies the current step at `elapsed`; true when it has ended.
  bool apply(int list, std::int32_t slot, MotionStep& step, std::int32_t elapsed);
  bool applySwitch(std::int32_t slot, MotionStep& step, std::int32_t elapsed);
  // Blends the two pictures of a switch on the processor into the shown
  // textures; false when a picture is missing.
  bool blendOnProcessor(SpriteRecord& front, const SpriteRecord& back, std::int32_t weight);
  void finishStep(int list, std::int32_t slot, MotionTrack& track, std::uint32_t now);
  void clearBit(int list, std::int32_t slot);
  void reportSlot(std::int32_t slot, std::u8string_view message);

  SpriteTable& table_;
  platform::Clock& clock_;
  SwitchLoader switchLoader_;
  std::array<Tracks, kMotionListCount> lists_;
  assets::ImagePtr blended_;
};

}  // namespace tsuzuri::scene
