#pragma once

#include <cstdint>
#include <string>

namespace tsuzuri::shell {

// The window, display mode and cursor settings.
// Defaults are those of a game without a settings file.
struct DisplaySettings {
  std::int32_t startingSetUp = 1;
  std::int32_t resolutionWindow = 1;
  std::int32_t resolution = 0;
  std::int32_t fullScreen = 0;
  std::int32_t screenAspect = 0;
  std::int32_t fullMode = 3;
  std::int32_t windowWidth = 0;
  std::int32_t windowHeight = 0;
  std::int32_t windowChange = 0;
  std::int32_t windowMenu = 1;
  std::int32_t menuLock1 = 1;
  std::int32_t windowPos = 0;
  std::int32_t clientLeft = 0;
  std::int32_t clientTop = 0;
  std::int32_t windowMost = 0;
  std::int32_t powerSaver = 1;
  std::int32_t taskTray = 0;
  std::int32_t systemActive = 0;
  std::int32_t cursorClear = 5000;
  std::int32_t cursorMove = 1;
  std::string cursorFile;
  std::string wallPaper;
};

}  // namespace tsuzuri::shell
