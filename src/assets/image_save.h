#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "assets/image_buffer.h"
#include "assets/image_codecs.h"

namespace tsuzuri::assets {

// What saveImage did: whether the file was written, and the console line a
// failure prints (Shift_JIS, without line end; empty when it prints none).
struct ImageSaveResult {
  bool ok = false;
  std::string message;
};

// Encodes `image` as saveImage writes it; `name` only names the file in
// the messages.
EncodedImage encodeImage(std::string_view name, ImageBuffer* image, std::int32_t format,
                         std::int32_t depth, std::int32_t level, std::int32_t option);

// Writes `image` to the file `name` (Shift_JIS, relative to the current
// folder, `\` or `/` separated) in `format`, at `depth` (0: the record's).
// `level` and `option` are the format's (PNG compression level and
// interlace, JPEG quality and option bits, TLG variant). The file is written
// through a temporary file and renamed, so a failure keeps an older one.
ImageSaveResult saveImage(std::string_view name, ImageBuffer* image, std::int32_t format,
                          std::int32_t depth, std::int32_t level, std::int32_t option);

}  // namespace tsuzuri::assets
