#include "scene/buttons.h"

#include <cmath>

#include "assets/image_buffer.h"
#include "scene/tile_layout.h"

namespace tsuzuri::scene {

namespace {

struct Box {
  std::int32_t left, top, right, bottom;
};

Box boxOf(const ButtonRecord& b) {
  return {b.left, b.top, b.right, b.bottom};
}

}  // namespace

ButtonTable::ButtonTable(SpriteTable& table, const MotionLists& motions)
    : table_(table), motions_(motions) {
  table_.addDeletionListener([this](std::int32_t slot) { map_.erase(slot); });
}

const ButtonRecord* ButtonTable::record(std::int32_t number) const {
  const auto it = buttons_.find(number);
  return it == buttons_.end() ? nullptr : &it->second;
}

void ButtonTable::place(ButtonRecord& button) const {
  const SpriteSlot& s = table_.slot(button.slot);
  const SpriteRecord* r = (s.pending & kPendingNewImage) != 0 && table_.back(button.slot) != nullptr
                              ? table_.back(button.slot)
                              : table_.front(button.slot);
  if (r == nullptr) return;
  // A position that is still moving counts where the motion ends.
  const std::int32_t x =
      motions_.lastTarget(kMotionX, button.slot).value_or(static_cast<std::int32_t>(r->x));
  const std::int32_t y =
      motions_.lastTarget(kMotionY, button.slot).value_or(static_cast<std::int32_t>(r->y));
  std::int32_t w = r->cellW();
  std::int32_t h = r->cellH();
  if (r->resolutionClass == 2) {
    const double scale = table_.screen().assetScale;
    w = static_cast<std::int32_t>(w / scale + 0.5);
    h = static_cast<std::int32_t>(h / scale + 0.5);
  }
  std::int32_t layerX = 0;
  std::int32_t layerY = 0;
  if (r->layer != 0) {
    if (const SpriteRecord* layer = table_.front(r->layer)) {
      layerX = static_cast<std::int32_t>(layer->x) - ((layer->anchorX * layer->cellW()) >> 1);
      layerY = static_cast<std::int32_t>(layer->y) - ((layer->anchorY * layer->cellH()) >> 1);
    }
  }
  button.left = x + layerX - ((w * r->anchorX) >> 1);
  button.right = button.left + w;
  button.centreX = button.left + (w >> 1);
  button.top = y + layerY - ((h * r->anchorY) >> 1);
  button.bottom = button.top + h;
  button.centreY = button.top + (h >> 1);
}

bool ButtonTable::setSprite(std::int32_t number, std::int32_t slot, std::int32_t flags) {
  if (slot < 0 || slot >= kSlotCount) return false;
  const SpriteSlot& s = table_.slot(slot);
  const SpriteRecord* shown =
      (s.pending & kPendingNewImage) != 0 ? table_.back(slot) : table_.front(slot);
  if (shown == nullptr) return false;
  ButtonRecord& b = buttons_[number];
  b = ButtonRecord{};
  b.number = number;
  b.alphaThreshold = flags & 0xFF;
  b.keyFlags = (flags >> 8) & 0xF;
  b.extra = (flags >> 12) & 0xF;
  b.slot = slot;
  place(b);
  map_[slot] = number;
  return true;
}

void ButtonTable::setRect(std::int32_t number, std::int32_t left, std::int32_t right,
                          std::int32_t top, std::int32_t bottom) {
  ButtonRecord& b = buttons_[number];
  b = ButtonRecord{};
  b.number = number;
  b.left = left;
  b.right = right;
  b.top = top;
  b.bottom = bottom;
  b.centreX = left + ((right - left) >> 1);
  b.centreY = top + ((bottom - top) >> 1);
  map_[-1] = number;
}

std::int32_t ButtonTable::slotOf(std::int32_t number) const {
  const ButtonRecord* b = record(number);
  if (b == nullptr || b->slot < 0 || b->slot >= kSlotCount) return -1;
  const SpriteSlot& s = table_.slot(b->slot);
  if (table_.front(b->slot) == nullptr || s.autoDelete != 0 || (s.pending & kPendingDelete) != 0) {
    return -1;
  }
  return b->slot;
}

bool ButtonTable::setTooltip(std::int32_t number, std::string_view text) {
  auto it = buttons_.find(number);
  if (it == buttons_.end() || !map_.contains(it->second.slot)) return false;
  it->second.tooltip.assign(text.substr(0, 255));
  return true;
}

bool ButtonTable::erase(std::int32_t slot) {
  return map_.erase(slot) != 0;
}

void ButtonTable::spriteMoved(std::int32_t slot) {
  const auto it = map_.find(slot);
  if (it == map_.end() || slot < 0) return;
  const auto button = buttons_.find(it->second);
  if (button != buttons_.end()) place(button->second);
}

bool ButtonTable::pixelHit(const ButtonRecord& button, const SpriteRecord& record, std::int32_t x,
                           std::int32_t y) const {
  assets::ImageBuffer* pixels = record.pixels.get();
  if (pixels == nullptr || pixels->depth != 32) return true;
  std::int32_t px = x - button.left;
  std::int32_t py = y - button.top;
  if (record.resolutionClass == 2) {
    px = static_cast<std::int32_t>(px * table_.screen().assetScale);
    py = static_cast<std::int32_t>(py * table_.screen().assetScale);
  }
  const std::array<std::int32_t, 2> cell = cellPosition(record.cellLayout, record.cell);
  px += cell[0] * record.cellW();
  py += cell[1] * record.cellH();
  if (px < 0 || py < 0 || px >= pixels->width || py >= pixels->height) return false;
  return assets::pixelAt(*pixels, px, py)[3] >= button.alphaThreshold;
}

std::int32_t ButtonTable::hit(std::int32_t x, std::int32_t y, bool windowShown) const {
  for (const auto& [slot, number] : map_) {
    if (slot < 0) continue;
    const ButtonRecord* b = record(number);
    const SpriteRecord* r = table_.front(slot);
    // A number set again for another slot leaves its old entry behind.
    if (b == nullptr || b->slot != slot || r == nullptr || r->alpha == 0) continue;
    if ((r->flags & kFlagWindowLayer) != 0 && !windowShown) continue;
    if (x < b->left || x >= b->right || y < b->top || y >= b->bottom) continue;
    if (b->alphaThreshold != 0 && !pixelHit(*b, *r, x, y)) continue;
    return number;
  }
  return -1;
}

std::optional<std::int32_t> ButtonTable::nextFocus(Direction direction, std::int32_t cursorX,
                                                   std::int32_t cursorY) const {
  const ButtonRecord* current = record(focused);
  const Box box = current != nullptr && map_.contains(current->slot)
                      ? boxOf(*current)
                      : Box{cursorX - 10, cursorY - 10, cursorX + 10, cursorY + 10};
  const bool vertical = direction == Direction::kUp || direction == Direction::kDown;
  for (const bool needOverlap : {true, false}) {
    std::optional<std::int32_t> near, wrap;
    std::int32_t nearDistance = 0, wrapDistance = 0;
    for (const auto& [slot, number] : map_) {
      const ButtonRecord* b = record(number);
      if (b == nullptr || b->slot != slot || number == focused) continue;
      const bool overlaps = vertical ? b->left < box.right && box.left < b->right
                                     : b->top < box.bottom && box.top < b->bottom;
      if (needOverlap && !overlaps) continue;
      // How far the button lies that way (near), or how far it reaches
      // beyond the other side (a wrap), along the axis of the move.
      const std::int32_t before = vertical ? box.top - b->top : box.left - b->left;
      const std::int32_t after = vertical ? b->bottom - box.bottom : b->right - box.right;
      const bool backward = direction == Direction::kUp || direction == Direction::kLeft;
      const std::int32_t ahead = backward ? before : after;
      const std::int32_t behind = backward ? after : before;
      if (ahead > 0) {
        if (!near || ahead < nearDistance) near = number, nearDistance = ahead;
      } else if (behind > 0) {
        if (!wrap || behind > wrapDistance) wrap = number, wrapDistance = behind;
      }
    }
    if (near) return near;
    if (wrap) return wrap;
    if (current != nullptr) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace tsuzuri::scene
