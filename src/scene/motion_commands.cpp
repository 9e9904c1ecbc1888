#include "scene/motion_commands.h"

#include <algorithm>
#include <string>

#include "util/sjis.h"

namespace tsuzuri::scene {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<MotionCommands> kCommands[] = {
    {"sp_ax", &MotionCommands::sp_ax},     {"sp_ay", &MotionCommands::sp_ay},
    {"sp_axy", &MotionCommands::sp_axy},   {"sp_axya", &MotionCommands::sp_axya},
    {"sp_aa", &MotionCommands::sp_aa},     {"sp_aw", &MotionCommands::sp_aw},
    {"sp_ah", &MotionCommands::sp_ah},     {"sp_awh", &MotionCommands::sp_awh},
    {"sp_arx", &MotionCommands::sp_arx},   {"sp_ary", &MotionCommands::sp_ary},
    {"sp_arz", &MotionCommands::sp_arz},   {"sp_arxyz", &MotionCommands::sp_arxyz},
    {"sp_al", &MotionCommands::sp_al},     {"sp_ac", &MotionCommands::sp_ac},
    {"sp_am", &MotionCommands::sp_am},     {"sp_ae", &MotionCommands::sp_ae},
    {"sp_aex", &MotionCommands::sp_aex},   {"sp_aey", &MotionCommands::sp_aey},
    {"sp_aexy", &MotionCommands::sp_aexy}, {"sp_aew", &MotionCommands::sp_aew},
    {"sp_aeh", &MotionCommands::sp_aeh},   {"sp_aewh", &MotionCommands::sp_aewh},
    {"sp_aerx", &MotionCommands::sp_aerx}, {"sp_aery", &MotionCommands::sp_aery},
    {"sp_aerz", &MotionCommands::sp_aerz}, {"sp_aerxyz", &MotionCommands::sp_aerxyz},
    {"sp_aea", &MotionCommands::sp_aea},   {"sp_ael", &MotionCommands::sp_ael},
    {"sp_aec", &MotionCommands::sp_aec},   {"sp_aem", &MotionCommands::sp_aem},
    {"sp_aes", &MotionCommands::sp_aes},   {"sp_alv", &MotionCommands::sp_alv},
    {"sp_qx", &MotionCommands::sp_qx},     {"sp_qy", &MotionCommands::sp_qy},
};

}  // namespace

void MotionCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

bool MotionCommands::spriteArgument(CommandContext& c, std::int32_t& slot) {
  slot = c.integer(1);
  std::u8string_view problem;
  if (!SpriteTable::validSlot(slot)) {
    problem = u8" スプライト番号が不正です";
  } else if (table_.front(slot) == nullptr) {
    problem = u8" 画像が読み込まれていません";
  } else {
    return true;
  }
  table_.errors().reportWithContext(std::to_string(slot) + util::toSjis(problem));
  return false;
}

void MotionCommands::addSteps(CommandContext& c, std::initializer_list<Target> targets,
                              int timing) {
  std::int32_t slot = 0;
  if (!spriteArgument(c, slot)) return;
  if (timing == 0) timing = 2 + static_cast<int>(targets.size());
  // ORing in 2 keeps every step at least 2 ms long (0 → 2, 1000 → 1002).
  const std::int32_t duration = c.integer(timing) | 2;
  const std::int32_t easing = c.integer(timing + 1);
  const std::int32_t mode = c.integer(timing + 2);
  for (const Target& t : targets) {
    motions_.add(t.list, slot, t.value, duration, easing, mode, t.extra);
  }
}

void MotionCommands::sp_ax(CommandContext& c) {
  addSteps(c, {{kMotionX, c.integer(2)}});
  table_.spriteMoved(c.integer(1));
}

void MotionCommands::sp_ay(CommandContext& c) {
  addSteps(c, {{kMotionY, c.integer(2)}});
  table_.spriteMoved(c.integer(1));
}

void MotionCommands::sp_axy(CommandContext& c) {
  addSteps(c, {{kMotionX, c.integer(2)}, {kMotionY, c.integer(3)}});
  table_.spriteMoved(c.integer(1));
}

void MotionCommands::sp_axya(CommandContext& c) {
  addSteps(
      c, {{kMotionX, c.integer(2)}, {kMotionY, c.integer(3)}, {kMotionAlpha, c.integer(4) & 0xFF}});
}

void MotionCommands::sp_aa(CommandContext& c) {
  addSteps(c, {{kMotionAlpha, c.integer(2) & 0xFF}});
}

void MotionCommands::sp_aw(CommandContext& c) {
  addSteps(c, {{kMotionW, c.integer(2)}});
}

void MotionCommands::sp_ah(CommandContext& c) {
  addSteps(c, {{kMotionH, c.integer(2)}});
}

void MotionCommands::sp_awh(CommandContext& c) {
  addSteps(c, {{kMotionW, c.integer(2)}, {kMotionH, c.integer(3)}});
}

void MotionCommands::sp_arx(CommandContext& c) {
  addSteps(c, {{kMotionRotX, c.integer(2)}});
}

void MotionCommands::sp_ary(CommandContext& c) {
  addSteps(c, {{kMotionRotY, c.integer(2)}});
}

// Z angles are stored negated, as sp_rz stores them: a positive angle turns
// the sprite clockwise on screen.
void MotionCommands::sp_arz(CommandContext& c) {
  addSteps(c, {{kMotionRotZ, -c.integer(2)}});
}

void MotionCommands::sp_arxyz(CommandContext& c) {
  addSteps(
      c, {{kMotionRotX, c.integer(2)}, {kMotionRotY, c.integer(3)}, {kMotionRotZ, -c.integer(4)}});
}

void MotionCommands::sp_al(CommandContext& c) {
  addSteps(c, {{kMotionCell, c.integer(2) & 0xFF}});
}

void MotionCommands::sp_ac(CommandContext& c) {
  addSteps(c, {{kMotionColour, c.integer(2) & 0xFFFFFF}});
}

void MotionCommands::sp_am(CommandContext& c) {
  addSteps(c, {{kMotionMask, c.integer(3) & 0x3FF, c.integer(2) & 0xFF}}, 4);
}

void MotionCommands::endLists(CommandContext& c, std::int32_t bits) {
  std::int32_t slot = 0;
  if (!spriteArgument(c, slot)) return;
  SpriteSlot& s = table_.slot(slot);
  const bool switching = s.switching != 0;
  motions_.end(slot, bits, false);
  if ((bits & motionBit(kMotionSwitch)) != 0 && switching &&
      (s.motionActive & motionBit(kMotionSwitch)) == 0) {
    // The new picture is in the back record; the next commit shows it.
    s.switching = 0;
    table_.releaseImage(*table_.front(slot));
  }
}

void MotionCommands::sp_ae(CommandContext& c) {
  std::int32_t slot = 0;
  if (spriteArgument(c, slot)) endAll(slot);
}

void MotionCommands::endAll(std::int32_t slot) {
  motions_.end(slot, kAllMotionBits, true);
  SpriteSlot& s = table_.slot(slot);
  s.motionActive = 0;
  if (s.switching != 0) {
    s.switching = 0;
    table_.releaseImage(*table_.front(slot));
    if (table_.back(slot) != nullptr) s.frontIndex ^= 1;
    s.pending = 0;
  }
}

void MotionCommands::sp_aex(CommandContext& c) {
  endLists(c, motionBit(kMotionX));
}

void MotionCommands::sp_aey(CommandContext& c) {
  endLists(c, motionBit(kMotionY));
}

void MotionCommands::sp_aexy(CommandContext& c) {
  endLists(c, motionBit(kMotionX) | motionBit(kMotionY));
}

void MotionCommands::sp_aew(CommandContext& c) {
  endLists(c, motionBit(kMotionW));
}

void MotionCommands::sp_aeh(CommandContext& c) {
  endLists(c, motionBit(kMotionH));
}

void MotionCommands::sp_aewh(CommandContext& c) {
  endLists(c, motionBit(kMotionW) | motionBit(kMotionH));
}

void MotionCommands::sp_aerx(CommandContext& c) {
  endLists(c, motionBit(kMotionRotX));
}

void MotionCommands::sp_aery(CommandContext& c) {
  endLists(c, motionBit(kMotionRotY));
}

void MotionCommands::sp_aerz(CommandContext& c) {
  endLists(c, motionBit(kMotionRotZ));
}

void MotionCommands::sp_aerxyz(CommandContext& c) {
  endLists(c, motionBit(kMotionRotX) | motionBit(kMotionRotY) | motionBit(kMotionRotZ));
}

void MotionCommands::sp_aea(CommandContext& c) {
  endLists(c, motionBit(kMotionAlpha));
}

void MotionCommands::sp_ael(CommandContext& c) {
  endLists(c, motionBit(kMotionCell));
}

void MotionCommands::sp_aec(CommandContext& c) {
  endLists(c, motionBit(kMotionColour));
}

void MotionCommands::sp_aem(CommandContext& c) {
  endLists(c, motionBit(kMotionMask));
}

void MotionCommands::sp_aes(CommandContext& c) {
  endLists(c, motionBit(kMotionSwitch));
}

void MotionCommands::sp_alv(CommandContext& c) {
  const std::int32_t first = std::max(c.integer(1), 0);
  const std::int32_t last = std::min(c.integer(2), kSlotCount - 1);
  std::int32_t result = 0;
  for (std::int32_t slot = first; slot <= last; ++slot) {
    if (movieTest_ && movieTest_(slot)) result |= 1;
    result |= table_.slot(slot).motionActive;
  }
  c.setIntegerResult(3, result);
}

void MotionCommands::quake(CommandContext& c, bool yAxis) {
  std::int32_t slot = 0;
  if (!spriteArgument(c, slot)) return;
  quakes_.start(slot, yAxis, c.integer(2), c.integer(3), c.integer(4), c.integer(5), c.integer(6),
                c.integer(7), clock_.now());
}

void MotionCommands::sp_qx(CommandContext& c) {
  quake(c, false);
}

void MotionCommands::sp_qy(CommandContext& c) {
  quake(c, true);
}

}  // namespace tsuzuri::scene
