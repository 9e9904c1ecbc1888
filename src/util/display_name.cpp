#include "util/display_name.h"

namespace tsuzuri::util {

std::string hashDisplayName(std::uint64_t hash) {
  static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
  char buffer[13];
  int n = 0;
  do {
    buffer[n++] = kDigits[hash & 31U];
    hash >>= 5;
  } while (hash != 0);
  std::string name;
  name.reserve(static_cast<std::size_t>(n));
  while (n > 0) name.push_back(buffer[--n]);
  return name;
}

std::uint64_t hashFromDisplayName(std::string_view name) {
  std::uint64_t hash = 0;
  for (const char c : name) {
    std::uint64_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint64_t>(c - '0');
    } else if (c >= 'A' && c <= 'V') {
      digit = static_cast<std::uint64_t>(c - 'A') + 10;
    } else if (c >= 'a' && c <= 'v') {
      digit = static_cast<std::uint64_t>(c - 'a') + 10;
    } else {
      break;
    }
    hash = hash << 5 | digit;
  }
  return hash;
}

}  // namespace tsuzuri::util
