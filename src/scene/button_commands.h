#pragma once

#include <functional>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "scene/buttons.h"
#include "scene/motion_commands.h"
#include "script/error_sink.h"

namespace tsuzuri::scene {

// setBtn, setBtnRect, getBtn, setBtnTool, eraseBtn, clearBtn, getBtnNow
// and setBtnNow.
class ButtonCommands {
 public:
  ButtonCommands(ButtonTable& buttons, MotionCommands& motions, script::ErrorSink& errors)
      : buttons_(buttons), motions_(motions), errors_(errors) {}

  void registerWith(commands::CommandRegistry& registry);

  void setBtn(commands::CommandContext& c);
  void setBtnRect(commands::CommandContext& c);
  void getBtn(commands::CommandContext& c);
  void setBtnTool(commands::CommandContext& c);
  void eraseBtn(commands::CommandContext& c);
  void clearBtn(commands::CommandContext& c);
  void getBtnNow(commands::CommandContext& c);
  void setBtnNow(commands::CommandContext& c);

 private:
  ButtonTable& buttons_;
  MotionCommands& motions_;
  script::ErrorSink& errors_;
};

}  // namespace tsuzuri::scene
