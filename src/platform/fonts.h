#pragma once

// Installed fonts, found through fontconfig. Games name Windows faces
// ("ＭＳ ゴシック", "ＭＳ 明朝") that a Linux system does not have; the lookup
// here asks for Japanese coverage so that such names land on an installed
// Japanese face of the same kind instead of a Latin one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsuzuri::platform {

// A face inside a font file: collections (.ttc) hold several, and the index
// says which one to open. For variable fonts the upper 16 bits name the
// instance, as FreeType's face index expects.
struct FontLocation {
  std::string path;  // native
  std::int32_t faceIndex = 0;
};

// The installed face that the game's face name (Shift_JIS) stands for, in
// its bold variant when `bold` is set and one exists. The name is matched
// by fontconfig (its own aliases included) together with the generic family
// of its kind: "serif" for names holding "明朝" or "Mincho", "sans-serif" for
// every other name. The first candidate that either carries the asked
// family name or covers Japanese wins, so an unknown Windows name falls
// back to an installed Japanese Gothic or Mincho face. Only scalable faces
// with a file count. When no installed face covers Japanese the best
// scalable candidate is taken; nothing only when there is none at all.
std::optional<FontLocation> findInstalledFont(std::string_view family, bool bold);

// Makes a font file (native path) visible to this process only, for
// findInstalledFont and installedJapaneseFamilies. False when fontconfig
// cannot read the file or finds no face in it.
bool addApplicationFont(std::string_view path);

// The family names (Shift_JIS) of the scalable TrueType and OpenType faces
// that cover Japanese, as a game's font list shows them: each family once,
// under its Japanese name when it has one that Shift_JIS can spell, sorted
// by their bytes. Only names that start with an ASCII letter or a Shift_JIS
// lead byte are kept, and those that start with '@' (vertical faces) when
// `vertical` is set. With `fixedPitchOnly` only the faces whose advances are
// whole cells: fontconfig's mono and char-cell spacing, and dual spacing,
// which marks the Japanese faces with half- and full-width cells that
// Windows counts as fixed pitch ("ＭＳ ゴシック", IPAGothic).
std::vector<std::string> installedJapaneseFamilies(bool vertical, bool fixedPitchOnly);

}  // namespace tsuzuri::platform
