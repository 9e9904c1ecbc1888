#pragma once

// What every operation of the image library shares: where its failure lines
// go, and the two calling forms.
//
// The copying form takes the address of a destination pointer and a source:
// a null destination is created, one of another size is freed and created
// again, one of the right size is reused. The in-place form (the names
// ending in 2) runs the copying form into a temporary and replaces the
// image by the result. Operations return true on success; a failure prints
// its line (the "-TAG: ..." lines, Shift_JIS, with their "\n") and touches
// none of its inputs.

#include <cstdint>
#include <string_view>

#include "assets/image_buffer.h"

namespace tsuzuri::assets {

// Standard output as the image library sees it (the console of the script
// layer in the engine, a recorder in tests).
class ImageConsole {
 public:
  virtual ~ImageConsole() = default;
  virtual void print(std::string_view line) = 0;
};

// Prints `line` (a UTF-8 literal of our own source) in Shift_JIS.
void printLine(ImageConsole& console, std::u8string_view line);

// Makes *destination an image of the given size and depth, reusing it when
// its size already fits (its depth is then set). False when it cannot be
// created; *destination is then unchanged.
bool prepareDestination(ImageBuffer** destination, std::int32_t width, std::int32_t height,
                        std::int32_t depth);

// Runs a copying operation in place: `copying(&result)` writes into a new
// image, which then replaces *image (the old one is freed). False, with
// *image unchanged, when the operation fails.
template <class Copying>
bool inPlace(ImageBuffer** image, Copying copying) {
  if (image == nullptr) return copying(nullptr);
  ImageBuffer* result = nullptr;
  if (!copying(&result)) {
    freeImage(&result);
    return false;
  }
  freeImage(image);
  *image = result;
  return true;
}

}  // namespace tsuzuri::assets
