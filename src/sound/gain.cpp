#include "sound/gain.h"

#include <algorithm>
#include <cmath>

namespace tsuzuri::sound {

std::int32_t categoryFactor(std::int32_t masterVolume, std::int32_t masterSwitch,
                            std::int32_t categoryVolume, std::int32_t categorySwitch) {
  const std::int64_t product =
      std::int64_t{masterVolume} * categoryVolume * masterSwitch * categorySwitch / 100;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(product, -1000000, 1000000));
}

std::int32_t gainAttenuation(double volume, double volume2, std::int32_t factor) {
  const double gain = volume * volume2 / 100.0 * (factor / 10000.0);
  if (!(gain >= 0.005)) return kSilent;
  // Rounded to the nearest hundredth; a gain above 1 cannot amplify.
  return std::min<std::int32_t>(0,
                                static_cast<std::int32_t>(std::lround(2000.0 * std::log10(gain))));
}

std::int32_t panAttenuation(double pan) {
  if (pan < 0) {
    if (pan < -99.995) return kSilent;
    return static_cast<std::int32_t>(std::lround(2000.0 * std::log10((pan + 100.0) / 100.0)));
  }
  if (pan > 0) {
    if (pan > 99.995) return -kSilent;
    return static_cast<std::int32_t>(std::lround(-2000.0 * std::log10((100.0 - pan) / 100.0)));
  }
  return 0;
}

float amplitudeOf(std::int32_t attenuation) {
  if (attenuation <= kSilent) return 0.0f;
  if (attenuation >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, attenuation / 2000.0));
}

}  // namespace tsuzuri::sound
