#pragma once

#include <cstdint>
#include <string>

namespace tsuzuri::render {

// The renderer's and the transitions' settings.
// Defaults are those of a game without a settings file.
struct RenderSettings {
  std::int32_t hardwareVertex = 1;
  std::int32_t vertexShader = 1;
  std::int32_t pixelShader = 1;
  // A game without a settings file gets 2, the filter of current systems;
  // a file without the key keeps 0.
  std::int32_t interpolation = 0;
  std::int32_t textureMax = -1;
  std::int32_t texturePow2 = 0;
  std::int32_t textureSquare = 0;
  std::int32_t mipMap = 1;
  std::int32_t colorMode = 0;
  std::int32_t colorBlend = 1;
  std::int32_t vSyncWait = 2;
  std::int32_t limitFPS = 0;
  std::int32_t effectSkip = 0;
  std::int32_t effectCancel = 1;
  // The frame pacing pair LimitFPS sets: pacingMilliseconds for every
  // pacingFrames frames (0 when no limit is set).
  std::int32_t pacingMilliseconds = 0;
  std::int32_t pacingFrames = 0;
};

}  // namespace tsuzuri::render
