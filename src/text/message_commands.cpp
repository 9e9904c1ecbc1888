#include "text/message_commands.h"

#include <cstdlib>

#include "util/sjis.h"

namespace tsuzuri::text {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<MessageCommands> kCommands[] = {
    {"getTag", &MessageCommands::getTag},
    {"n", &MessageCommands::n},
    {"i", &MessageCommands::i},
    {"setMessCreate", &MessageCommands::setMessCreate},
    {"setMessLine", &MessageCommands::setMessLine},
    {"setMessIndent", &MessageCommands::setMessIndent},
    {"setMessXY", &MessageCommands::setMessXY},
    {"setMessSXY", &MessageCommands::setMessSXY},
    {"setMessWH", &MessageCommands::setMessWH},
    {"setMessSpeed", &MessageCommands::setMessSpeed},
    {"getMessSpeed", &MessageCommands::getMessSpeed},
    {"getMessLast", &MessageCommands::getMessLast},
    {"setAutoWait", &MessageCommands::setAutoWait},
    {"getAutoWait", &MessageCommands::getAutoWait},
    {"formatMess", &MessageCommands::formatMess},
    {"clearMess", &MessageCommands::clearMess},
    {"clearMess2", &MessageCommands::clearMess2},
    {"resetMess", &MessageCommands::resetMess},
    {"preMessGosub", &MessageCommands::preMessGosub},
    {"sufMessGosub", &MessageCommands::sufMessGosub},
    {"formatMessDraw", &MessageCommands::formatMessDraw},
    {"setMessDraw", &MessageCommands::setMessDraw},
    {"endMessDraw", &MessageCommands::endMessDraw},
    {"getPage", &MessageCommands::getPage},
    {"setWindowVisible", &MessageCommands::setWindowVisible},
    {"getWindowVisible", &MessageCommands::getWindowVisible},
    {"setAuto", &MessageCommands::setAuto},
    {"setSkip", &MessageCommands::setSkip},
    {"setJump", &MessageCommands::setJump},
    {"stopMode", &MessageCommands::stopMode},
    {"getMode", &MessageCommands::getMode},
    {"getSkip", &MessageCommands::getSkip},
    {"getAlreadyRead", &MessageCommands::getAlreadyRead},
};

}  // namespace

void MessageCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

std::int32_t MessageCommands::optional(CommandContext& c, int i) {
  return c.argumentCount(0) >= i ? c.integer(i) : -1;
}

void MessageCommands::getTag(CommandContext& c) {
  const std::string tag = window_.backlog().current().tag;
  std::string_view rest = tag;
  const int count = c.argumentCount(0);
  for (int k = 1; k <= count; ++k) {
    const std::size_t comma = rest.find(',');
    const std::string_view field = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    if (c.isIntegerReference(k)) {
      c.setIntegerResult(k, std::atoi(std::string(field).c_str()));
    } else {
      c.setTextResult(k, field);
    }
  }
}

void MessageCommands::n(CommandContext& /*c*/) {
  window_.newLine();
}

void MessageCommands::i(CommandContext& c) {
  window_.page().column = c.integer(1);
}

void MessageCommands::setMessCreate(CommandContext& c) {
  window_.create(c.integer(1), c.integer(2));
}

void MessageCommands::setMessLine(CommandContext& c) {
  window_.layout().lineEnd = c.integer(1);
  window_.layout().blankLineEnd = c.integer(2);
}

void MessageCommands::setMessIndent(CommandContext& c) {
  window_.layout().bracketIndent = c.integer(1) != 0;
  window_.layout().continuationIndent = c.integer(2) != 0;
}

void MessageCommands::setMessXY(CommandContext& c) {
  window_.setOrigin(c.integer(1), c.integer(2));
}

void MessageCommands::setMessSXY(CommandContext& c) {
  window_.setShift(c.integer(2));
}

void MessageCommands::setMessWH(CommandContext& c) {
  MessageMetrics m = window_.metrics();
  m.charsPerLine = c.integer(1);
  m.lines = c.integer(2);
  m.size = c.integer(3);
  m.lineHeight = c.integer(4);
  m.letterSpacing = c.integer(5);
  m.lineGap = c.integer(6);
  window_.setMetrics(m);
}

void MessageCommands::setMessSpeed(CommandContext& c) {
  window_.setSpeed(c.integer(1), optional(c, 2));
}

void MessageCommands::getMessSpeed(CommandContext& c) {
  c.setIntegerResult(1, window_.defaultSpeed());
}

void MessageCommands::getMessLast(CommandContext& c) {
  const std::array<std::int32_t, 2> last = window_.lastPosition();
  c.setIntegerResult(1, last[0]);
  c.setIntegerResult(2, last[1]);
}

void MessageCommands::setAutoWait(CommandContext& c) {
  window_.setAutoWait(c.integer(1), optional(c, 2));
}

void MessageCommands::getAutoWait(CommandContext& c) {
  c.setIntegerResult(1, window_.defaultAutoWait());
}

void MessageCommands::formatMess(CommandContext& /*c*/) {
  window_.formatAll();
}

void MessageCommands::clearMess(CommandContext& /*c*/) {
  window_.clearPage(true);
}

void MessageCommands::clearMess2(CommandContext& /*c*/) {
  window_.clearAfterWait();
}

void MessageCommands::resetMess(CommandContext& /*c*/) {
  window_.redraw();
}

void MessageCommands::reportLabel(std::string_view label) {
  errors_.reportWithContext(std::string(label) + util::toSjis(u8"ラベルが存在しません"));
}

void MessageCommands::preMessGosub(CommandContext& c) {
  if (!window_.setPreLabel(c.text(1))) reportLabel(c.text(1));
}

void MessageCommands::sufMessGosub(CommandContext& c) {
  if (!window_.setPostLabel(c.text(1))) reportLabel(c.text(1));
}

void MessageCommands::formatMessDraw(CommandContext& /*c*/) {
  window_.beginReveal();
}

void MessageCommands::setMessDraw(CommandContext& c) {
  c.setIntegerResult(1, window_.revealStep() ? 1 : 0);
}

void MessageCommands::endMessDraw(CommandContext& /*c*/) {
  window_.revealAll();
}

void MessageCommands::getPage(CommandContext& c) {
  c.setIntegerResult(1, window_.page().lastAction == kPageWait ? 1 : 0);
}

void MessageCommands::setWindowVisible(CommandContext& c) {
  const std::int32_t bits = c.integer(1);
  composer_.setWindowVisibility(bits);
  if (bits == 0 && removeTooltip_) removeTooltip_();
}

void MessageCommands::getWindowVisible(CommandContext& c) {
  c.setIntegerResult(1, composer_.windowVisibility());
}

void MessageCommands::setAuto(CommandContext& c) {
  window_.modes().setAuto(c.integer(1));
}

void MessageCommands::setSkip(CommandContext& c) {
  window_.modes().setSkip(c.integer(1));
}

void MessageCommands::setJump(CommandContext& /*c*/) {
  window_.modes().setJump();
}

void MessageCommands::stopMode(CommandContext& /*c*/) {
  window_.modes().stopMode();
}

void MessageCommands::getMode(CommandContext& c) {
  c.setIntegerResult(1, window_.modes().modeBits());
}

void MessageCommands::getSkip(CommandContext& c) {
  const MessageModes& modes = window_.modes();
  c.setIntegerResult(1, (modes.skipInEffect() ? 2 : 0) + (modes.skip() ? 1 : 0));
}

void MessageCommands::getAlreadyRead(CommandContext& c) {
  c.setIntegerResult(1, window_.modes().alreadyRead() ? 1 : 0);
}

}  // namespace tsuzuri::text
