#include "assets/image_ops_common.h"

#include "util/sjis.h"

namespace tsuzuri::assets {

void printLine(ImageConsole& console, std::u8string_view line) {
  console.print(util::toSjis(line));
}

bool prepareDestination(ImageBuffer** destination, std::int32_t width, std::int32_t height,
                        std::int32_t depth) {
  if (destination == nullptr) return false;
  if (*destination != nullptr && (*destination)->width == width &&
      (*destination)->height == height) {
    (*destination)->depth = depth;
    return true;
  }
  ImageBuffer* created = createImage(width, height, depth);
  if (created == nullptr) return false;
  freeImage(destination);
  *destination = created;
  return true;
}

}  // namespace tsuzuri::assets
