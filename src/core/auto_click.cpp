#include "core/auto_click.h"

namespace tsuzuri::core {

void AutoClick::poll(std::uint32_t now, bool somethingHappened) {
  if (somethingHappened) {
    quietSince_.reset();
  } else if (!quietSince_) {
    quietSince_ = now;
  }
}

bool AutoClick::due(std::uint32_t now) {
  // Unsigned difference: the quiet time is measured across the clock's wrap.
  if (!quietSince_ || now - *quietSince_ < interval_) return false;
  quietSince_.reset();
  return true;
}

}  // namespace tsuzuri::core
