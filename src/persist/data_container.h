#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/reporter.h"

namespace tsuzuri::persist {

// The container of the engine's data files (setting.dat, already.dat, the
// save slots): a 32-bit little-endian length of the text, then the text as
// a zlib stream (level 9); or, without compression, the text as it is.
// `nativePath` is where the file lies; `name` (Shift_JIS) is how reports
// name it. Every failure is reported through `reporter`.

// Writes the file through a temporary file in the same folder that is
// renamed over the old one, so a failed write keeps the old file.
bool saveDataZlib(const std::string& nativePath, std::string_view name, std::string_view text,
                  bool compress, util::Reporter& reporter);

// Reads the file; nothing when it cannot be opened, has a size outside
// 1-1048576 bytes or does not inflate.
std::optional<std::string> loadDataZlib(const std::string& nativePath, std::string_view name,
                                        bool compress, util::Reporter& reporter);

}  // namespace tsuzuri::persist
