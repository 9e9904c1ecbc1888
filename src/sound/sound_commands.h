#pragma once

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "script/error_sink.h"
#include "sound/sound_system.h"

namespace tsuzuri::sound {

// The sound commands, `sd_create` … `sd_loopSample`, and the volume
// settings commands, `setMasterVolume` … `getSeVolDown`.
class SoundCommands {
 public:
  SoundCommands(SoundSystem& system, SoundSettings& settings, script::ErrorSink& errors)
      : system_(system), settings_(settings), errors_(errors) {}

  void registerWith(commands::CommandRegistry& registry);

  void sd_create(commands::CommandContext& c);
  void sd(commands::CommandContext& c);
  void sd_load(commands::CommandContext& c);
  void sd_play(commands::CommandContext& c);
  void sd_pause(commands::CommandContext& c);
  void sd_stop(commands::CommandContext& c);
  void sd_volume(commands::CommandContext& c);
  void sd_volume2(commands::CommandContext& c);
  void sd_panpot(commands::CommandContext& c);
  void sd_status(commands::CommandContext& c);
  void sd_getFile(commands::CommandContext& c);
  void sd_seekTime(commands::CommandContext& c);
  void sd_nowTime(commands::CommandContext& c);
  void sd_totalTime(commands::CommandContext& c);
  void sd_loopTime(commands::CommandContext& c);
  void sd_seekSample(commands::CommandContext& c);
  void sd_nowSample(commands::CommandContext& c);
  void sd_totalSample(commands::CommandContext& c);
  void sd_loopSample(commands::CommandContext& c);

  // A volume or switch setting: stored, then the gains of its category's
  // channels (all channels for the master ones, kAllCategories) follow at once.
  static constexpr int kAllCategories = -1;
  template <auto Field, int Which, bool AsFlag>
  void setLevel(commands::CommandContext& c);
  // The settings that are only kept: ducking switches, voice options.
  template <auto Field, bool AsFlag>
  void setStored(commands::CommandContext& c);
  template <auto Field>
  void get(commands::CommandContext& c);

 private:
  // Channel argument 1, reported when out of range.
  bool channel(commands::CommandContext& c, std::int32_t& channel);

  SoundSystem& system_;
  SoundSettings& settings_;
  script::ErrorSink& errors_;
};

}  // namespace tsuzuri::sound
