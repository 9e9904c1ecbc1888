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

}  // namespace tsuzuri::util
