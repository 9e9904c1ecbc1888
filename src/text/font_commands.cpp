#include "text/font_commands.h"

#include "platform/files.h"
#include "platform/fonts.h"

namespace tsuzuri::text {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<FontCommands> kCommands[] = {
    {"addFontFile", &FontCommands::addFontFile},
    {"setFontFile", &FontCommands::setFontFile},
    {"getFontFile", &FontCommands::getFontFile},
    {"setFontStyle", &FontCommands::setFontStyle},
    {"getFontStyle", &FontCommands::getFontStyle},
    {"setFontColor", &FontCommands::setFontColor},
    {"setFontColor2", &FontCommands::setFontColor2},
    {"setFontColor3", &FontCommands::setFontColor3},
    {"getFontListNum", &FontCommands::getFontListNum},
    {"getFontListStr", &FontCommands::getFontListStr},
};

constexpr std::size_t kAddedLimit = 9;

}  // namespace

void FontCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

MessageFont FontCommands::current() const {
  MessageFont f;
  f.name = name_.value_or(settings_.fontFile);
  f.style = style_.value_or(settings_.fontStyle);
  f.colour1 = colour1_.value_or(settings_.fontColor1);
  f.colour2 = colour2_.value_or(settings_.fontColor2);
  f.colour3 = colour3_.value_or(settings_.fontColor3);
  return f;
}

void FontCommands::restore(const Choices& choices) {
  name_ = choices.name;
  style_.reset();
  colour1_ = choices.colour1;
  colour2_ = choices.colour2;
  colour3_ = choices.colour3;
  if (refont_) refont_(current());
}

void FontCommands::addFontFile(CommandContext& c) {
  const std::string name(c.text(1));
  // A relative name is a file of the game folder; a failure is silent.
  const bool absolute = !name.empty() && (name[0] == '/' || name.find(':') != std::string::npos);
  const std::optional<std::string> path =
      absolute ? std::optional<std::string>(name) : platform::findFile(gameFolder_, name);
  if (!path || !platform::addApplicationFont(*path)) return;
  if (added_.size() < kAddedLimit) added_.push_back(name);
}

void FontCommands::setFontFile(CommandContext& c) {
  const std::string name(c.text(1));
  const std::string fallback(c.text(2));
  name_ = name.empty() ? settings_.fontFile : name;
  if (!fallback.empty()) settings_.fontFile = fallback;
  if (refont_) refont_(current());
}

void FontCommands::getFontFile(CommandContext& c) {
  c.setTextResult(1, current().name);
}

void FontCommands::setFontStyle(CommandContext& c) {
  const std::int32_t style = c.integer(1);
  const std::int32_t fallback = c.integer(2);
  style_ = style < 0 ? settings_.fontStyle : style;
  if (fallback >= 0) settings_.fontStyle = fallback;
  if (refont_) refont_(current());
}

void FontCommands::getFontStyle(CommandContext& c) {
  c.setIntegerResult(1, current().style);
}

void FontCommands::setColour(CommandContext& c, std::optional<std::int32_t>& colour,
                             std::int32_t MessageSettings::*stored) {
  const std::int32_t value = c.integer(1);
  const std::int32_t fallback = c.integer(2);
  // The colour is settled before a new default is kept: −1 with a new
  // default takes the old one.
  colour = value < 0 ? settings_.*stored : value;
  if (fallback >= 0) settings_.*stored = fallback;
  if (recolour_) recolour_(current());
}

void FontCommands::setFontColor(CommandContext& c) {
  setColour(c, colour1_, &MessageSettings::fontColor1);
}

void FontCommands::setFontColor2(CommandContext& c) {
  setColour(c, colour2_, &MessageSettings::fontColor2);
}

void FontCommands::setFontColor3(CommandContext& c) {
  setColour(c, colour3_, &MessageSettings::fontColor3);
}

void FontCommands::getFontListNum(CommandContext& c) {
  const std::int32_t filter = c.integer(1);
  list_ = platform::installedJapaneseFamilies((filter & 1) != 0, (filter & 2) != 0);
  c.setIntegerResult(2, static_cast<std::int32_t>(list_.size()));
}

void FontCommands::getFontListStr(CommandContext& c) {
  const std::int32_t index = c.integer(1);
  const bool inList = index >= 0 && static_cast<std::size_t>(index) < list_.size();
  c.setTextResult(2, inList ? list_[static_cast<std::size_t>(index)] : std::string());
}

}  // namespace tsuzuri::text
