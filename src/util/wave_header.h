#pragma once

#include <array>
#include <cstdint>

namespace tsuzuri::util {

// The canonical 44-byte header of a 16-bit integer PCM WAV file whose
// samples (`dataBytes` of them, little-endian) follow it.
std::array<std::uint8_t, 44> pcm16WaveHeader(std::uint32_t channels, std::uint32_t rate,
                                             std::uint32_t dataBytes);

}  // namespace tsuzuri::util
