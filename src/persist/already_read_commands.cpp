#include "persist/already_read_commands.h"

#include <cstdint>
#include <string_view>

namespace tsuzuri::persist {

using commands::CommandContext;

namespace {

constexpr std::string_view kFileName = "already.dat";

constexpr commands::SystemCommandEntry<AlreadyReadCommands> kCommands[] = {
    {"saveAlready", &AlreadyReadCommands::saveAlready},
    {"getAlreadyReadFlag", &AlreadyReadCommands::getAlreadyReadFlag},
};

}  // namespace

void AlreadyReadCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

std::string AlreadyReadCommands::path() const {
  return persistence_.saveFolder() + std::string(kFileName);
}

std::string AlreadyReadCommands::name() const {
  return persistence_.saveFolderName() + std::string(kFileName);
}

void AlreadyReadCommands::load() {
  file_.read(path(), name());
}

void AlreadyReadCommands::saveAlready(CommandContext& /*c*/) {
  file_.write(path(), name());
}

void AlreadyReadCommands::getAlreadyReadFlag(CommandContext& c) {
  // The two results have no settled meaning; the counts of read and of all
  // message lines are what a script can make use of (a completion rate).
  std::int32_t read = 0;
  std::int32_t total = 0;
  for (const auto& [hash, flags] : tables_.alreadyRead) {
    for (const auto& [line, flag] : flags) {
      ++total;
      if (flag != 0) ++read;
    }
  }
  c.setIntegerResult(1, read);
  c.setIntegerResult(2, total);
}

}  // namespace tsuzuri::persist
