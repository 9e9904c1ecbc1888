// Decodes arbitrary bytes as a cursor, icon or animated cursor file. A
// decoded image is read to its last pixel, so that a record that lies about
// its size shows, and its hot spot must lie inside it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "assets/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tsuzuri::assets::CursorImage cursor = tsuzuri::assets::decodeCursor(std::span(data, size));
  if (!cursor.image) return 0;
  const tsuzuri::assets::ImageBuffer& image = *cursor.image;
  if (image.width > tsuzuri::assets::kMaxCursorSide ||
      image.height > tsuzuri::assets::kMaxCursorSide || cursor.hotX < 0 || cursor.hotY < 0 ||
      cursor.hotX >= image.width || cursor.hotY >= image.height) {
    std::abort();
  }
  unsigned sum = 0;
  const auto bytes = static_cast<std::size_t>(image.pixelCount) * 4;
  for (std::size_t i = 0; i < bytes; i += 61) sum += image.pixels[i];
  return static_cast<int>(sum & 0U);
}
