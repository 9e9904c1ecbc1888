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
  void getStartTime(commands::CommandContext& c);
  void getTotalTime(commands::CommandContext& c);
  void getCurrentDirectory(commands::CommandContext& c);
  void saveSetting(commands::CommandContext& c);
  void loadSetting(commands::CommandContext& c);

  // The plain settings: `set` stores argument 1 (as 0/1 for a flag, its low
  // 8 bits for a byte), `get` returns the setting in result 1.
  enum class Stored { kValue, kFlag, kByte };
  template <auto Group, auto Field, Stored How = Stored::kValue>
  void set(commands::CommandContext& c);
  template <auto Group, auto Field>
  void get(commands::CommandContext& c);

 private:
  Settings& settings_;
  Persistence& persistence_;
};

}  // namespace tsuzuri::persist
