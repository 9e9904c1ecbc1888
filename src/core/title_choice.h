#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "assets/game_folder.h"

namespace tsuzuri::core {

// The title a game runs under and the key script.dat is read with.
struct TitleChoice {
  std::uint32_t key = 0;
  std::string title;  // Shift_JIS
  // Said on standard error when the key had to be recovered.
  std::optional<std::string> notice;
};

// A title or key given on the command line is used as it is. Without one
// the build's default title is tried; when it does not decode the game's
// script.dat, the key is recovered from the container itself and the game
// folder's name becomes the title. When nothing decodes, the default stays
// and start-up reports the container's failure.
TitleChoice chooseTitle(const assets::GameFolder& folder, const std::optional<std::string>& title,
                        std::optional<std::uint32_t> key, std::string_view defaultTitle);

// The last component of the folder, as the title of an unnamed game.
std::string folderTitle(const assets::GameFolder& folder);

}  // namespace tsuzuri::core
