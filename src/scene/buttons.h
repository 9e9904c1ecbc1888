#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "scene/motion_lists.h"
#include "scene/sprite_table.h"

namespace tsuzuri::scene {

// Arrow keys a button may handle itself, and the directions focus moves in.
inline constexpr std::int32_t kKeyFlagUp = 1;
inline constexpr std::int32_t kKeyFlagDown = 2;
inline constexpr std::int32_t kKeyFlagLeft = 4;
inline constexpr std::int32_t kKeyFlagRight = 8;
enum class Direction : std::uint8_t { kUp, kDown, kLeft, kRight };

// A numbered button: a sprite (hit by its rectangle, and by the alpha of
// its pixels when a threshold is set) or a plain rectangle (slot -1).
struct ButtonRecord {
  std::int32_t number = 0;
  std::int32_t alphaThreshold = 0;  // 0: the rectangle alone decides
  std::int32_t keyFlags = 0;
  std::int32_t extra = 0;
  std::int32_t slot = -1;
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // right, bottom exclusive
  std::int32_t centreX = 0, centreY = 0;
  std::string tooltip;
};

// The buttons, the map from sprite slots to the buttons tested (a
// rectangle button under -1), and the focused and pressed buttons.
class ButtonTable {
 public:
  ButtonTable(SpriteTable& table, const MotionLists& motions);

  // setBtn: false when the slot shows no picture (the caller reports).
  bool setSprite(std::int32_t number, std::int32_t slot, std::int32_t flags);
  void setRect(std::int32_t number, std::int32_t left, std::int32_t right, std::int32_t top,
               std::int32_t bottom);
  // The slot of a button whose sprite is on screen and staying, else -1.
  std::int32_t slotOf(std::int32_t number) const;
  // False when the button's slot is not in the map.
  bool setTooltip(std::int32_t number, std::string_view text);
  // False when the slot is not in the map.
  bool erase(std::int32_t slot);
  void clear() { map_.clear(); }
  // A sprite moved: its button's rectangle follows.
  void spriteMoved(std::int32_t slot);

  const std::map<std::int32_t, std::int32_t>& map() const { return map_; }
  const ButtonRecord* record(std::int32_t number) const;
  bool empty() const { return map_.empty(); }

  // The sprite button under a game-screen point, in map order; window-layer
  // sprites only count while `windowShown`. -1 when none.
  std::int32_t hit(std::int32_t x, std::int32_t y, bool windowShown) const;
  // Where focus goes from the focused button (or from a 20 × 20 box at the
  // cursor when none is): the nearest button that way, else the farthest
  // one to wrap to; nullopt when focus stays.
  std::optional<std::int32_t> nextFocus(Direction direction, std::int32_t cursorX,
                                        std::int32_t cursorY) const;

  std::int32_t focused = -1;
  std::int32_t pressed = -1;

 private:
  // The rectangle from the record that will be on screen.
  void place(ButtonRecord& button) const;
  bool pixelHit(const ButtonRecord& button, const SpriteRecord& record, std::int32_t x,
                std::int32_t y) const;

  SpriteTable& table_;
  const MotionLists& motions_;
  std::map<std::int32_t, ButtonRecord> buttons_;
  std::map<std::int32_t, std::int32_t> map_;
};

}  // namespace tsuzuri::scene
