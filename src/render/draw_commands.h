#pragma once

#include <cstdint>
#include <functional>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "platform/platform.h"
#include "render/renderer.h"

namespace tsuzuri::render {

// What the draw commands ask of the scene, which installs them.
struct SceneHooks {
  // Makes every pending sprite change the one shown.
  std::function<void()> commitAll;
  // Whether anything time-dependent runs: motions, quakes, effects, movies.
  std::function<bool()> running;
  // Jump mode (fast-forward): changes are committed, nothing is drawn.
  std::function<bool()> jumpMode;
};

// fresh, draw, draw2 and draw3.
class DrawCommands {
 public:
  DrawCommands(Renderer& renderer, platform::Clock& clock) : renderer_(renderer), clock_(clock) {}

  void setSceneHooks(SceneHooks hooks) { hooks_ = std::move(hooks); }
  void registerWith(commands::CommandRegistry& registry);

  // A redraw request, as fresh makes: the next draw2 renders a frame.
  void requestRedraw() { ++pendingRedraws_; }
  std::int32_t pendingRedraws() const { return pendingRedraws_; }

  void fresh(commands::CommandContext& c);
  void draw(commands::CommandContext& c);
  void draw2(commands::CommandContext& c);
  void draw3(commands::CommandContext& c);

 private:
  void commit();
  void render(commands::CommandContext& c);
  bool jumping() const { return hooks_.jumpMode && hooks_.jumpMode(); }

  Renderer& renderer_;
  platform::Clock& clock_;
  SceneHooks hooks_;
  std::int32_t pendingRedraws_ = 0;
};

}  // namespace tsuzuri::render
