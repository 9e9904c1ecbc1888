#include "assets/image_codecs.h"

namespace tsuzuri::assets {

ImagePtr decodeTlg(std::span<const std::uint8_t> /*data*/) {
  return nullptr;
}

}  // namespace tsuzuri::assets

namespace tsuzuri::assets {
EncodedImage encodeTlg(ImageBuffer& /*image*/, std::int32_t /*depth*/, std::int32_t /*level*/) {
  return {};
}
}  // namespace tsuzuri::assets
