#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/image_buffer.h"

namespace tsuzuri::art {

// One picture to write: its file name and the depth its PNG is written at
// (8: greyscale, 24: opaque colour, 32: colour with alpha).
struct Picture {
  std::string name;
  assets::ImagePtr image;
  std::int32_t depth;
};

// The demo game's pictures: bg.png, chara.png, chara2.png, mask.png,
// card.png and rule.png. The same on every run.
std::vector<Picture> demoPictures();

// Small pictures with exactly known pixels for the sprite tests: bg.png,
// solid.png, half.png, ramp.png, mask.png, cells.png and wide.png.
std::vector<Picture> testPictures();

}  // namespace tsuzuri::art
