#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sound/sound_encoding.h"

namespace tsuzuri::soundtools {

// The RMS level of each channel in whole dBFS (a full-scale square wave is
// 0), per window of `windowMs` milliseconds, one line per run of windows
// with the same levels: "START-END ms: L R". A channel below -90 dBFS is
// "-". The last window may be short; its END is the sound's end, rounded
// up to a whole millisecond. Empty without a positive rate and window.
std::string soundLevels(const Pcm& pcm, std::int32_t windowMs);

// Runs one tsuzuri-sound command line (without the program name); returns
// the exit status: 0 done, 1 the work failed, 2 the command line is wrong.
int runSoundCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tsuzuri::soundtools
