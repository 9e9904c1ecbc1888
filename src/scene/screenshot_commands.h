#pragma once

#include "assets/image_ops_common.h"
#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "scene/screenshot.h"
#include "script/error_sink.h"

namespace tsuzuri::scene {

// setScreenShot and saveScreenShot.
class ScreenshotCommands {
 public:
  // Argument checks go to `errors`; the image writer's lines to `console`.
  ScreenshotCommands(Screenshot& screenshot, script::ErrorSink& errors,
                     assets::ImageConsole& console)
      : screenshot_(screenshot), errors_(errors), console_(console) {}

  void registerWith(commands::CommandRegistry& registry);

  // Arguments: width, height.
  void setScreenShot(commands::CommandContext& c);
  // Arguments: file name, format, depth, level, option (as saveImage takes
  // them). Values a format does not support are reported and replaced, and
  // the image is saved all the same.
  void saveScreenShot(commands::CommandContext& c);

 private:
  Screenshot& screenshot_;
  script::ErrorSink& errors_;
  assets::ImageConsole& console_;
};

}  // namespace tsuzuri::scene
