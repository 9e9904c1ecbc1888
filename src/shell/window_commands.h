#pragma once

#include <string>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "shell/main_window.h"

namespace tsuzuri::shell {

// screen and the window's commands.
class WindowCommands {
 public:
  // `gameName` is the title this run was started with (Shift_JIS).
  WindowCommands(MainWindow& window, DisplaySettings& display, std::string gameName)
      : window_(window), display_(display), gameName_(std::move(gameName)) {}

  void registerWith(commands::CommandRegistry& registry);

  void screen(commands::CommandContext& c);
  void getGameName(commands::CommandContext& c);
  void setWindowText(commands::CommandContext& c);
  void getScreenRate(commands::CommandContext& c);
  void getScreenWidth(commands::CommandContext& c);
  void getScreenHeight(commands::CommandContext& c);
  void setFullScreen(commands::CommandContext& c);
  void getFullScreen(commands::CommandContext& c);
  void setScreenAspect(commands::CommandContext& c);
  void getScreenAspect(commands::CommandContext& c);
  void getScreenAspect2(commands::CommandContext& c);
  void setWallPaper(commands::CommandContext& c);
  void getWallPaper(commands::CommandContext& c);
  void setCursor(commands::CommandContext& c);
  void getCursor(commands::CommandContext& c);

 private:
  MainWindow& window_;
  DisplaySettings& display_;
  std::string gameName_;
};

}  // namespace tsuzuri::shell
