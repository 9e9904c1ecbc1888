#pragma once

#include <cstdint>
#include <initializer_list>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "platform/platform.h"
#include "scene/screen_state.h"
#include "scene/sprite_table.h"

namespace tsuzuri::scene {

// The screen commands: scroll and zoom (sc_x … sc_wh), the screen shake
// (sc_qx, sc_qy) and the motion-blur switch (sc_mb).
class ScreenCommands {
 public:
  ScreenCommands(SpriteTable& table, ScreenState& screen, platform::Clock& clock)
      : table_(table), screen_(screen), clock_(clock) {}

  void registerWith(commands::CommandRegistry& registry);

  void sc_x(commands::CommandContext& c);
  void sc_y(commands::CommandContext& c);
  void sc_xy(commands::CommandContext& c);
  void sc_w(commands::CommandContext& c);
  void sc_h(commands::CommandContext& c);
  void sc_wh(commands::CommandContext& c);
  void sc_qx(commands::CommandContext& c);
  void sc_qy(commands::CommandContext& c);
  void sc_mb(commands::CommandContext& c);

  // Marks sprites changed (pending and dirty), so that the next commit
  // shows them with the screen values: only screen-layer sprites outside
  // the window layer, or every sprite.
  void markChanged(bool everySprite);

 private:
  // Moves the axes to the targets in arguments 1.., with the duration,
  // easing and delay that follow them.
  void move(commands::CommandContext& c, std::initializer_list<int> axes);
  void quake(commands::CommandContext& c, bool yAxis);

  SpriteTable& table_;
  ScreenState& screen_;
  platform::Clock& clock_;
};

}  // namespace tsuzuri::scene
