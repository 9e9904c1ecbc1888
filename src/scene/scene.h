#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "assets/image_cache.h"
#include "assets/image_ops_common.h"
#include "commands/command_registry.h"
#include "platform/platform.h"
#include "render/draw_commands.h"
#include "render/render_settings.h"
#include "render/renderer.h"
#include "scene/button_commands.h"
#include "scene/buttons.h"
#include "scene/composition.h"
#include "scene/effect_commands.h"
#include "scene/motion_commands.h"
#include "scene/motion_lists.h"
#include "scene/screen_commands.h"
#include "scene/screen_state.h"
#include "scene/sprite_commands.h"
#include "scene/sprite_quakes.h"
#include "scene/sprite_table.h"
#include "scene/transitions.h"
#include "script/console.h"
#include "script/error_sink.h"

namespace tsuzuri::scene {

// The image library's failure lines go to the script console.
class ConsoleImageOutput final : public assets::ImageConsole {
 public:
  explicit ConsoleImageOutput(script::Console& console) : console_(console) {}
  void print(std::string_view line) override { console_.write(line); }

 private:
  script::Console& console_;
};

// The sprite scene: the slots, their motions and shakes, the screen
// camera, their composition into every frame and their commands.
class Scene {
 public:
  Scene(render::Renderer& renderer, const render::RenderSettings& settings,
        assets::ImageLoader& loader, script::Console& console, script::ErrorSink& errors,
        platform::Clock& clock);
  ~Scene() { renderer_.setReleaseHook(nullptr); }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Composes and updates the frames (with transitions and motion blur),
  // commits for the draw commands, and registers the commands.
  void install(render::DrawCommands& draw, commands::CommandRegistry& registry);
  // The frame's update and kinds (composition, transitions, motion blur).
  void installFrames();
  // The sprite, motion, screen and transition commands.
  void registerCommands(commands::CommandRegistry& registry);

  // The once-per-frame update: the screen shake and camera motions, the
  // sprite shakes, due sound events and movie frames, then the motion
  // lists. Nothing moves while the window is inactive and the game asked
  // to pause then.
  void update();
  // Whether anything time-dependent runs (what draw2 tests).
  bool running() const;

  // The main window's system flags (bit 0: pause while inactive, bit 1:
  // active); the update is skipped while they are exactly 1.
  void setSystemFlagsSource(std::function<std::uint32_t()> source) {
    systemFlags_ = std::move(source);
  }
  // Later parts of a frame's update: timed sound events and movie frames,
  // each given the clock of the frame.
  void setSoundEventHook(std::function<void(std::uint32_t)> hook) {
    soundEvents_ = std::move(hook);
  }
  void setMovieFrameHook(std::function<void(std::uint32_t)> hook) {
    movieFrames_ = std::move(hook);
  }
  // Called first when the device goes (the message text's and the
  // tooltip's textures). The caller outlives the device or the scene.
  void addReleaseHook(std::function<void()> hook) { releaseHooks_.push_back(std::move(hook)); }
  // What else runs in time (movies, screen effects), for draw2.
  void setRunningTest(std::function<bool()> test) { otherRunning_ = std::move(test); }

  SpriteTable& sprites() { return table_; }
  Composer& composer() { return composer_; }
  SpriteCommands& commands() { return commands_; }
  MotionLists& motions() { return motions_; }
  SpriteQuakes& quakes() { return quakes_; }
  ScreenState& screen() { return screen_; }
  MotionCommands& motionCommands() { return motionCommands_; }
  ScreenCommands& screenCommands() { return screenCommands_; }
  Transitions& transitions() { return transitions_; }
  EffectCommands& effects() { return effectCommands_; }
  ButtonTable& buttons() { return buttons_; }

 private:
  // The screen layer's records after the camera or the shake moved.
  void markScreenDirty();

  render::Renderer& renderer_;
  platform::Clock& clock_;
  ConsoleImageOutput imageOutput_;
  SpriteTable table_;
  ScreenState screen_;
  MotionLists motions_;
  SpriteQuakes quakes_;
  Composer composer_;
  Transitions transitions_;
  SpriteCommands commands_;
  MotionCommands motionCommands_;
  ScreenCommands screenCommands_;
  EffectCommands effectCommands_;
  ButtonTable buttons_;
  ButtonCommands buttonCommands_;
  std::function<std::uint32_t()> systemFlags_;
  std::function<void(std::uint32_t)> soundEvents_;
  std::function<void(std::uint32_t)> movieFrames_;
  std::function<bool()> otherRunning_;
  std::vector<std::function<void()>> releaseHooks_;
};

}  // namespace tsuzuri::scene
