#pragma once

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "scene/scene.h"
#include "script/interpreter.h"
#include "text/message_window.h"

namespace tsuzuri::text {

// The backlog's commands, with which scripts build a history screen: the
// pages' texts, tags and line counts, and their pictures drawn again into a
// sprite.
class BacklogCommands {
 public:
  BacklogCommands(MessageWindow& window, scene::Scene& scene, script::Interpreter& interpreter)
      : window_(window), scene_(scene), interpreter_(interpreter) {}

  void registerWith(commands::CommandRegistry& registry);

  void setLog(commands::CommandContext& c);
  void getLog(commands::CommandContext& c);
  void getLogLine(commands::CommandContext& c);
  void setTagLog(commands::CommandContext& c);
  void getTagLog(commands::CommandContext& c);
  void getImgLog(commands::CommandContext& c);
  void getLogCount(commands::CommandContext& c);

 private:
  Backlog& backlog() { return window_.backlog(); }

  MessageWindow& window_;
  scene::Scene& scene_;
  script::Interpreter& interpreter_;
};

}  // namespace tsuzuri::text
