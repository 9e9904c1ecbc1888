#include "commands/command_registry.h"

#include "commands/native_frame.h"

namespace tsuzuri::commands {

namespace {

// The commands that leave the current-command name as it is, so that a
// report names the command that ran before them.
constexpr std::string_view kKeepName[] = {
    "n",           "formatMess", "clearMess",   "clearMess2",  "resetMess", "formatMessDraw",
    "endMessDraw", "setJump",    "saveSetting", "saveAlready", "makeSave",  "clearSave",
    "findText",    "fresh",      "draw",        "draw2",       "draw3",     "clearBtn"};

bool keepsName(std::string_view name) {
  for (std::string_view kept : kKeepName) {
    if (kept == name) return true;
  }
  return false;
}

}  // namespace

void CommandRegistry::add(std::string_view name, SystemCommand command) {
  commands_.push_back(Named{std::string(name), command});
  table_.add(name, [this, command = std::move(command), name = std::string(name),
                    setName = !keepsName(name)](std::string_view arguments) {
    // Every command names itself before it reads an argument.
    if (setName) interpreter_.commandName().set(name);
    NativeFrame frame(arguments, expression_, interpreter_, errors_);
    command(frame);
  });
}

}  // namespace tsuzuri::commands
