#pragma once

#include <cstdint>
#include <string>

namespace tsuzuri::text {

// The message window's, the fonts' and the already-read settings.
// Defaults are those of a game without a settings file.
struct MessageSettings {
  std::int32_t textSpeed = 20;
  std::int32_t messageClick = 1;
  std::int32_t messageFade = 1;
  std::int32_t pointWait = 4;
  std::int32_t autoWait = 500;
  std::int32_t autoChar = 50;
  std::int32_t alreadyReadSkip = 0;
  std::int32_t alreadyReadAutoSkip = 0;
  std::int32_t alreadyReadMoment = 0;
  std::int32_t selectSkipMode = 0;
  std::int32_t selectAutoMode = 0;
  std::string fontFile = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";  // "ＭＳ ゴシック"
  std::int32_t fontStyle = 30;
  std::int32_t fontColor1 = 0xFFFFFF;
  std::int32_t fontColor2 = 0xFFFFFF;
  std::int32_t fontColor3 = 0;
  std::int32_t windowAlpha = 80;
};

}  // namespace tsuzuri::text
