#include "util/wave_header.h"

#include <cstring>

namespace tsuzuri::util {

namespace {

void putLe(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::array<std::uint8_t, 44> pcm16WaveHeader(std::uint32_t channels, std::uint32_t rate,
                                             std::uint32_t dataBytes) {
  std::array<std::uint8_t, 44> h{};
  std::memcpy(h.data(), "RIFF", 4);
  putLe(h.data() + 4, dataBytes + 36, 4);
  std::memcpy(h.data() + 8, "WAVEfmt ", 8);
  putLe(h.data() + 16, 16, 4);
  putLe(h.data() + 20, 1, 2);  // integer PCM
  putLe(h.data() + 22, channels, 2);
  putLe(h.data() + 24, rate, 4);
  putLe(h.data() + 28, rate * channels * 2, 4);
  putLe(h.data() + 32, channels * 2, 2);
  putLe(h.data() + 34, 16, 2);
  std::memcpy(h.data() + 36, "data", 4);
  putLe(h.data() + 40, dataBytes, 4);
  return h;
}

}  // namespace tsuzuri::util
