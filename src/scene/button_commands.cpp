#include "scene/button_commands.h"

#include <string>

#include "util/sjis.h"

namespace tsuzuri::scene {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<ButtonCommands> kCommands[] = {
    {"setBtn", &ButtonCommands::setBtn},       {"setBtnRect", &ButtonCommands::setBtnRect},
    {"getBtn", &ButtonCommands::getBtn},       {"setBtnTool", &ButtonCommands::setBtnTool},
    {"eraseBtn", &ButtonCommands::eraseBtn},   {"clearBtn", &ButtonCommands::clearBtn},
    {"getBtnNow", &ButtonCommands::getBtnNow}, {"setBtnNow", &ButtonCommands::setBtnNow},
};

}  // namespace

void ButtonCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void ButtonCommands::setBtn(CommandContext& c) {
  const std::int32_t slot = c.integer(2);
  if (!buttons_.setSprite(c.integer(1), slot, c.integer(3))) {
    errors_.reportWithContext(std::to_string(slot) + util::toSjis(u8" 画像が読み込まれていません"));
  }
}

void ButtonCommands::setBtnRect(CommandContext& c) {
  buttons_.setRect(c.integer(1), c.integer(2), c.integer(3), c.integer(4), c.integer(5));
}

void ButtonCommands::getBtn(CommandContext& c) {
  c.setIntegerResult(2, buttons_.slotOf(c.integer(1)));
}

void ButtonCommands::setBtnTool(CommandContext& c) {
  if (!buttons_.setTooltip(c.integer(1), c.text(2))) {
    errors_.reportWithContext(util::toSjis(u8"ボタン番号が不正です"));
  }
}

void ButtonCommands::eraseBtn(CommandContext& c) {
  const std::int32_t slot = c.integer(1);
  if (buttons_.erase(slot) && SpriteTable::validSlot(slot)) motions_.endAll(slot);
}

void ButtonCommands::clearBtn(CommandContext& /*c*/) {
  buttons_.clear();
}

void ButtonCommands::getBtnNow(CommandContext& c) {
  c.setIntegerResult(1, buttons_.focused);
}

void ButtonCommands::setBtnNow(CommandContext& c) {
  buttons_.focused = c.integer(1);
}

}  // namespace tsuzuri::scene
