#pragma once

#include "assets/image_cache.h"
#include "assets/image_ops_common.h"
#include "commands/command_registry.h"
#include "render/draw_commands.h"
#include "render/render_settings.h"
#include "render/renderer.h"
#include "scene/composition.h"
#include "scene/sprite_commands.h"
#include "scene/sprite_table.h"
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

// The sprite scene: the slots, their composition into every frame and
// their commands.
class Scene {
 public:
  Scene(render::Renderer& renderer, const render::RenderSettings& settings,
        assets::ImageLoader& loader, script::Console& console, script::ErrorSink& errors)
      : renderer_(renderer),
        imageOutput_(console),
        table_(renderer, settings, loader, imageOutput_, errors),
        composer_(table_, renderer, settings, errors),
        commands_(table_) {}
  ~Scene() { renderer_.setReleaseHook(nullptr); }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Composes the frames, commits for the draw commands, and registers the
  // sprite commands.
  void install(render::DrawCommands& draw, commands::CommandRegistry& registry);

  SpriteTable& sprites() { return table_; }
  Composer& composer() { return composer_; }
  SpriteCommands& commands() { return commands_; }

 private:
  render::Renderer& renderer_;
  ConsoleImageOutput imageOutput_;
  SpriteTable table_;
  Composer composer_;
  SpriteCommands commands_;
};

}  // namespace tsuzuri::scene
