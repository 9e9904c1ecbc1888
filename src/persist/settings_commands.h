#pragma once

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "persist/persistence.h"
#include "persist/settings.h"

namespace tsuzuri::persist {

// The configuration commands: they store and return the player's settings,
// and read and write the settings file. What a setting does is up to the
// subsystem that owns it.
class SettingsCommands {
 public:
  SettingsCommands(Settings& settings, Persistence& persistence)
      : settings_(settings), persistence_(persistence) {}

  // Adds every command of the family to the registry.
  void registerWith(commands::CommandRegistry& registry);

  void setConfirmDialog(commands::CommandContext& c);
  void getConfirmDialog(commands::CommandContext& c);
  void setEffectSkip(commands::CommandContext& c);
  void getEffectSkip(commands::CommandContext& c);
  void setEffectCancel(commands::CommandContext& c);
  void getEffectCancel(commands::CommandContext& c);
  void setPointWait(commands::CommandContext& c);
  void getPointWait(commands::CommandContext& c);
  void setWindowAlpha(commands::CommandContext& c);
  void getWindowAlpha(commands::CommandContext& c);
  void setMessageClick(commands::CommandContext& c);
  void getMessageClick(commands::CommandContext& c);
  void setMessageFade(commands::CommandContext& c);
  void getMessageFade(commands::CommandContext& c);
  void setAlreadyReadSkip(commands::CommandContext& c);
  void getAlreadyReadSkip(commands::CommandContext& c);
  void setAlreadyReadAutoSkip(commands::CommandContext& c);
  void getAlreadyReadAutoSkip(commands::CommandContext& c);
  void setAlreadyReadMoment(commands::CommandContext& c);
  void getAlreadyReadMoment(commands::CommandContext& c);
  void setSelectSkipMode(commands::CommandContext& c);
  void getSelectSkipMode(commands::CommandContext& c);
  void setSelectAutoMode(commands::CommandContext& c);
  void getSelectAutoMode(commands::CommandContext& c);
  void setWallPaper(commands::CommandContext& c);
  void getWallPaper(commands::CommandContext& c);
  void setCursor(commands::CommandContext& c);
  void getCursor(commands::CommandContext& c);
  void getStartTime(commands::CommandContext& c);
  void getTotalTime(commands::CommandContext& c);
  void getCurrentDirectory(commands::CommandContext& c);
  void saveSetting(commands::CommandContext& c);
  void loadSetting(commands::CommandContext& c);

 private:
  Settings& settings_;
  Persistence& persistence_;
};

}  // namespace tsuzuri::persist
