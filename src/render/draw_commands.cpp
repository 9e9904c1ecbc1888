#include "render/draw_commands.h"

namespace tsuzuri::render {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<DrawCommands> kCommands[] = {
    {"fresh", &DrawCommands::fresh},
    {"draw", &DrawCommands::draw},
    {"draw2", &DrawCommands::draw2},
    {"draw3", &DrawCommands::draw3},
};

}  // namespace

void DrawCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void DrawCommands::commit() {
  if (hooks_.commitAll) hooks_.commitAll();
}

void DrawCommands::fresh(CommandContext& /*c*/) {
  requestRedraw();
}

void DrawCommands::render(CommandContext& c) {
  renderer_.frame(0, 0, 0, 0);
  // A device that failed beyond recovery ends the run.
  if (renderer_.stopRequested()) c.endAction();
}

void DrawCommands::draw(CommandContext& c) {
  commit();
  if (!jumping()) render(c);
}

void DrawCommands::draw2(CommandContext& c) {
  const bool running = hooks_.running && hooks_.running();
  if (!running && pendingRedraws_ == 0) {
    // Nothing moves and nothing was asked for: a loop of draw2 idles.
    clock_.sleep(1);
    return;
  }
  commit();
  if (!jumping()) render(c);
  pendingRedraws_ = 0;
}

void DrawCommands::draw3(CommandContext& /*c*/) {
  commit();
}

}  // namespace tsuzuri::render
