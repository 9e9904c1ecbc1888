// Decodes arbitrary bytes as a JPEG file, with the layer attributes and every form of the alpha
// extension. A decoded image is read to its last pixel, so that a record that lies about its size
// shows.

#include <cstddef>
#include <cstdint>
#include <span>

#include "assets/image_codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tsuzuri::assets::ImagePtr image = tsuzuri::assets::decodeJpeg(std::span(data, size));
  if (!image) return 0;
  unsigned sum = 0;
  const auto bytes = static_cast<std::size_t>(image->pixelCount) * 4;
  for (std::size_t i = 0; i < bytes; i += 61) sum += image->pixels[i];
  return static_cast<int>(sum & 0U);
}
