#include "shell/event_wait_commands.h"

namespace tsuzuri::shell {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<EventWaitCommands> kCommands[] = {
    {"eventWait", &EventWaitCommands::eventWait},
    {"eventWaitPT", &EventWaitCommands::eventWaitPT},
    {"eventWaitDD", &EventWaitCommands::eventWaitDD},
    {"eventWaitPD", &EventWaitCommands::eventWaitPD},
};

}  // namespace

void EventWaitCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void EventWaitCommands::report(CommandContext& c, bool passThrough, bool withFile) {
  const PollResult r = wait_.poll(passThrough);
  c.setIntegerResult(1, r.button);
  c.setIntegerResult(2, r.code);
  c.setIntegerResult(3, r.state);
  if (withFile) c.setTextResult(4, r.text);
}

void EventWaitCommands::eventWait(CommandContext& c) {
  report(c, false, false);
}
void EventWaitCommands::eventWaitPT(CommandContext& c) {
  report(c, true, false);
}
void EventWaitCommands::eventWaitDD(CommandContext& c) {
  report(c, false, true);
}
void EventWaitCommands::eventWaitPD(CommandContext& c) {
  report(c, true, true);
}

}  // namespace tsuzuri::shell
