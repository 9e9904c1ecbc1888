#include "util/wave_header.h"

#include <cstring>

#include "util/byte_order.h"

namespace tsuzuri::util {

namespace {}  // namespace

std::array<std::uint8_t, 44> pcm16WaveHeader(std::uint32_t channels, std::uint32_t rate,
                                             std::uint32_t dataBytes) {
  std::array<std::uint8_t, 44> h{};
  std::memcpy(h.data(), "RIFF", 4);
  putLe32(h.data() + 4, dataBytes + 36);
  std::memcpy(h.data() + 8, "WAVEfmt ", 8);
  putLe32(h.data() + 16, 16);
  putLe16(h.data() + 20, 1);  // integer PCM
  putLe16(h.data() + 22, channels);
  putLe32(h.data() + 24, rate);
  putLe32(h.data() + 28, rate * channels * 2);
  putLe16(h.data() + 32, channels * 2);
  putLe16(h.data() + 34, 16);
  std::memcpy(h.data() + 36, "data", 4);
  putLe32(h.data() + 40, dataBytes);
  return h;
}

}  // namespace tsuzuri::util
