#pragma once

#include <cstdint>
#include <set>

#include "scene/quake.h"
#include "scene/sprite_table.h"

namespace tsuzuri::scene {

// The slots that shake (sp_qx, sp_qy) and their per-frame waveforms.
class SpriteQuakes {
 public:
  explicit SpriteQuakes(SpriteTable& table) : table_(table) {
    table_.addDeletionListener([this](std::int32_t slot) { slots_.erase(slot); });
  }

  // Starts (or, with amplitude 0, a period below 10 or a counted shake in
  // jump mode, stops) one axis of a slot's shake; `delay` ms from `now`.
  // The slot must hold a sprite.
  void start(std::int32_t slot, bool yAxis, std::int32_t amplitude, std::int32_t period,
             std::int32_t count, std::int32_t easing, std::int32_t mode, std::int32_t delay,
             std::uint32_t now);

  void advance(std::uint32_t now);
  // The set itself, for a saved game: the axes stay as the slots hold them.
  void add(std::int32_t slot) { slots_.insert(slot); }
  void clear() { slots_.clear(); }
  bool running() const { return !slots_.empty(); }
  const std::set<std::int32_t>& slots() const { return slots_; }

 private:
  SpriteTable& table_;
  std::set<std::int32_t> slots_;
};

}  // namespace tsuzuri::scene
