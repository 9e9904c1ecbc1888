#include "shell/window_commands.h"

namespace tsuzuri::shell {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<WindowCommands> kCommands[] = {
    {"screen", &WindowCommands::screen},
    {"getGameName", &WindowCommands::getGameName},
    {"setWindowText", &WindowCommands::setWindowText},
    {"getScreenRate", &WindowCommands::getScreenRate},
    {"getScreenWidth", &WindowCommands::getScreenWidth},
    {"getScreenHeight", &WindowCommands::getScreenHeight},
    {"setFullScreen", &WindowCommands::setFullScreen},
    {"getFullScreen", &WindowCommands::getFullScreen},
    {"setScreenAspect", &WindowCommands::setScreenAspect},
    {"getScreenAspect", &WindowCommands::getScreenAspect},
    {"getScreenAspect2", &WindowCommands::getScreenAspect2},
    {"setWallPaper", &WindowCommands::setWallPaper},
    {"getWallPaper", &WindowCommands::getWallPaper},
    {"setCursor", &WindowCommands::setCursor},
    {"getCursor", &WindowCommands::getCursor},
};

}  // namespace

void WindowCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void WindowCommands::screen(CommandContext& c) {
  ScreenRequest request;
  request.width = c.integer(1);
  request.height = c.integer(2);
  request.assetWidth = c.integer(3);
  request.flags = c.integer(4);
  // A failure has already ended the run.
  static_cast<void>(window_.screen(request));
}

void WindowCommands::getGameName(CommandContext& c) {
  c.setTextResult(1, gameName_);
}

void WindowCommands::setWindowText(CommandContext& c) {
  window_.setWindowText(c.text(1));
}

void WindowCommands::getScreenRate(CommandContext& c) {
  c.setIntegerResult(1, window_.screenReady() ? screenRate(window_.factors()) : 100);
}

void WindowCommands::getScreenWidth(CommandContext& c) {
  c.setIntegerResult(1, window_.factors().renderSize.width);
}

void WindowCommands::getScreenHeight(CommandContext& c) {
  c.setIntegerResult(
      1, window_.screenReady() ? screenHeightQuery(window_.factors(), window_.gameWidth()) : 0);
}

void WindowCommands::setFullScreen(CommandContext& c) {
  window_.setFullScreen(c.integer(1) != 0);
}

void WindowCommands::getFullScreen(CommandContext& c) {
  c.setIntegerResult(1, display_.fullScreen);
}

void WindowCommands::setScreenAspect(CommandContext& c) {
  window_.setScreenAspect(c.integer(1) != 0 ? 1 : 0);
}

void WindowCommands::getScreenAspect(CommandContext& c) {
  c.setIntegerResult(1, display_.screenAspect);
}

void WindowCommands::getScreenAspect2(CommandContext& c) {
  c.setIntegerResult(1, window_.wide() ? 1 : 0);
}

void WindowCommands::setWallPaper(CommandContext& c) {
  window_.setWallPaper(c.text(1));
}

void WindowCommands::getWallPaper(CommandContext& c) {
  c.setTextResult(1, display_.wallPaper);
}

void WindowCommands::setCursor(CommandContext& c) {
  window_.setCursor(c.text(1));
}

void WindowCommands::getCursor(CommandContext& c) {
  c.setTextResult(1, display_.cursorFile);
}

}  // namespace tsuzuri::shell
