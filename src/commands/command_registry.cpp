#include "commands/command_registry.h"

#include "commands/native_frame.h"

namespace tsuzuri::commands {

void CommandRegistry::add(std::string_view name, SystemCommand command) {
  commands_.push_back(Named{std::string(name), command});
  table_.add(name, [this, command = std::move(command)](std::string_view arguments) {
    NativeFrame frame(arguments, expression_, interpreter_, errors_);
    command(frame);
  });
}

}  // namespace tsuzuri::commands
