#pragma once

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "persist/already_read.h"
#include "persist/persistence.h"
#include "script/script_tables.h"

namespace tsuzuri::persist {

// The already-read commands, and the reading of already.dat from the save
// folder once the settings are read.
class AlreadyReadCommands {
 public:
  AlreadyReadCommands(AlreadyReadFile& file, const script::ScriptTables& tables,
                      const Persistence& persistence)
      : file_(file), tables_(tables), persistence_(persistence) {}

  void registerWith(commands::CommandRegistry& registry);

  // Reads already.dat from the save folder (run after the settings are
  // read: the save folder is known then).
  void load();

  // Writes already.dat into the save folder.
  void saveAlready(commands::CommandContext& c);
  // Results 1 and 2: how many message lines of all scripts have been read,
  // and how many there are.
  void getAlreadyReadFlag(commands::CommandContext& c);

 private:
  std::string path() const;
  std::string name() const;

  AlreadyReadFile& file_;
  const script::ScriptTables& tables_;
  const Persistence& persistence_;
};

}  // namespace tsuzuri::persist
