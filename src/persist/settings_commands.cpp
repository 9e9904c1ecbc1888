#include "persist/settings_commands.h"

namespace tsuzuri::persist {

using commands::CommandContext;

namespace {

std::int32_t flag(CommandContext& c) {
  return c.integer(1) != 0 ? 1 : 0;
}

}  // namespace

template <auto Group, auto Field, SettingsCommands::Stored How>
void SettingsCommands::set(CommandContext& c) {
  std::int32_t value = c.integer(1);
  if constexpr (How == Stored::kFlag) value = flag(c);
  if constexpr (How == Stored::kByte) value &= 0xFF;
  (settings_.*Group).*Field = value;
}

template <auto Group, auto Field>
void SettingsCommands::get(CommandContext& c) {
  c.setIntegerResult(1, (settings_.*Group).*Field);
}

namespace {

constexpr commands::SystemCommandEntry<SettingsCommands> kCommands[] = {
    {"setConfirmDialog", &SettingsCommands::setConfirmDialog},
    {"getConfirmDialog", &SettingsCommands::getConfirmDialog},
    {"setEffectSkip", &SettingsCommands::set<&Settings::render, &render::RenderSettings::effectSkip,
                                             SettingsCommands::Stored::kValue>},
    {"getEffectSkip",
     &SettingsCommands::get<&Settings::render, &render::RenderSettings::effectSkip>},
    {"setEffectCancel",
     &SettingsCommands::set<&Settings::render, &render::RenderSettings::effectCancel,
                            SettingsCommands::Stored::kValue>},
    {"getEffectCancel",
     &SettingsCommands::get<&Settings::render, &render::RenderSettings::effectCancel>},
    {"setPointWait", &SettingsCommands::set<&Settings::messages, &text::MessageSettings::pointWait,
                                            SettingsCommands::Stored::kByte>},
    {"getPointWait",
     &SettingsCommands::get<&Settings::messages, &text::MessageSettings::pointWait>},
    {"setWindowAlpha",
     &SettingsCommands::set<&Settings::messages, &text::MessageSettings::windowAlpha,
                            SettingsCommands::Stored::kValue>},
    {"getWindowAlpha",
     &SettingsCommands::get<&Settings::messages, &text::MessageSettings::windowAlpha>},
    {"setMessageClick",
     &SettingsCommands::set<&Settings::messages, &text::MessageSettings::messageClick,
                            SettingsCommands::Stored::kFlag>},
    {"getMessageClick",
     &SettingsCommands::get<&Settings::messages, &text::MessageSettings::messageClick>},
    {"setMessageFade",
     &SettingsCommands::set<&Settings::messages, &text::MessageSettings::messageFade,
                            SettingsCommands::Stored::kFlag>},
    {"getMessageFade",
     &SettingsCommands::get<&Settings::messages, &text::MessageSettings::messageFade>},
    {"setAlreadyReadSkip",
     &SettingsCommands::set<&Settings::messages, &text::MessageSettings::alreadyReadSkip,
                            SettingsCommands::Stored::kFlag>},
    {"getAlreadyReadSkip",
     &SettingsCommands::get<&Settings::messages, &text::MessageSettings::alreadyReadSkip>},
    {"setAlreadyReadAutoSkip",
     &SettingsCommands::set<&Settings::messages, &text::MessageSettings::alreadyReadAutoSkip,
                            SettingsCommands::Stored::kFlag>},
    {"getAlreadyReadAutoSkip",
     &SettingsCommands::get<&Settings::messages, &text::MessageSettings::alreadyReadAutoSkip>},
    {"setAlreadyReadMoment",
     &SettingsCommands::set<&Settings::messages, &text::MessageSettings::alreadyReadMoment,
                            SettingsCommands::Stored::kFlag>},
    {"getAlreadyReadMoment",
     &SettingsCommands::get<&Settings::messages, &text::MessageSettings::alreadyReadMoment>},
    {"setSelectSkipMode",
     &SettingsCommands::set<&Settings::messages, &text::MessageSettings::selectSkipMode,
                            SettingsCommands::Stored::kFlag>},
    {"getSelectSkipMode",
     &SettingsCommands::get<&Settings::messages, &text::MessageSettings::selectSkipMode>},
    {"setSelectAutoMode",
     &SettingsCommands::set<&Settings::messages, &text::MessageSettings::selectAutoMode,
                            SettingsCommands::Stored::kFlag>},
    {"getSelectAutoMode",
     &SettingsCommands::get<&Settings::messages, &text::MessageSettings::selectAutoMode>},
    {"getStartTime", &SettingsCommands::getStartTime},
    {"getTotalTime", &SettingsCommands::getTotalTime},
    {"getCurrentDirectory", &SettingsCommands::getCurrentDirectory},
    {"saveSetting", &SettingsCommands::saveSetting},
    {"loadSetting", &SettingsCommands::loadSetting},
};

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

void SettingsCommands::getStartTime(CommandContext& c) {
  c.setIntegerResult(1, static_cast<std::int32_t>(persistence_.startTime()));
}
void SettingsCommands::getTotalTime(CommandContext& c) {
  persistence_.clock().busyRead();
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
