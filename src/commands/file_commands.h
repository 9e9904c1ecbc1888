#pragma once

#include <functional>

#include "assets/file_access.h"
#include "commands/command_context.h"
#include "commands/command_registry.h"

namespace tsuzuri::commands {

// The file commands of the system-command family: existFile2, the twin of
// the existFile built-in.
class FileCommands {
 public:
  // `scaleFactor` gives the display's scale (render size ÷ game screen),
  // which decides whether high-resolution variants are looked for.
  FileCommands(assets::FileAccess& files, std::function<double()> scaleFactor)
      : files_(files), scaleFactor_(std::move(scaleFactor)) {}

  void registerWith(CommandRegistry& registry);

  void existFile2(CommandContext& c);

 private:
  assets::FileAccess& files_;
  std::function<double()> scaleFactor_;
};

}  // namespace tsuzuri::commands
