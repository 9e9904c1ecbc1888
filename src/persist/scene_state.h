#pragma once

#include <string>

#include "persist/record_text.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "text/text_sprites.h"

namespace tsuzuri::persist {

// What the scene part of a save record reads and rebuilds.
struct SceneStateServices {
  scene::Scene& scene;
  text::TextSprites& textSprites;  // text sprites are made again through it
  platform::Clock& clock;
};

// Appends the scene's lines of a record: the screen shake ("ScQ="), the
// screen scroll and zoom ("ScXYWH="), then for every saved sprite (one in
// a render layer whose record 0 exists and lacks the not-saved flag) the
// steps of its motions and its "Image" line. The caller commits all
// sprites first. Motion lists found empty are dropped on the way.
void writeSceneLines(const SceneStateServices& s, std::string& out);

// The scene's part of emptying the game before a record is restored: every
// motion of every slot ends (as sp_ae ends them), all motion lists and the
// shaking set go, every sprite but the not-saved ones is destroyed and its
// slot cleared, and the screen is back at zoom 100 without offsets, shake
// or camera motions.
void clearScene(const SceneStateServices& s);

// Restores the screen lines, the sprites of slots 0..999 from their Image
// lines (each made again as it was made: text sprite, standing picture,
// canvas or image, then its mask and properties) and their motions, every
// saved elapsed time becoming a start time before now. A sprite whose
// picture cannot be made leaves its slot empty; the rest goes on. Movies
// are not restored.
void restoreScene(const SceneStateServices& s, const RecordLines& record);

// After a fast-forward: the sprites made while it ran have their sizes but
// no pictures. Each gets its picture again, made as a restored sprite's is,
// keeping its properties, place in its layer, motions and shakes.
void rebuildJumpedSprites(const SceneStateServices& s);

}  // namespace tsuzuri::persist
