#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tsuzuri::util {

// The name under which a script (or any entry known only by its 64-bit hash)
// appears in messages and save data: the hash in base 32 with the digits
// 0-9 and A-V, most significant digit first, without leading zeros ("0" for
// 0, at most 13 digits).
std::string hashDisplayName(std::uint64_t hash);

// The hash a display name stands for (digits 0-9, then A-V in either
// case); reading stops at the first other character.
std::uint64_t hashFromDisplayName(std::string_view name);

}  // namespace tsuzuri::util
