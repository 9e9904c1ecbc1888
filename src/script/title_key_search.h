#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "assets/container_index.h"

namespace tsuzuri::script {

// Recovers the title key of a script.dat whose title is not known, from the
// whole file's bytes and its decoded index. Every entry is a zlib stream,
// whose first two bytes (CMF and FLG) can take only a few values; that fixes
// the low half of the key, and the high half is found by inflating the
// entries for real. The key returned decodes every entry that lies inside
// the file; nothing is returned when no key does.
std::optional<std::uint32_t> findTitleKey(std::span<const std::uint8_t> container,
                                          const assets::ContainerIndex& index);

}  // namespace tsuzuri::script
