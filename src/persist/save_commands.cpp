#include "persist/save_commands.h"

#include <ctime>
#include <optional>

#include "persist/data_container.h"
#include "platform/files.h"
#include "util/sjis.h"

namespace tsuzuri::persist {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<SaveCommands> kCommands[] = {
    {"makeSave", &SaveCommands::makeSave},
    {"clearSave", &SaveCommands::clearSave},
    {"pushSave", &SaveCommands::pushSave},
    {"popSave", &SaveCommands::popSave},
    {"saveSave", &SaveCommands::saveSave},
    {"loadSave", &SaveCommands::loadSave},
    {"setSaveText", &SaveCommands::setSaveText},
    {"getSaveText", &SaveCommands::getSaveText},
    {"loadSaveText", &SaveCommands::loadSaveText},
    {"existSave", &SaveCommands::existSave},
    {"deleteSave", &SaveCommands::deleteSave},
    {"getSaveTime", &SaveCommands::getSaveTime},
    {"getSaveNew", &SaveCommands::getSaveNew},
    {"setSaveProtect", &SaveCommands::setSaveProtect},
    {"getSaveProtect", &SaveCommands::getSaveProtect},
};

std::string slotFileName(std::int32_t slot, bool compressed) {
  char name[32];
  std::snprintf(name, sizeof name, "save%03d.%s", slot, compressed ? "dat" : "txt");
  return name;
}

}  // namespace

void SaveCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

std::string SaveCommands::slotPath(std::int32_t slot, bool compressed) const {
  return persistence_.saveFolder() + slotFileName(slot, compressed);
}

std::string SaveCommands::slotName(std::int32_t slot, bool compressed) const {
  return persistence_.saveFolderName() + slotFileName(slot, compressed);
}

bool SaveCommands::save(std::int32_t slot, bool compressed) {
  const std::string folder = persistence_.saveFolder();
  if (!platform::createDirectories(folder)) {
    errors_.reportPlain(persistence_.saveFolderName() +
                        util::toSjis(u8" フォルダを作成出来ませんでした"));
    return false;
  }
  return saveDataZlib(slotPath(slot, compressed), slotName(slot, compressed), state_.slotText(),
                      compressed, errors_);
}

bool SaveCommands::load(std::int32_t slot, bool compressed) {
  const std::string name = slotName(slot, compressed);
  const std::optional<std::string> text =
      loadDataZlib(slotPath(slot, compressed), name, compressed, errors_);
  return text && state_.restoreSlot(*text, name);
}

void SaveCommands::makeSave(CommandContext&) {
  state_.make();
}

void SaveCommands::clearSave(CommandContext&) {
  state_.clear();
}

void SaveCommands::pushSave(CommandContext& c) {
  state_.push(c.integer(1) != 0, c.text(2));
}

void SaveCommands::popSave(CommandContext& c) {
  state_.pop(c.integer(1));
}

void SaveCommands::saveSave(CommandContext& c) {
  static_cast<void>(save(c.integer(1), c.integer(2) != 0));
}

void SaveCommands::loadSave(CommandContext& c) {
  static_cast<void>(load(c.integer(1), c.integer(2) != 0));
}

void SaveCommands::setSaveText(CommandContext& c) {
  state_.setComment(c.text(1));
}

void SaveCommands::getSaveText(CommandContext& c) {
  c.setTextResult(1, state_.comment());
}

void SaveCommands::loadSaveText(CommandContext& c) {
  const std::int32_t slot = c.integer(1);
  const bool compressed = c.integer(2) != 0;
  const std::optional<std::string> text =
      loadDataZlib(slotPath(slot, compressed), slotName(slot, compressed), compressed, errors_);
  c.setTextResult(3, text ? SaveState::commentOf(*text) : std::string());
}

void SaveCommands::existSave(CommandContext& c) {
  const bool exists =
      platform::fileKind(slotPath(c.integer(1), c.integer(2) != 0)) == platform::FileKind::kFile;
  c.setIntegerResult(3, exists ? 1 : 0);
}

void SaveCommands::deleteSave(CommandContext& c) {
  const bool deleted = platform::deleteFile(slotPath(c.integer(1), c.integer(2) != 0));
  c.setIntegerResult(3, deleted ? 0 : 1);
}

void SaveCommands::getSaveTime(CommandContext& c) {
  const std::optional<std::int64_t> time =
      platform::modificationTime(slotPath(c.integer(1), c.integer(2) != 0));
  std::string text;
  if (time) {
    const std::time_t seconds = static_cast<std::time_t>(*time / 1000000000);
    std::tm local{};
    if (localtime_r(&seconds, &local) != nullptr) {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                    local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
      text = buffer;
    }
  }
  c.setTextResult(3, text);
}

void SaveCommands::getSaveNew(CommandContext& c) {
  const bool compressed = c.integer(3) != 0;
  std::int32_t newest = -1;
  std::int64_t newestTime = 0;
  for (std::int64_t at = c.integer(1); at <= c.integer(2); ++at) {
    const auto slot = static_cast<std::int32_t>(at);
    const std::string path = slotPath(slot, compressed);
    if (platform::fileKind(path) != platform::FileKind::kFile) continue;
    const std::int64_t time = platform::modificationTime(path).value_or(0);
    // Strictly newer wins: of equal times the lowest slot stays.
    if (newest < 0 || time > newestTime) {
      newest = slot;
      newestTime = time;
    }
  }
  c.setIntegerResult(4, newest);
}

void SaveCommands::setSaveProtect(CommandContext& c) {
  const std::int32_t slot = c.integer(1);
  auto& flags = settings_.persist.saveProtect;
  if (slot < 0 || slot >= static_cast<std::int32_t>(flags.size())) return;
  std::int32_t& flag = flags[static_cast<std::size_t>(slot)];
  const std::int32_t mode = c.integer(2);
  flag = mode == 0 ? 0 : mode == 1 ? 1 : (flag != 0 ? 0 : 1);
}

void SaveCommands::getSaveProtect(CommandContext& c) {
  const std::int32_t slot = c.integer(1);
  const auto& flags = settings_.persist.saveProtect;
  const bool valid = slot >= 0 && slot < static_cast<std::int32_t>(flags.size());
  c.setIntegerResult(2, valid ? flags[static_cast<std::size_t>(slot)] : 0);
}

}  // namespace tsuzuri::persist
