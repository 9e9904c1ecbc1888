#pragma once

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "script/error_sink.h"
#include "text/message_window.h"

namespace tsuzuri::text {

// The message window's commands: its layout, the page, revealing, the
// message subroutines, the modes and the window's visibility.
class MessageCommands {
 public:
  MessageCommands(MessageWindow& window, scene::Composer& composer, script::ErrorSink& errors)
      : window_(window), composer_(composer), errors_(errors) {}

  void registerWith(commands::CommandRegistry& registry);
  // setWindowVisible 0 also takes the button tooltip away (buttons).
  void setTooltipRemover(std::function<void()> remove) { removeTooltip_ = std::move(remove); }

  void getTag(commands::CommandContext& c);
  void n(commands::CommandContext& c);
  void i(commands::CommandContext& c);
  void setMessCreate(commands::CommandContext& c);
  void setMessLine(commands::CommandContext& c);
  void setMessIndent(commands::CommandContext& c);
  void setMessXY(commands::CommandContext& c);
  void setMessSXY(commands::CommandContext& c);
  void setMessWH(commands::CommandContext& c);
  void setMessSpeed(commands::CommandContext& c);
  void getMessSpeed(commands::CommandContext& c);
  void getMessLast(commands::CommandContext& c);
  void setAutoWait(commands::CommandContext& c);
  void getAutoWait(commands::CommandContext& c);
  void formatMess(commands::CommandContext& c);
  void clearMess(commands::CommandContext& c);
  void clearMess2(commands::CommandContext& c);
  void resetMess(commands::CommandContext& c);
  void preMessGosub(commands::CommandContext& c);
  void sufMessGosub(commands::CommandContext& c);
  void formatMessDraw(commands::CommandContext& c);
  void setMessDraw(commands::CommandContext& c);
  void endMessDraw(commands::CommandContext& c);
  void getPage(commands::CommandContext& c);
  void setWindowVisible(commands::CommandContext& c);
  void getWindowVisible(commands::CommandContext& c);
  void setAuto(commands::CommandContext& c);
  void setSkip(commands::CommandContext& c);
  void setJump(commands::CommandContext& c);
  void stopMode(commands::CommandContext& c);
  void getMode(commands::CommandContext& c);
  void getSkip(commands::CommandContext& c);
  void getAlreadyRead(commands::CommandContext& c);

 private:
  // The second argument when there is one, else -1.
  static std::int32_t optional(commands::CommandContext& c, int i);
  void reportLabel(std::string_view label);

  MessageWindow& window_;
  scene::Composer& composer_;
  script::ErrorSink& errors_;
  std::function<void()> removeTooltip_;
};

}  // namespace tsuzuri::text
