#pragma once

#include <cstdint>
#include <optional>

namespace tsuzuri::core {

// --auto-click: presses Return for an unattended run once the game has sat
// quiet for a while, so that a play-through without an input script still
// gets past every click wait. The event wait tells it about each poll and
// asks whether the key is due; posting the key is the caller's.
class AutoClick {
 public:
  // `interval`: how long the game must be quiet before Return is pressed (ms).
  explicit AutoClick(std::uint32_t interval) : interval_(interval) {}

  // One poll of the event wait at clock `now`; `somethingHappened` when it
  // took a message. The quiet time begins at the first quiet poll (after
  // activity, a press, or at the start), so anything the game does puts
  // the press off.
  void poll(std::uint32_t now, bool somethingHappened);

  // Whether Return is to be pressed now: the clock is `interval` or more
  // past the beginning of the quiet time. A true answer counts as the
  // press: the next quiet poll begins a new quiet time.
  bool due(std::uint32_t now);

 private:
  std::uint32_t interval_;
  std::optional<std::uint32_t> quietSince_;
};

}  // namespace tsuzuri::core
