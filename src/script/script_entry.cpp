#include "script/script_entry.h"

#include <zlib.h>

#include <limits>

#include "util/crc.h"

namespace tsuzuri::script {

std::uint32_t titleKey(std::string_view sjisTitle) {
  return static_cast<std::uint32_t>(util::crc64_hash2(sjisTitle));
}

void scrambleEntryWords(std::span<std::uint8_t> data, std::uint32_t word) {
  const std::size_t whole = data.size() / 4 * 4;
  for (std::size_t i = 0; i < whole; i += 4) {
    for (std::size_t k = 0; k < 4; ++k) data[i + k] ^= static_cast<std::uint8_t>(word >> (8 * k));
  }
}

std::optional<std::size_t> inflateEntry(std::span<const std::uint8_t> packed,
                                        std::span<std::uint8_t> out) {
  if (packed.size() > std::numeric_limits<uLong>::max() ||
      out.size() > std::numeric_limits<uLongf>::max()) {
    return std::nullopt;
  }
  auto length = static_cast<uLongf>(out.size());
  // zlib wants a writable pointer even for an empty output.
  Bytef dummy = 0;
  Bytef* target = out.empty() ? &dummy : out.data();
  if (uncompress(target, &length, packed.data(), static_cast<uLong>(packed.size())) != Z_OK) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(length);
}

}  // namespace tsuzuri::script
