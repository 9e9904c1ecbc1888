#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "util/reporter.h"

namespace tsuzuri::sound {

// What a sound file's first bytes say it is. Opus is recognised so that it
// can be refused by name; it is not played.
enum class SoundType : std::int32_t { kWav = 0, kVorbis = 1, kOpus = 2, kUnknown = -1 };

SoundType detectSoundType(std::span<const std::uint8_t> data);

// Whether `text` lies at `at` in `data` (false where it would run past the end).
bool hasBytes(std::span<const std::uint8_t> data, std::size_t at, std::string_view text);

// The sample formats the engine plays: mono or stereo, at a rate some card
// plays (others are a damaged header, not a sound).
bool playableFormat(std::int64_t channels, std::int64_t rate);

// "NAME 未対応の形式です": the report of a file that is no sound the engine plays.
void reportUnsupported(util::Reporter& reporter, std::string_view name);

// Where playback starts, and the loop's two ends, in sample frames. A sound
// without loop information starts at 0 and loops over the whole of it.
struct LoopPoints {
  std::int64_t start = 0;
  std::int64_t loopStart = 0;
  std::int64_t loopEnd = 0;
};

// A sound file's bytes, shared by its decoder and the preload map.
using SoundData = std::shared_ptr<const std::vector<std::uint8_t>>;

// A decoder over a whole sound file in memory. It delivers 16-bit signed
// PCM, interleaved, with the file's own channel count (1 or 2) and rate.
// Positions are sample frames, or milliseconds; seeks are clamped to the
// sound's length. Not thread-safe: one user at a time.
class SoundDecoder {
 public:
  virtual ~SoundDecoder() = default;

  virtual std::int32_t channels() const = 0;
  virtual std::int32_t rate() const = 0;

  // Reads up to `frames` frames into `out` (room for frames × channels
  // samples). Returns the frames delivered: 0 at the end of the data, −1
  // when the data cannot be decoded.
  virtual std::int64_t read(std::int16_t* out, std::int64_t frames) = 0;

  virtual void seekSample(std::int64_t sample) = 0;
  virtual void seekMs(std::int64_t milliseconds) = 0;
  virtual std::int64_t tellSample() = 0;
  virtual std::int64_t tellMs() = 0;
  virtual std::int64_t totalSamples() = 0;
  virtual std::int64_t totalMs() = 0;
};

struct OpenedSound {
  std::unique_ptr<SoundDecoder> decoder;  // null when the file cannot be played
  SoundType type = SoundType::kUnknown;
  LoopPoints loop;
};

// Opens a sound file for playback. `name` (Shift_JIS) is the file's name as
// the script gave it; every report starts with it. A failure is reported
// and gives a null decoder.
OpenedSound openSound(SoundData data, std::string_view name, util::Reporter& reporter);

}  // namespace tsuzuri::sound
