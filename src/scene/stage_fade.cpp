#include "scene/stage_fade.h"

#include <algorithm>
#include <array>
#include <vector>

#include "scene/easing.h"

namespace tsuzuri::scene {

namespace {

constexpr std::int32_t kVagueLimit = 512;
constexpr std::int32_t kRowLength = 1024;

// One 1024-byte row per vague: no division per pixel.
const std::vector<std::uint8_t>& alphaTable() {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(static_cast<std::size_t>(kVagueLimit * kRowLength));
    for (std::int32_t v = 0; v < kVagueLimit; ++v) {
      for (std::int32_t n = 0; n < kRowLength; ++n) {
        const std::int32_t a = v == 0 ? 255 : std::clamp(255 * (n - 255) / v, 0, 255);
        t[static_cast<std::size_t>(v * kRowLength + n)] = static_cast<std::uint8_t>(a);
      }
    }
    return t;
  }();
  return table;
}

}  // namespace

std::int32_t stageVague(std::int32_t argument) {
  return ((argument - 1) % kVagueLimit + kVagueLimit) % kVagueLimit;
}

std::int32_t stageProgress(std::int32_t vague, std::int32_t elapsed, std::int32_t duration,
                           std::int32_t easing) {
  return easeInteger(0, vague + 255, elapsed, duration, easing);
}

std::uint8_t stageAlpha(std::int32_t vague, std::int32_t progress, std::uint8_t mask) {
  const std::int32_t v = std::clamp(vague, 0, kVagueLimit - 1);
  const std::int32_t n = std::clamp(progress + 255 - mask, 0, kRowLength - 1);
  return alphaTable()[static_cast<std::size_t>(v * kRowLength + n)];
}

std::int32_t stageProgress16(std::int32_t vague, std::int32_t elapsed, std::int32_t duration,
                             std::int32_t easing) {
  return easeInteger(0, vague / 16 + 15, elapsed, duration, easing);
}

std::uint8_t stageAlpha16(std::int32_t vague, std::int32_t progress16, std::uint8_t mask) {
  const std::int32_t f = std::clamp(vague, 0, kVagueLimit - 1) / 16;
  const std::int32_t n = std::clamp(progress16 + 15 - (mask & 0xF), 0, 63);
  if (f == 0) return 15 * 16;
  return static_cast<std::uint8_t>(std::clamp((15 * n - 225) / f, 0, 15) * 16);
}

void writeStageMask(std::span<const std::uint32_t> rule, std::span<std::uint32_t> mask,
                    std::int32_t vague, std::int32_t elapsed, std::int32_t duration,
                    std::int32_t easing, bool sixteenBit) {
  const std::size_t count = std::min(rule.size(), mask.size());
  // One alpha per rule value, then a lookup per pixel.
  std::array<std::uint32_t, 256> byValue{};
  const std::int32_t progress = sixteenBit ? stageProgress16(vague, elapsed, duration, easing)
                                           : stageProgress(vague, elapsed, duration, easing);
  for (std::int32_t m = 0; m < 256; ++m) {
    // A 4-bit alpha (the nibble × 16) opens to the full 8 bits.
    const std::uint8_t alpha =
        sixteenBit ? static_cast<std::uint8_t>(
                         (stageAlpha16(vague, progress, static_cast<std::uint8_t>(m)) >> 4) * 17)
                   : stageAlpha(vague, progress, static_cast<std::uint8_t>(m));
    byValue[static_cast<std::size_t>(m)] = 0xFF000000U |
                                           (static_cast<std::uint32_t>(255 - alpha) << 16) |
                                           static_cast<std::uint32_t>(m);
  }
  for (std::size_t i = 0; i < count; ++i) mask[i] = byValue[rule[i] & 0xFF];
}

}  // namespace tsuzuri::scene
