#pragma once

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "shell/event_wait.h"

namespace tsuzuri::shell {

// eventWait and its pass-through (PT) and dropped-file (DD) variants.
class EventWaitCommands {
 public:
  explicit EventWaitCommands(EventWait& wait) : wait_(wait) {}
  void registerWith(commands::CommandRegistry& registry);

  void eventWait(commands::CommandContext& c);
  void eventWaitPT(commands::CommandContext& c);
  void eventWaitDD(commands::CommandContext& c);
  void eventWaitPD(commands::CommandContext& c);

 private:
  void report(commands::CommandContext& c, bool passThrough, bool withFile);
  EventWait& wait_;
};

}  // namespace tsuzuri::shell
