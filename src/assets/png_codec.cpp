#include "assets/image_codecs.h"

namespace tsuzuri::assets {

ImagePtr decodePng(std::span<const std::uint8_t> /*data*/) {
  return nullptr;
}

}  // namespace tsuzuri::assets

namespace tsuzuri::assets {
EncodedImage encodePng(ImageBuffer& /*image*/, std::int32_t /*depth*/, std::int32_t /*level*/,
                       std::int32_t /*option*/) {
  return {};
}
}  // namespace tsuzuri::assets
