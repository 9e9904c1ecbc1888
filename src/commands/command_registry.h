#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_context.h"
#include "script/error_sink.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/native_commands.h"

namespace tsuzuri::commands {

// A system command, written once against CommandContext.
using SystemCommand = std::function<void(CommandContext&)>;

// One row of a command family's table.
template <class Family>
struct SystemCommandEntry {
  std::string_view name;
  void (Family::*command)(CommandContext&);
};

// Registers system commands: each gets a native entry point (which writes
// the command's name into the current-command name, except for the few
// commands that keep it, and builds an argument frame from the statement's
// argument text) in the native command table, and is kept by name for the
// Lua and Squirrel bridges.
class CommandRegistry {
 public:
  CommandRegistry(script::NativeCommandTable& table, script::Expression& expression,
                  script::Interpreter& interpreter, script::ErrorSink& errors)
      : table_(table), expression_(expression), interpreter_(interpreter), errors_(errors) {}

  void add(std::string_view name, SystemCommand command);

  // Registers every row of a family's table, bound to `family`.
  template <class Family, std::size_t N>
  void addFamily(Family& family, const SystemCommandEntry<Family> (&rows)[N]) {
    for (const auto& row : rows) {
      add(row.name,
          [&family, member = row.command](CommandContext& context) { (family.*member)(context); });
    }
  }

  struct Named {
    std::string name;
    SystemCommand command;
  };
  // Every system command, in registration order.
  const std::vector<Named>& commands() const { return commands_; }

 private:
  script::NativeCommandTable& table_;
  script::Expression& expression_;
  script::Interpreter& interpreter_;
  script::ErrorSink& errors_;
  std::vector<Named> commands_;
};

}  // namespace tsuzuri::commands
