#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sound/sound_encoding.h"

namespace tsuzuri::demosound {

// Where the engine starts a sound and the stretch it repeats, in samples.
struct LoopPoints {
  std::int64_t start = 0;
  std::int64_t loopStart = 0;
  std::int64_t loopEnd = 0;
};

// One of the demo's sounds, ready to encode.
struct DemoSound {
  std::string name;  // the file name, e.g. "bgm.ogg"
  soundtools::Pcm pcm;
  std::optional<LoopPoints> loop;
  float quality = 0.4f;
};

// The music's bar: four beats at 105 beats a minute, at 44100 Hz.
inline constexpr std::int64_t kMusicBarFrames = 4 * 25200;

// bgm.ogg: an intro bar, then eight bars that loop; the sound's last frame
// is the loop end, and what rings on past it is folded into the loop's
// start, so the repeat is seamless.
DemoSound music();

// se.ogg: a soft two-note chime for choices.
DemoSound chime();

// voice.ogg: a murmured phrase, made by formant synthesis.
DemoSound voice();

// The Vorbis comments that carry a sound's loop points to the engine.
std::vector<std::string> commentsFor(const DemoSound& sound);

}  // namespace tsuzuri::demosound
