#include "assets/scramble.h"

namespace tsuzuri::assets {

void scrambleWithName(std::span<std::uint8_t> data, std::string_view name) {
  const std::size_t n = name.size();
  if (n < 2) return;
  const std::size_t chunk = data.size() / n;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const auto key = static_cast<std::uint8_t>(name[i]);
    for (std::size_t k = i * chunk; k < (i + 1) * chunk; ++k) data[k] ^= key;
  }
}

}  // namespace tsuzuri::assets
