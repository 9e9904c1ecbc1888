#include "sound/sound_commands.h"

#include <algorithm>
#include <string>

#include "util/sjis.h"

namespace tsuzuri::sound {

using commands::CommandContext;

namespace {

// Game scripts write paths with either separator; the files are found with `/`.
std::string fileArgument(CommandContext& c, int i) {
  std::string name(c.text(i));
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

std::int32_t clampToInt(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

constexpr int kMaster = SoundCommands::kAllCategories;
constexpr int kBgm = static_cast<int>(Category::kBgm);
constexpr int kSe = static_cast<int>(Category::kSe);
constexpr int kSysSe = static_cast<int>(Category::kSysSe);
constexpr int kVoice = static_cast<int>(Category::kVoice);
constexpr int kSysVoice = static_cast<int>(Category::kSysVoice);
using S = SoundSettings;
using SC = SoundCommands;

constexpr commands::SystemCommandEntry<SoundCommands> kCommands[] = {
    {"sd_create", &SC::sd_create},
    {"sd", &SC::sd},
    {"sd_load", &SC::sd_load},
    {"sd_play", &SC::sd_play},
    {"sd_pause", &SC::sd_pause},
    {"sd_stop", &SC::sd_stop},
    {"sd_volume", &SC::sd_volume},
    {"sd_volume2", &SC::sd_volume2},
    {"sd_panpot", &SC::sd_panpot},
    {"sd_status", &SC::sd_status},
    {"sd_getFile", &SC::sd_getFile},
    {"sd_seekTime", &SC::sd_seekTime},
    {"sd_nowTime", &SC::sd_nowTime},
    {"sd_totalTime", &SC::sd_totalTime},
    {"sd_loopTime", &SC::sd_loopTime},
    {"sd_seekSample", &SC::sd_seekSample},
    {"sd_nowSample", &SC::sd_nowSample},
    {"sd_totalSample", &SC::sd_totalSample},
    {"sd_loopSample", &SC::sd_loopSample},
    {"setMasterVolume", &SC::setLevel<&S::masterVolume, kMaster, false>},
    {"getMasterVolume", &SC::get<&S::masterVolume>},
    {"setMasterMute", &SC::setLevel<&S::masterMute, kMaster, true>},
    {"getMasterMute", &SC::get<&S::masterMute>},
    {"setBgmVolume", &SC::setLevel<&S::bgmVolume, kBgm, false>},
    {"getBgmVolume", &SC::get<&S::bgmVolume>},
    {"setBgmMute", &SC::setLevel<&S::bgmMute, kBgm, true>},
    {"getBgmMute", &SC::get<&S::bgmMute>},
    {"setSeVolume", &SC::setLevel<&S::seVolume, kSe, false>},
    {"getSeVolume", &SC::get<&S::seVolume>},
    {"setSeMute", &SC::setLevel<&S::seMute, kSe, true>},
    {"getSeMute", &SC::get<&S::seMute>},
    {"setSysSeVolume", &SC::setLevel<&S::sysSeVolume, kSysSe, false>},
    {"getSysSeVolume", &SC::get<&S::sysSeVolume>},
    {"setSysSeMute", &SC::setLevel<&S::sysSeMute, kSysSe, true>},
    {"getSysSeMute", &SC::get<&S::sysSeMute>},
    {"setVoVolume", &SC::setLevel<&S::voVolume, kVoice, false>},
    {"getVoVolume", &SC::get<&S::voVolume>},
    {"setVoMute", &SC::setLevel<&S::voMute, kVoice, true>},
    {"getVoMute", &SC::get<&S::voMute>},
    {"setSysVoVolume", &SC::setLevel<&S::sysVoVolume, kSysVoice, false>},
    {"getSysVoVolume", &SC::get<&S::sysVoVolume>},
    {"setSysVoMute", &SC::setLevel<&S::sysVoMute, kSysVoice, true>},
    {"getSysVoMute", &SC::get<&S::sysVoMute>},
    {"setVoiceCancel", &SC::setStored<&S::voiceCancel, false>},
    {"getVoiceCancel", &SC::get<&S::voiceCancel>},
    {"setVoiceWait", &SC::setStored<&S::voiceWait, false>},
    {"getVoiceWait", &SC::get<&S::voiceWait>},
    {"setBgmVolDown", &SC::setStored<&S::bgmVolDown, true>},
    {"getBgmVolDown", &SC::get<&S::bgmVolDown>},
    {"setSeVolDown", &SC::setStored<&S::seVolDown, true>},
    {"getSeVolDown", &SC::get<&S::seVolDown>},
};

}  // namespace

void SoundCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

bool SoundCommands::channel(CommandContext& c, std::int32_t& channel) {
  channel = c.integer(1);
  if (channel >= 0 && channel < kChannelCount) return true;
  errors_.reportWithContext(std::to_string(channel) +
                            util::toSjis(u8" サウンドチャンネル番号が不正です"));
  return false;
}

template <auto Field, int Which, bool AsFlag>
void SoundCommands::setLevel(CommandContext& c) {
  const std::int32_t value = c.integer(1);
  settings_.*Field = AsFlag ? (value != 0 ? 1 : 0) : value;
  if constexpr (Which == kAllCategories) {
    system_.refreshAll();
  } else {
    system_.refreshCategory(static_cast<Category>(Which));
  }
}

template <auto Field, bool AsFlag>
void SoundCommands::setStored(CommandContext& c) {
  const std::int32_t value = c.integer(1);
  settings_.*Field = AsFlag ? (value != 0 ? 1 : 0) : value;
  system_.refreshDucking();
}

template <auto Field>
void SoundCommands::get(CommandContext& c) {
  c.setIntegerResult(1, settings_.*Field);
}

void SoundCommands::sd_create(CommandContext& /*c*/) {
  system_.create();
}

void SoundCommands::sd(CommandContext& c) {
  std::int32_t ch = 0;
  if (!channel(c, ch)) return;
  static_cast<void>(system_.playFile(ch, fileArgument(c, 2), c.integer(3), c.integer(4),
                                     c.integer(5), c.integer(6), c.integer(7), c.integer(8)));
}

void SoundCommands::sd_load(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.loadOnly(ch, fileArgument(c, 2));
}

void SoundCommands::sd_play(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) {
    system_.play(ch, c.integer(2), c.integer(3), c.integer(4), c.integer(5), c.integer(6));
  }
}

void SoundCommands::sd_pause(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.pause(ch, c.integer(2) == 1);
}

void SoundCommands::sd_stop(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.stop(ch, c.integer(2), c.integer(3));
}

void SoundCommands::sd_volume(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.setVolume(ch, c.integer(2), c.integer(3));
}

void SoundCommands::sd_volume2(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.setVolume2(ch, c.integer(2), c.integer(3));
}

void SoundCommands::sd_panpot(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.setPan(ch, c.integer(2), c.integer(3));
}

void SoundCommands::sd_status(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) c.setIntegerResult(2, system_.status(ch));
}

void SoundCommands::sd_getFile(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) c.setTextResult(2, system_.file(ch));
}

void SoundCommands::sd_seekTime(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.seekMs(ch, c.integer(2));
}

void SoundCommands::sd_nowTime(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) c.setIntegerResult(2, clampToInt(system_.nowMs(ch)));
}

void SoundCommands::sd_totalTime(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) c.setIntegerResult(2, clampToInt(system_.totalMs(ch)));
}

void SoundCommands::sd_loopTime(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.setLoopMs(ch, c.integer(2), c.integer(3), c.integer(4));
}

void SoundCommands::sd_seekSample(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.seekSample(ch, c.integer(2));
}

void SoundCommands::sd_nowSample(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) c.setIntegerResult(2, clampToInt(system_.nowSample(ch)));
}

void SoundCommands::sd_totalSample(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) c.setIntegerResult(2, clampToInt(system_.totalSample(ch)));
}

void SoundCommands::sd_loopSample(CommandContext& c) {
  std::int32_t ch = 0;
  if (channel(c, ch)) system_.setLoopSample(ch, c.integer(2), c.integer(3), c.integer(4));
}

}  // namespace tsuzuri::sound
