#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "scene/motion_lists.h"
#include "scene/sprite_quakes.h"
#include "scene/sprite_table.h"

namespace tsuzuri::scene {

// The sprite motion commands: adding eased steps (sp_ax … sp_am), ending
// them (sp_ae …), asking whether anything moves (sp_alv), and the sprite
// shakes (sp_qx, sp_qy).
class MotionCommands {
 public:
  MotionCommands(SpriteTable& table, MotionLists& motions, SpriteQuakes& quakes,
                 platform::Clock& clock)
      : table_(table), motions_(motions), quakes_(quakes), clock_(clock) {}

  void registerWith(commands::CommandRegistry& registry);

  // Whether a slot plays a movie, for sp_alv (movies come in later).
  void setMovieTest(std::function<bool(std::int32_t)> test) { movieTest_ = std::move(test); }

  void sp_ax(commands::CommandContext& c);
  void sp_ay(commands::CommandContext& c);
  void sp_axy(commands::CommandContext& c);
  void sp_axya(commands::CommandContext& c);
  void sp_aa(commands::CommandContext& c);
  void sp_aw(commands::CommandContext& c);
  void sp_ah(commands::CommandContext& c);
  void sp_awh(commands::CommandContext& c);
  void sp_arx(commands::CommandContext& c);
  void sp_ary(commands::CommandContext& c);
  void sp_arz(commands::CommandContext& c);
  void sp_arxyz(commands::CommandContext& c);
  void sp_al(commands::CommandContext& c);
  void sp_ac(commands::CommandContext& c);
  void sp_am(commands::CommandContext& c);

  // Ends every motion of a slot's sprite, as sp_ae does.
  void endAll(std::int32_t slot);
  void sp_ae(commands::CommandContext& c);
  void sp_aex(commands::CommandContext& c);
  void sp_aey(commands::CommandContext& c);
  void sp_aexy(commands::CommandContext& c);
  void sp_aew(commands::CommandContext& c);
  void sp_aeh(commands::CommandContext& c);
  void sp_aewh(commands::CommandContext& c);
  void sp_aerx(commands::CommandContext& c);
  void sp_aery(commands::CommandContext& c);
  void sp_aerz(commands::CommandContext& c);
  void sp_aerxyz(commands::CommandContext& c);
  void sp_aea(commands::CommandContext& c);
  void sp_ael(commands::CommandContext& c);
  void sp_aec(commands::CommandContext& c);
  void sp_aem(commands::CommandContext& c);
  void sp_aes(commands::CommandContext& c);

  void sp_alv(commands::CommandContext& c);
  void sp_qx(commands::CommandContext& c);
  void sp_qy(commands::CommandContext& c);

 private:
  // One list's target, already in the list's units.
  struct Target {
    int list;
    std::int32_t value;
    std::int32_t extra = 0;
  };
  // Adds one step per target, all with the timing of the arguments from
  // `timing` on (duration, easing, mode word); by default those that
  // follow one argument per target.
  void addSteps(commands::CommandContext& c, std::initializer_list<Target> targets, int timing = 0);
  // The slot argument, when it is valid and holds a sprite (else reported).
  bool spriteArgument(commands::CommandContext& c, std::int32_t& slot);
  void endLists(commands::CommandContext& c, std::int32_t bits);
  void quake(commands::CommandContext& c, bool yAxis);

  SpriteTable& table_;
  MotionLists& motions_;
  SpriteQuakes& quakes_;
  platform::Clock& clock_;
  std::function<bool(std::int32_t)> movieTest_;
};

}  // namespace tsuzuri::scene
