#pragma once

#include <cstdint>
#include <string>

namespace tsuzuri::sound {

// The sound device's, the volumes' and the voice settings. Mutes are 1 when audible.
// Defaults are those of a game without a settings file.
struct SoundSettings {
  std::int32_t hardwareSound = 0;
  std::int32_t streamBufferSize = 64;
  std::int32_t globalFocus = 1;
  std::int32_t masterVolume = 100;
  std::int32_t masterMute = 1;
  std::int32_t movieVolume = 100;
  std::int32_t movieMute = 1;
  std::int32_t bgmVolume = 100;
  std::int32_t bgmMute = 1;
  std::int32_t seVolume = 100;
  std::int32_t seMute = 1;
  std::int32_t sysSeVolume = 100;
  std::int32_t sysSeMute = 1;
  std::int32_t voVolume = 100;
  std::int32_t voMute = 1;
  std::int32_t sysVoVolume = 100;
  std::int32_t sysVoMute = 1;
  std::int32_t voiceCancel = 0;
  std::int32_t voiceWait = 1;
  std::int32_t bgmVolDown = 1;
  std::int32_t bgmMax = 30;
  std::int32_t bgmMin = 15;
  std::int32_t seVolDown = 1;
  std::int32_t seMax = 100;
  std::int32_t seMin = 50;
  std::int32_t fadeVolDown = 250;
};

}  // namespace tsuzuri::sound
