#include "text/backlog_commands.h"

#include <string>

#include "text/image_log_composer.h"
#include "util/sjis.h"

namespace tsuzuri::text {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<BacklogCommands> kCommands[] = {
    {"setLog", &BacklogCommands::setLog},           {"getLog", &BacklogCommands::getLog},
    {"getLogLine", &BacklogCommands::getLogLine},   {"setTagLog", &BacklogCommands::setTagLog},
    {"getTagLog", &BacklogCommands::getTagLog},     {"getImgLog", &BacklogCommands::getImgLog},
    {"getLogCount", &BacklogCommands::getLogCount},
};

}  // namespace

void BacklogCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void BacklogCommands::setLog(CommandContext& c) {
  Backlog& log = backlog();
  if (c.integer(3) == 0) log.current().text.clear();
  log.append(c.text(1));
  log.current().lineCount = c.integer(2);
  // The page written here is where a restored position takes up again, so
  // it records that position and the restore is over.
  log.noteSource(interpreter_.current().hash, interpreter_.line());
  log.endRestore();
}

void BacklogCommands::getLog(CommandContext& c) {
  c.setTextResult(2, backlog().entry(c.integer(1)).text);
}

void BacklogCommands::getLogLine(CommandContext& c) {
  c.setIntegerResult(2, backlog().entry(c.integer(1)).lineCount);
}

void BacklogCommands::setTagLog(CommandContext& c) {
  backlog().setTag(c.text(1));
}

void BacklogCommands::getTagLog(CommandContext& c) {
  c.setTextResult(2, backlog().entry(c.integer(1)).tag);
}

void BacklogCommands::getLogCount(CommandContext& c) {
  c.setIntegerResult(1, backlog().count());
}

void BacklogCommands::getImgLog(CommandContext& c) {
  scene::SpriteTable& table = scene_.sprites();
  const std::int32_t slot = c.integer(1);
  if (!scene::SpriteTable::validSlot(slot)) {
    table.errors().reportWithContext(std::to_string(slot) +
                                     util::toSjis(u8" スプライト番号が不正です"));
    return;
  }
  const BacklogEntry& entry = backlog().entry(c.integer(2));
  if (entry.images.empty()) return;
  ComposedPicture picture = composeImageLog(table, entry);
  if (!picture.image) return;
  scene::SpriteSlot& s = table.slot(slot);
  if (s.autoDelete != 0) {
    s.pending = scene::kPendingDelete;
    table.commitSlot(slot);
  }
  if (!table.createFromPixels(table.backPtr(slot), std::move(picture.image), 0,
                              picture.resolutionClass, 0)) {
    return;
  }
  table.settleNewImage(slot, 0);
  // A picture of its own: no file makes it again, and it is no text.
  s.name.clear();
  s.kind = scene::kKindImage;
  s.cut = {};
  s.fontName.clear();
  s.textParams = {};
  table.commitSlot(slot);
}

}  // namespace tsuzuri::text
