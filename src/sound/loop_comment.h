#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sound/sound_decoder.h"

namespace tsuzuri::sound {

// What a Vorbis file's comments say about its loop.
enum class LoopCommentStatus {
  kNone,           // no usable loop comment: the defaults apply, silently
  kFound,          // `points` holds the three positions, in sample frames
  kWrongArgCount,  // a loop directive with other than three values: reported
};

struct LoopComment {
  LoopCommentStatus status = LoopCommentStatus::kNone;
  LoopPoints points;
};

// Reads the loop comment "COMMENT=setSample start,loopStart,loopEnd" (or
// setTime with milliseconds, converted at `rate`) from a file's comments.
// Only the first comment that contains "COMMENT" counts. A directive other
// than the two, a value that is not a whole decimal number, or a time too
// large to convert, gives kNone.
LoopComment parseLoopComment(std::span<const std::string> comments, std::int64_t rate);

// Milliseconds at `rate` as sample frames (ms × rate / 1000, truncated
// toward zero); nothing when the result passes 64 bits.
std::optional<std::int64_t> msToSamples(std::int64_t ms, std::int64_t rate);

}  // namespace tsuzuri::sound
