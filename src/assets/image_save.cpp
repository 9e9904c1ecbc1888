#include "assets/image_save.h"

#include "platform/files.h"
#include "util/sjis.h"

namespace tsuzuri::assets {

namespace {

constexpr const char* kPrefixes[] = {"BMP: ", "PNG: ", "JPEG: ", "TLG: "};

std::string quoted(std::string_view prefix, std::string_view name, std::u8string_view text) {
  return std::string(prefix) + "\"" + std::string(name) + "\"" + util::toSjis(text);
}

}  // namespace

ImageSaveResult saveImage(std::string_view name, ImageBuffer* image, std::int32_t format,
                          std::int32_t depth, std::int32_t level, std::int32_t option) {
  ImageSaveResult result;
  if (format < 0 || format > 3) {
    result.message =
        "\"" + std::string(name) + "\"" + util::toSjis(u8" 対応していない画像形式です");
    return result;
  }
  const std::string_view prefix = kPrefixes[format];
  if (image == nullptr || image->pixels == nullptr) {
    result.message = quoted(prefix, name, u8" 画像データが空です");
    return result;
  }
  const std::int32_t resolved = depth == 0 ? image->depth : depth;
  EncodedImage encoded;
  switch (static_cast<ImageFormat>(format)) {
    case ImageFormat::kBmp:
      encoded = encodeBmp(*image, resolved);
      break;
    case ImageFormat::kPng:
      encoded = encodePng(*image, resolved, level, option);
      break;
    case ImageFormat::kJpeg:
      encoded = encodeJpeg(*image, resolved, level, option);
      break;
    case ImageFormat::kTlg:
      encoded = encodeTlg(*image, resolved, level);
      break;
  }
  if (!encoded.ok) {
    result.message = std::move(encoded.message);
    return result;
  }
  const std::optional<std::string> path = platform::pathForWriting({}, name);
  if (!path || !platform::writeFileAtomically(
                   *path, std::string_view(reinterpret_cast<const char*>(encoded.bytes.data()),
                                           encoded.bytes.size()))) {
    // A TLG file that cannot be created fails without a line.
    if (static_cast<ImageFormat>(format) != ImageFormat::kTlg) {
      result.message = quoted(prefix, name, u8" 画像を保存出来ませんでした");
    }
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace tsuzuri::assets
