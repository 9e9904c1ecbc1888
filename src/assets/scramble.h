#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tsuzuri::assets {

// The light scrambling of archive entries, keyed by the entry's name. With n
// the name's length and c = size / n, the bytes of chunk i (from i·c up to
// (i+1)·c) for i = 0 … n-2 are XORed with name[i]; the last chunk,
// remainder included, stays as it is. The step is its own inverse.
void scrambleWithName(std::span<std::uint8_t> data, std::string_view name);

}  // namespace tsuzuri::assets
