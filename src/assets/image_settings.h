#pragma once

#include <cstdint>
#include <string>

namespace tsuzuri::assets {

// The image cache's, the look-ahead's and the code paths' settings.
// Defaults are those of a game without a settings file.
struct ImageSettings {
  std::int32_t cacheAutoSize = 1;
  std::int32_t cacheMaxSize = 0;
  std::int32_t lookaHead = 1;
  std::int32_t mmx = 1;
  std::int32_t sse = 1;
  std::int32_t sse2 = 1;
  std::int32_t thread = 1;
};

}  // namespace tsuzuri::assets
