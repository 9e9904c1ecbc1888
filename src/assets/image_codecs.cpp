#include "assets/image_codecs.h"

namespace tsuzuri::assets {

ImagePtr loadImage(std::span<const std::uint8_t> data) {
  if (data.size() < 2) return nullptr;
  const std::uint8_t a = data[0];
  const std::uint8_t b = data[1];
  if (a == 'T' && b == 'L') return data.size() < 48 ? nullptr : decodeTlg(data);
  if (a == 'B' && b == 'M') return decodeBmp(data);
  if (a == 0x89 && b == 0x50) return decodePng(data);
  if (a == 0xFF && b == 0xD8) return decodeJpeg(data);
  return nullptr;
}

}  // namespace tsuzuri::assets
