#include "scene/quake.h"

#include "scene/easing.h"

namespace tsuzuri::scene {

float quakeOffset(const QuakeAxis& axis, std::int32_t elapsed) {
  const std::int32_t a = axis.amplitude;
  if (axis.mode == 0) {
    const std::int32_t half = axis.period >> 1;
    if (half <= 0) return 0;
    const std::int32_t d = elapsed % half;
    switch (elapsed / half) {
      case 0:
        return ease(a, d, half, axis.easing);
      case 1:
        return ease(a, half - d, half, axis.easing);
      default:
        return 0;
    }
  }
  const std::int32_t quarter = axis.period >> 2;
  if (quarter <= 0) return 0;
  const std::int32_t d = elapsed % quarter;
  switch (elapsed / quarter) {
    case 0:
      return ease(a, d, quarter, axis.easing);
    case 1:
      return ease(a, quarter - d, quarter, axis.easing);
    case 2:
      return ease(-a, d, quarter, axis.easing);
    case 3: {
      // The last swing comes back to rest on the in-out form of its curve.
      std::int32_t easing = axis.easing;
      if (axis.count == 1) {
        if (easing >= 1 && easing <= 10) easing += 10;
        if (easing >= -10 && easing <= -1) easing = 10 - easing;
      }
      return ease(-a, quarter - d, quarter, easing);
    }
    default:
      return 0;
  }
}

bool advanceQuake(QuakeAxis& axis, std::uint32_t now) {
  if (!axis.on()) return true;
  auto elapsed = static_cast<std::int32_t>(now - axis.startTime);
  if (elapsed < 0) return false;
  if (elapsed >= axis.period) {
    axis.startTime += static_cast<std::uint32_t>(axis.period);
    axis.offset = 0;
    const std::int32_t was = axis.count;
    axis.count -= 1;
    if (was == 1) {
      axis.stop();
      return true;
    }
    return false;
  }
  axis.offset = quakeOffset(axis, elapsed);
  return false;
}

}  // namespace tsuzuri::scene
