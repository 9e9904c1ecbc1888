// Reads arbitrary bytes as an input file of a headless run: every line is
// either understood or reported, never read past its end.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/scripted_events.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const auto script = tsuzuri::platform::parseInputScript(
      std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.txt", error);
  // A refused file always says why.
  if (!script && error.empty()) __builtin_trap();
  return 0;
}
