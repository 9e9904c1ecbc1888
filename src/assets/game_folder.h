#pragma once

#include <string>
#include <string_view>

namespace tsuzuri::assets {

// The folder a game runs from: its scripts, archives and loose files. Kept
// both as the native path used to open files and as the Shift_JIS text that
// messages and scripts see; both end in `/`.
struct GameFolder {
  std::string native;
  std::string sjis;

  // The folder of a native path (an executable or a file in the folder), or
  // the folder itself when `path` ends in `/`. Relative paths stay relative.
  static GameFolder containing(std::string_view nativePath);
  // A folder given as such, made absolute; a missing final `/` is added.
  static GameFolder fromDirectory(std::string_view nativeDirectory);
};

}  // namespace tsuzuri::assets
