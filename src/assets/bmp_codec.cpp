#include "assets/image_codecs.h"

namespace tsuzuri::assets {

ImagePtr decodeBmp(std::span<const std::uint8_t> /*data*/) {
  return nullptr;
}

}  // namespace tsuzuri::assets

namespace tsuzuri::assets {
EncodedImage encodeBmp(ImageBuffer& /*image*/, std::int32_t /*depth*/) {
  return {};
}
}  // namespace tsuzuri::assets
