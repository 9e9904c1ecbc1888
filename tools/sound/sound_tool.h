#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "sound/sound_encoding.h"

namespace tsuzuri::soundtools {

// Reads a RIFF WAVE file of integer PCM, 8-bit (unsigned) or 16-bit, any
// channel count; 8-bit samples are widened to 16 bits, and `sourceBits`,
// when given, receives the file's own sample size. Chunks other than
// "fmt " and "data" are skipped. Nothing, with `error` saying why, for
// anything else or a file whose chunks run past its end.
std::optional<Pcm> readWav(std::span<const std::uint8_t> bytes, std::string& error,
                           std::int32_t* sourceBits = nullptr);

// The RMS level of each channel in whole dBFS (a full-scale square wave is
// 0), per window of `windowMs` milliseconds, one line per run of windows
// with the same levels: "START-END ms: L R". A channel below -90 dBFS is
// "-". The last window may be short; its END is the sound's end, rounded
// up to a whole millisecond. `windowMs` must be positive.
std::string soundLevels(const Pcm& pcm, std::int32_t windowMs);

// Runs one tsuzuri-sound command line (without the program name); returns
// the exit status: 0 done, 1 the work failed, 2 the command line is wrong.
int runSoundCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tsuzuri::soundtools
