#pragma once

#include <cstdint>
#include <string>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "commands/error_reporter.h"
#include "persist/persistence.h"
#include "persist/save_state.h"
#include "persist/settings.h"

namespace tsuzuri::persist {

// The save slot commands: the current record and the snapshot stack, the
// slot files "saveNNN.dat" (compressed) and "saveNNN.txt" (plain) in the
// save folder, their comments, times and protection.
class SaveCommands {
 public:
  SaveCommands(SaveState& state, Persistence& persistence, Settings& settings,
               commands::ErrorReporter& errors)
      : state_(state), persistence_(persistence), settings_(settings), errors_(errors) {}

  void registerWith(commands::CommandRegistry& registry);

  // The slot file: native path and the name reports give it.
  std::string slotPath(std::int32_t slot, bool compressed) const;
  std::string slotName(std::int32_t slot, bool compressed) const;
  // Writes the slot file (the folder made first); false when nothing was
  // written (reported).
  bool save(std::int32_t slot, bool compressed);
  // Reads and restores the slot file; false when it could not (reported).
  bool load(std::int32_t slot, bool compressed);

  void makeSave(commands::CommandContext& c);
  void clearSave(commands::CommandContext& c);
  void pushSave(commands::CommandContext& c);
  void popSave(commands::CommandContext& c);
  void saveSave(commands::CommandContext& c);
  void loadSave(commands::CommandContext& c);
  void setSaveText(commands::CommandContext& c);
  void getSaveText(commands::CommandContext& c);
  void loadSaveText(commands::CommandContext& c);
  void existSave(commands::CommandContext& c);
  void deleteSave(commands::CommandContext& c);
  void getSaveTime(commands::CommandContext& c);
  void getSaveNew(commands::CommandContext& c);
  void setSaveProtect(commands::CommandContext& c);
  void getSaveProtect(commands::CommandContext& c);

 private:
  SaveState& state_;
  Persistence& persistence_;
  Settings& settings_;
  commands::ErrorReporter& errors_;
};

}  // namespace tsuzuri::persist
