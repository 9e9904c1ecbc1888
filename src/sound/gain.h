#pragma once

#include <cstdint>

namespace tsuzuri::sound {

// Attenuations are in hundredths of a decibel: 0 is full level, −10000 silence.
inline constexpr std::int32_t kSilent = -10000;

// The category factor of a channel (0–100 at the usual settings): master
// volume × category volume × the two switches / 100, in integers.
std::int32_t categoryFactor(std::int32_t masterVolume, std::int32_t masterSwitch,
                            std::int32_t categoryVolume, std::int32_t categorySwitch);

// The attenuation of a channel playing at `volume` and `volume2` (0–100
// each, fractional while fading) under `factor`: silence below a gain of
// 0.005, never above full level.
std::int32_t gainAttenuation(double volume, double volume2, std::int32_t factor);

// The balance of a pan position −100 (left) … 100 (right): negative values
// attenuate the right side by that much, positive ones the left side.
std::int32_t panAttenuation(double pan);

// The linear amplitude of an attenuation.
float amplitudeOf(std::int32_t attenuation);

}  // namespace tsuzuri::sound
