#pragma once

#include <memory>
#include <string_view>

#include "sound/sound_decoder.h"
#include "util/reporter.h"

namespace tsuzuri::sound {

// Opens integer PCM in a RIFF WAVE file: 8-bit unsigned, or 16, 24 or 32-bit
// signed samples, mono or stereo, in a plain or extensible format chunk.
// Anything else is reported as name + " 未対応の形式です" and gives null.
std::unique_ptr<SoundDecoder> openWav(SoundData data, std::string_view name,
                                      util::Reporter& reporter);

}  // namespace tsuzuri::sound
