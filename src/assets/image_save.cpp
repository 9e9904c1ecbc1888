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

EncodedImage encodeImage(std::string_view name, ImageBuffer* image, std::int32_t format,
                         std::int32_t depth, std::int32_t level, std::int32_t option) {
  EncodedImage encoded;
  if (format < 0 || format > 3) {
    encoded.message =
        "\"" + std::string(name) + "\"" + util::toSjis(u8" 対応していない画像形式です");
    return encoded;
  }
  const std::string_view prefix = kPrefixes[format];
  if (image == nullptr || image->pixels == nullptr) {
    encoded.message = quoted(prefix, name, u8" 画像データが空です");
    return encoded;
  }
  const std::int32_t resolved = depth == 0 ? image->depth : depth;
  switch (static_cast<ImageFormat>(format)) {
    case ImageFormat::kBmp:
      return encodeBmp(*image, resolved);
    case ImageFormat::kPng:
      return encodePng(*image, resolved, level, option);
    case ImageFormat::kJpeg:
      return encodeJpeg(*image, resolved, level, option);
    case ImageFormat::kTlg:
      return encodeTlg(*image, resolved, level);
  }
  return encoded;
}

ImageSaveResult saveImage(std::string_view name, ImageBuffer* image, std::int32_t format,
                          std::int32_t depth, std::int32_t level, std::int32_t option) {
  ImageSaveResult result;
  EncodedImage encoded = encodeImage(name, image, format, depth, level, option);
  if (!encoded.ok) {
    result.message = std::move(encoded.message);
    return result;
  }
  const std::optional<std::string> path = platform::pathForWriting({}, name);
  const std::string_view bytes(reinterpret_cast<const char*>(encoded.bytes.data()),
                               encoded.bytes.size());
  if (!path || !platform::writeFileAtomically(*path, bytes)) {
    // A TLG file that cannot be created fails without a line.
    if (static_cast<ImageFormat>(format) != ImageFormat::kTlg) {
      result.message = quoted(kPrefixes[format], name, u8" 画像を保存出来ませんでした");
    }
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace tsuzuri::assets
