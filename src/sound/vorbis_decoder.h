#pragma once

#include <memory>
#include <string_view>

#include "sound/sound_decoder.h"
#include "util/reporter.h"

namespace tsuzuri::sound {

// Opens an Ogg Vorbis file (mono or stereo) held in memory and reads its
// loop comment into `loop`; without one, `loop` spans the whole sound.
// Failures are reported after the name and give null.
std::unique_ptr<SoundDecoder> openVorbis(SoundData data, std::string_view name,
                                         util::Reporter& reporter, LoopPoints& loop);

}  // namespace tsuzuri::sound
