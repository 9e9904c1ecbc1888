#include "persist/settings_commands.h"

namespace tsuzuri::persist {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<SettingsCommands> kCommands[] = {
    {"setConfirmDialog", &SettingsCommands::setConfirmDialog},
    {"getConfirmDialog", &SettingsCommands::getConfirmDialog},
    {"setEffectSkip", &SettingsCommands::setEffectSkip},
    {"getEffectSkip", &SettingsCommands::getEffectSkip},
    {"setEffectCancel", &SettingsCommands::setEffectCancel},
    {"getEffectCancel", &SettingsCommands::getEffectCancel},
    {"setPointWait", &SettingsCommands::setPointWait},
    {"getPointWait", &SettingsCommands::getPointWait},
    {"setWindowAlpha", &SettingsCommands::setWindowAlpha},
    {"getWindowAlpha", &SettingsCommands::getWindowAlpha},
    {"setMessageClick", &SettingsCommands::setMessageClick},
    {"getMessageClick", &SettingsCommands::getMessageClick},
    {"setMessageFade", &SettingsCommands::setMessageFade},
    {"getMessageFade", &SettingsCommands::getMessageFade},
    {"setAlreadyReadSkip", &SettingsCommands::setAlreadyReadSkip},
    {"getAlreadyReadSkip", &SettingsCommands::getAlreadyReadSkip},
    {"setAlreadyReadAutoSkip", &SettingsCommands::setAlreadyReadAutoSkip},
    {"getAlreadyReadAutoSkip", &SettingsCommands::getAlreadyReadAutoSkip},
    {"setAlreadyReadMoment", &SettingsCommands::setAlreadyReadMoment},
    {"getAlreadyReadMoment", &SettingsCommands::getAlreadyReadMoment},
    {"setSelectSkipMode", &SettingsCommands::setSelectSkipMode},
    {"getSelectSkipMode", &SettingsCommands::getSelectSkipMode},
    {"setSelectAutoMode", &SettingsCommands::setSelectAutoMode},
    {"getSelectAutoMode", &SettingsCommands::getSelectAutoMode},
    {"setWallPaper", &SettingsCommands::setWallPaper},
    {"getWallPaper", &SettingsCommands::getWallPaper},
    {"setCursor", &SettingsCommands::setCursor},
    {"getCursor", &SettingsCommands::getCursor},
    {"getStartTime", &SettingsCommands::getStartTime},
    {"getTotalTime", &SettingsCommands::getTotalTime},
    {"getCurrentDirectory", &SettingsCommands::getCurrentDirectory},
    {"saveSetting", &SettingsCommands::saveSetting},
    {"loadSetting", &SettingsCommands::loadSetting},
};

std::int32_t flag(CommandContext& c) {
  return c.integer(1) != 0 ? 1 : 0;
}

}  // namespace

void SettingsCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void SettingsCommands::setConfirmDialog(CommandContext& c) {
  settings_.persist.confirmations[static_cast<std::size_t>(c.integer(2) & 15)] = flag(c);
}

void SettingsCommands::getConfirmDialog(CommandContext& c) {
  c.setIntegerResult(2,
                     settings_.persist.confirmations[static_cast<std::size_t>(c.integer(1) & 15)]);
}

void SettingsCommands::setEffectSkip(CommandContext& c) {
  settings_.render.effectSkip = c.integer(1);
}
void SettingsCommands::getEffectSkip(CommandContext& c) {
  c.setIntegerResult(1, settings_.render.effectSkip);
}
void SettingsCommands::setEffectCancel(CommandContext& c) {
  settings_.render.effectCancel = c.integer(1);
}
void SettingsCommands::getEffectCancel(CommandContext& c) {
  c.setIntegerResult(1, settings_.render.effectCancel);
}
void SettingsCommands::setPointWait(CommandContext& c) {
  settings_.messages.pointWait = c.integer(1) & 0xFF;
}
void SettingsCommands::getPointWait(CommandContext& c) {
  c.setIntegerResult(1, settings_.messages.pointWait);
}
void SettingsCommands::setWindowAlpha(CommandContext& c) {
  settings_.messages.windowAlpha = c.integer(1);
}
void SettingsCommands::getWindowAlpha(CommandContext& c) {
  c.setIntegerResult(1, settings_.messages.windowAlpha);
}
void SettingsCommands::setMessageClick(CommandContext& c) {
  settings_.messages.messageClick = flag(c);
}
void SettingsCommands::getMessageClick(CommandContext& c) {
  c.setIntegerResult(1, settings_.messages.messageClick);
}
void SettingsCommands::setMessageFade(CommandContext& c) {
  settings_.messages.messageFade = flag(c);
}
void SettingsCommands::getMessageFade(CommandContext& c) {
  c.setIntegerResult(1, settings_.messages.messageFade);
}
void SettingsCommands::setAlreadyReadSkip(CommandContext& c) {
  settings_.messages.alreadyReadSkip = flag(c);
}
void SettingsCommands::getAlreadyReadSkip(CommandContext& c) {
  c.setIntegerResult(1, settings_.messages.alreadyReadSkip);
}
void SettingsCommands::setAlreadyReadAutoSkip(CommandContext& c) {
  settings_.messages.alreadyReadAutoSkip = flag(c);
}
void SettingsCommands::getAlreadyReadAutoSkip(CommandContext& c) {
  c.setIntegerResult(1, settings_.messages.alreadyReadAutoSkip);
}
void SettingsCommands::setAlreadyReadMoment(CommandContext& c) {
  settings_.messages.alreadyReadMoment = flag(c);
}
void SettingsCommands::getAlreadyReadMoment(CommandContext& c) {
  c.setIntegerResult(1, settings_.messages.alreadyReadMoment);
}
void SettingsCommands::setSelectSkipMode(CommandContext& c) {
  settings_.messages.selectSkipMode = flag(c);
}
void SettingsCommands::getSelectSkipMode(CommandContext& c) {
  c.setIntegerResult(1, settings_.messages.selectSkipMode);
}
void SettingsCommands::setSelectAutoMode(CommandContext& c) {
  settings_.messages.selectAutoMode = flag(c);
}
void SettingsCommands::getSelectAutoMode(CommandContext& c) {
  c.setIntegerResult(1, settings_.messages.selectAutoMode);
}

// The wallpaper and the cursor take effect through the window when it
// exists; here they are stored for it and for the settings file.
void SettingsCommands::setWallPaper(CommandContext& c) {
  settings_.display.wallPaper.assign(c.text(1));
}
void SettingsCommands::getWallPaper(CommandContext& c) {
  c.setTextResult(1, settings_.display.wallPaper);
}
void SettingsCommands::setCursor(CommandContext& c) {
  settings_.display.cursorFile.assign(c.text(1));
}
void SettingsCommands::getCursor(CommandContext& c) {
  c.setTextResult(1, settings_.display.cursorFile);
}

void SettingsCommands::getStartTime(CommandContext& c) {
  c.setIntegerResult(1, static_cast<std::int32_t>(persistence_.startTime()));
}
void SettingsCommands::getTotalTime(CommandContext& c) {
  c.setIntegerResult(1, static_cast<std::int32_t>(persistence_.totalTime()));
}
void SettingsCommands::getCurrentDirectory(CommandContext& c) {
  c.setTextResult(1, persistence_.root().sjis);
}

void SettingsCommands::saveSetting(CommandContext& /*c*/) {
  persistence_.saveSetting();
}

void SettingsCommands::loadSetting(CommandContext& c) {
  // A cancelled question of the save location ends the run.
  if (!persistence_.loadSetting(c.text(1), c.text(2))) c.endAction();
}

}  // namespace tsuzuri::persist
