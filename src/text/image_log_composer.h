#pragma once

#include <cstdint>

#include "assets/image_buffer.h"
#include "scene/sprite_table.h"
#include "text/backlog.h"

namespace tsuzuri::text {

// A backlog page's picture drawn again, and the resolution class it is
// made as a sprite with.
struct ComposedPicture {
  assets::ImagePtr image;
  std::int32_t resolutionClass = 1;
};

// Draws the screen of a backlog entry again from its image log, with the
// image library: first the render layers that the log's canvases show, then
// the screen, each sprite loaded by name through the image cache with its
// load-time effects, masked, sized, turned and blended as it was shown.
// The picture is the game screen's size (times the resolution factor when
// that is above 1). Null when the entry has no records or the picture
// cannot be made.
ComposedPicture composeImageLog(scene::SpriteTable& table, const BacklogEntry& entry);

}  // namespace tsuzuri::text
