#include <array>
#include <cmath>
#include <initializer_list>
#include <string>

#include "scene/sprite_commands.h"
#include "util/sjis.h"

namespace tsuzuri::scene {

using commands::CommandContext;

std::int32_t SpriteCommands::setProperty(CommandContext& c,
                                         const std::function<void(SpriteRecord&)>& apply) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return -1;
  SpriteRecord* front = table_.front(slot);
  SpriteRecord* back = table_.back(slot);
  if (front == nullptr || back == nullptr) {
    reportEmpty(slot);
    return -1;
  }
  SpriteSlot& s = table_.slot(slot);
  apply(*back);
  if ((s.pending & kPendingWriteThrough) != 0) apply(*front);
  s.pending |= kPendingChanged;
  return slot;
}

void SpriteCommands::setAnimated(CommandContext& c, int list, std::int32_t target,
                                 const std::function<void(SpriteRecord&)>& apply) {
  const std::int32_t slot = setProperty(c, apply);
  if (slot >= 0) motions_.retarget(list, slot, target);
}

void SpriteCommands::setGeometry(CommandContext& c, std::initializer_list<GeometryField> fields) {
  // Arguments 2, 3, 4 in the order of the fields, each divided by its
  // field's divisor (100 for percent, -1 for the negated Z angle).
  std::array<float, 3> arguments{};
  int argument = 2;
  for (std::size_t i = 0; i < fields.size(); ++i) arguments[i] = c.floatValue(argument++);
  const std::int32_t slot = setProperty(c, [&fields, &arguments](SpriteRecord& r) {
    std::size_t i = 0;
    for (const GeometryField& f : fields) {
      r.*(f.field) = arguments[i++] / f.divisor;
    }
    r.dirty = true;
  });
  if (slot < 0) return;
  // A running motion now ends at the value set, in its units: pixels,
  // percent, degrees (Z negated as stored).
  std::size_t i = 0;
  for (const GeometryField& f : fields) {
    const float value = arguments[i++];
    motions_.retarget(f.list, slot, static_cast<std::int32_t>(f.divisor < 0 ? -value : value));
  }
}

void SpriteCommands::sp_x(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::x, kMotionX}});
  table_.spriteMoved(c.integer(1));
}

void SpriteCommands::sp_y(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::y, kMotionY}});
  table_.spriteMoved(c.integer(1));
}

void SpriteCommands::sp_xy(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::x, kMotionX}, {&SpriteRecord::y, kMotionY}});
  table_.spriteMoved(c.integer(1));
}

void SpriteCommands::sp_w(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::scaleX, kMotionW, 100}});
}

void SpriteCommands::sp_h(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::scaleY, kMotionH, 100}});
}

void SpriteCommands::sp_wh(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::scaleX, kMotionW, 100}, {&SpriteRecord::scaleY, kMotionH, 100}});
}

void SpriteCommands::sp_rx(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::rotX, kMotionRotX}});
}

void SpriteCommands::sp_ry(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::rotY, kMotionRotY}});
}

// The Z angle is stored negated, as the Z motions store it: a positive
// angle in a script turns the sprite clockwise on screen.
void SpriteCommands::sp_rz(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::rotZ, kMotionRotZ, -1}});
}

void SpriteCommands::sp_rxyz(CommandContext& c) {
  setGeometry(c, {{&SpriteRecord::rotX, kMotionRotX},
                  {&SpriteRecord::rotY, kMotionRotY},
                  {&SpriteRecord::rotZ, kMotionRotZ, -1}});
}

void SpriteCommands::sp_a(CommandContext& c) {
  const std::int32_t alpha = c.integer(2) & 0xFF;
  setAnimated(c, kMotionAlpha, alpha, [alpha](SpriteRecord& r) {
    r.alpha = alpha;
    setVertexAlpha(r, alpha);
  });
}

void SpriteCommands::sp_b(CommandContext& c) {
  const std::int32_t blend = c.integer(2);
  setProperty(c, [blend](SpriteRecord& r) { r.blend = blend; });
}

void SpriteCommands::sp_c(CommandContext& c) {
  const std::int32_t mode = c.integer(2);
  const std::int32_t colour = c.integer(3);
  setAnimated(c, kMotionColour, colour, [mode, colour](SpriteRecord& r) {
    r.colourMode = mode;
    r.colour = colour;
  });
}

void SpriteCommands::sp_l(CommandContext& c) {
  const std::int32_t cell = c.integer(2);
  setAnimated(c, kMotionCell, cell, [cell](SpriteRecord& r) {
    if (r.cellLayout == 0) return;
    r.cell = cell;
    selectCell(r.tiles, r.cellLayout, cell);
  });
}

void SpriteCommands::sp_cxy(CommandContext& c) {
  const std::int32_t anchorX = c.integer(2);
  const std::int32_t anchorY = c.integer(3);
  setProperty(c, [anchorX, anchorY](SpriteRecord& r) {
    r.anchorX = anchorX;
    r.anchorY = anchorY;
    if (r.tiles.tileCount > 0 && r.tiles.texW > 0 && r.tiles.texH > 0) {
      placeQuads(r.tiles, r.imageW, r.imageH, r.cellLayout, anchorX, anchorY);
      if (r.cellLayout != 0) selectCell(r.tiles, r.cellLayout, r.cell);
      setVertexAlpha(r, r.alpha);
    }
    r.dirty = true;
  });
}

void SpriteCommands::sp_g(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  const std::int32_t layer = c.integer(2);
  if (table_.front(slot) == nullptr) {
    reportEmpty(slot);
    return;
  }
  // A layer is another sprite's texture; a sprite cannot be drawn into
  // its own.
  if (layer != 0 && (!SpriteTable::validSlot(layer) || layer == slot ||
                     (table_.front(layer) == nullptr && table_.back(layer) == nullptr))) {
    reportEmpty(layer);
    return;
  }
  if (!table_.registeredLayer(slot)) {
    reportBadOrder(slot);
    return;
  }
  for (SpriteRecord* r : {table_.front(slot), table_.back(slot)}) {
    if (r == nullptr) continue;
    r->layer = layer;
    r->dirty = true;
  }
  table_.registerInLayer(slot, layer);
}

void SpriteCommands::sp_o(CommandContext& c) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  if (table_.front(slot) == nullptr) {
    reportEmpty(slot);
    return;
  }
  if (!table_.reorder(slot, c.integer(2))) reportBadOrder(slot);
}

void SpriteCommands::setEffect(CommandContext& c, int index, std::int32_t value) {
  std::int32_t slot = 0;
  if (!slotArgument(c, slot)) return;
  table_.slot(slot).effects[static_cast<std::size_t>(index)] = value;
}

void SpriteCommands::sp_neg(CommandContext& c) {
  setEffect(c, kEffectNegative, c.doubleValue(2) != 0 ? 1 : 0);
}

void SpriteCommands::sp_gray(CommandContext& c) {
  setEffect(c, kEffectGrey, c.doubleValue(2) != 0 ? 1 : 0);
}

void SpriteCommands::sp_rot(CommandContext& c) {
  const std::int32_t kind = c.integer(2);
  setEffect(c, kEffectRotate, kind >= 1 && kind <= 3 ? kind : 0);
}

void SpriteCommands::sp_bc(CommandContext& c) {
  setEffect(c, kEffectBrightnessContrast,
            static_cast<std::int32_t>((static_cast<std::uint32_t>(c.integer(2)) << 8) |
                                      (static_cast<std::uint32_t>(c.integer(3)) & 0xFF)));
}

namespace {

std::int32_t packThree(std::int32_t high, std::int32_t middle, std::int32_t low) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(high) << 16) |
                                   ((static_cast<std::uint32_t>(middle) & 0xFF) << 8) |
                                   (static_cast<std::uint32_t>(low) & 0xFF));
}

std::int32_t packTwo(std::int32_t high, std::int32_t low) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(high) << 16) |
                                   static_cast<std::uint32_t>(low));
}

}  // namespace

void SpriteCommands::sp_color(CommandContext& c) {
  setEffect(c, kEffectColour, packThree(c.integer(2), c.integer(3), c.integer(4)));
}

void SpriteCommands::sp_hsl(CommandContext& c) {
  setEffect(c, kEffectHsl, packThree(c.integer(2), c.integer(3), c.integer(4)));
}

void SpriteCommands::sp_blur(CommandContext& c) {
  setEffect(c, kEffectBlur, packTwo(c.integer(2), c.integer(3)));
}

void SpriteCommands::sp_mosaic(CommandContext& c) {
  setEffect(c, kEffectMosaic, packTwo(c.integer(2), c.integer(3)));
}

}  // namespace tsuzuri::scene
