#pragma once

#include <cstdint>
#include <span>

namespace tsuzuri::scene {

// The arithmetic of a rule-image (stage) transition: each pixel of the rule
// image shows the new picture once the progress passes its grey value,
// with an edge of `vague` grey levels (0: hard).

// The vague of the fifth argument of `effect`: (argument − 1) mod 512, so 0
// gives the softest edge, 511.
std::int32_t stageVague(std::int32_t argument);

// The progress at `elapsed` of `duration` ms: 0 .. vague + 255.
std::int32_t stageProgress(std::int32_t vague, std::int32_t elapsed, std::int32_t duration,
                           std::int32_t easing);

// The alpha 0..255 of a pixel with rule value `mask` at `progress`:
// clamp(trunc(255 (n − 255) / vague), 0, 255) with n = progress + 255 −
// mask; 255 when vague is 0.
std::uint8_t stageAlpha(std::int32_t vague, std::int32_t progress, std::uint8_t mask);
// The same in 16-bit colour: 4-bit steps of the vague ÷ 16 (0: opaque),
// from the mask's low nibble; the result is the alpha nibble × 16.
std::uint8_t stageAlpha16(std::int32_t vague, std::int32_t progress16, std::uint8_t mask);
std::int32_t stageProgress16(std::int32_t vague, std::int32_t elapsed, std::int32_t duration,
                             std::int32_t easing);

// Writes one frame's alpha for every rule pixel (BGRA, the rule value in
// the first byte) as a mask the alpha-mask program reads: red = 255 −
// alpha, so that alpha × (1 − red) gives the pixel's opacity.
void writeStageMask(std::span<const std::uint32_t> rule, std::span<std::uint32_t> mask,
                    std::int32_t vague, std::int32_t elapsed, std::int32_t duration,
                    std::int32_t easing, bool sixteenBit);

}  // namespace tsuzuri::scene
