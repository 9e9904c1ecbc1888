#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sound/sound_decoder.h"

namespace tsuzuri::sound {

inline constexpr std::int32_t kChannelCount = 30;

// Channel status as the scripts see it.
inline constexpr std::int32_t kPlaying = 0;
inline constexpr std::int32_t kStopping = 1;  // also: paused
inline constexpr std::int32_t kStopped = 2;

// A fade of one quantity (volume, volume2 or pan): from `base` to `target`
// over `duration` ms from `start` on the millisecond clock. `value` is where
// it has got to.
struct Fade {
  bool running = false;
  double base = 0.0;
  double value = 0.0;
  std::int32_t target = 0;
  std::int32_t duration = 0;
  std::uint32_t start = 0;
};

// A command left for later by a delay: a play when `file` is set, else a stop.
struct PendingCommand {
  std::string file;
  std::uint32_t due = 0;
  std::int32_t fade = 0;
  std::int32_t volume = 0;
  std::int32_t pan = 0;
  std::int32_t loops = 0;
  std::int64_t start = 0;
};

// One of the 30 sound channels: the loaded sound and its stream, and the
// levels, loops and status the commands set.
struct Channel {
  // The stream: the file's bytes and their decoder, and which block of the
  // buffer the stream fills next. `running` is the stream's periodic work
  // (fades and refills), on from play until it ends or is stopped.
  SoundData data;
  std::unique_ptr<SoundDecoder> decoder;
  std::uint64_t nameKey = 0;
  bool fromPreload = false;
  std::int64_t blockFrames = 0;
  int dueBlock = 1;
  bool running = false;

  std::int64_t startPosition = 0;
  std::int64_t loopStart = 0;
  std::int64_t loopEnd = 0;
  std::int32_t rate = 0;

  std::int32_t pan = 0;
  Fade panFade;
  std::int32_t volume = 100;
  std::int32_t volume2 = 100;
  std::int32_t categoryVolume = 100;
  std::int32_t categoryFactor = 100;
  std::int32_t categorySwitch = 1;
  Fade volumeFade;
  bool stopAtFadeEnd = false;
  Fade volume2Fade;

  std::int32_t status = kStopped;
  std::int32_t drain = 0;
  // −1 endless, 0 the last pass, n more passes.
  std::int32_t loopsRemaining = 0;
  std::int64_t pausePosition = 0;  // 0: not paused
  std::string file;                // Shift_JIS; empty when nothing is loaded

  std::optional<PendingCommand> pending;

  bool loaded() const { return decoder != nullptr; }
  // The levels now, fades included.
  double volumeNow() const { return volumeFade.running ? volumeFade.value : volume; }
  double volume2Now() const { return volume2Fade.running ? volume2Fade.value : volume2; }
  double panNow() const { return panFade.running ? panFade.value : pan; }
};

}  // namespace tsuzuri::sound
