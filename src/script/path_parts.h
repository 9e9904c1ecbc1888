#pragma once

// Cutting a game's path (Shift_JIS, `\` or `/` separated) into its folder,
// base name and extension, as getParentFolderName ... getFileName and the
// file built-ins see them.

#include <optional>
#include <string>
#include <string_view>

#include "script/error_sink.h"

namespace tsuzuri::script {

struct PathParts {
  // Every segment before the last, each followed by the separator; runs of
  // separators count as one.
  std::string folder;
  std::string baseName;
  // From the last dot of the last segment on, dot included; may be empty.
  std::string extension;

  std::string fileName() const { return baseName + extension; }
};

// '/' when `text` holds at least as many `/` as `\`, else '\'. The trail
// bytes of double-byte characters are not counted.
char majoritySeparator(std::string_view text);

// Whether the last byte of `text` is `/` or `\` and not the trail byte of a
// double-byte character.
bool endsWithSeparator(std::string_view text);

// Splits with the majority separator; nothing for an empty path.
std::optional<PathParts> splitPath(std::string_view path);
// Splits with a given separator, which the folder part is written with.
std::optional<PathParts> splitPath(std::string_view path, char separator);

// Creates the folder part of a game's path (split with `separator`), with
// every missing parent, below the current directory, before a file is
// written there; folders that exist in another case are reused. An empty
// path or a folder that cannot be made is reported, and gives false.
bool prepareFolderOf(std::string_view path, char separator, ErrorSink& errors);

}  // namespace tsuzuri::script
