#include "commands/file_commands.h"

namespace tsuzuri::commands {
namespace {

constexpr SystemCommandEntry<FileCommands> kCommands[] = {
    {"existFile2", &FileCommands::existFile2},
};

}  // namespace

void FileCommands::registerWith(CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void FileCommands::existFile2(CommandContext& c) {
  const double scale = scaleFactor_ ? scaleFactor_() : 1.0;
  c.setIntegerResult(2, files_.exists(c.text(1), scale) ? 1 : 0);
}

}  // namespace tsuzuri::commands
