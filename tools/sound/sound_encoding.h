#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tsuzuri::soundtools {

// 16-bit signed PCM, interleaved.
struct Pcm {
  std::int32_t channels = 2;
  std::int32_t rate = 44100;
  std::vector<std::int16_t> samples;

  std::int64_t frames() const {
    return channels > 0 ? static_cast<std::int64_t>(samples.size()) / channels : 0;
  }
};

// Encodes as Ogg Vorbis at a quality between -0.1 and 1, with the user
// comments given ("KEY=value", e.g. "COMMENT=setSample 0,44100,88200").
// The same input always gives the same bytes (the stream's serial number is
// fixed). Empty when the encoder refuses the format.
std::vector<std::uint8_t> encodeVorbis(const Pcm& pcm, std::span<const std::string> comments,
                                       float quality = 0.4f);

// The canonical 44-byte-header PCM WAV file; empty when its data would pass
// the 4 GiB a RIFF size can count.
std::vector<std::uint8_t> encodeWav(const Pcm& pcm);

}  // namespace tsuzuri::soundtools
