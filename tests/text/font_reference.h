#pragma once

// FreeType used directly, as the references of the font tests: what the
// engine draws must be FreeType's own bitmap placed and coloured by the
// engine's rules, whatever the version of FreeType's rasteriser.

#include <cstdint>
#include <string>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace tsuzuri::testing {

inline const std::string kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
inline const std::string kIpaMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";

// A rendered glyph: coverage 0-255 (mono bits as 0 or 255) and its bearing.
struct ReferenceGlyph {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  std::vector<std::uint8_t> coverage;
  std::uint8_t at(int x, int y) const { return coverage[static_cast<std::size_t>(y * width + x)]; }
};

class ReferenceFace {
 public:
  explicit ReferenceFace(const std::string& path, int index = 0);
  ~ReferenceFace();
  ReferenceFace(const ReferenceFace&) = delete;
  ReferenceFace& operator=(const ReferenceFace&) = delete;

  bool ok() const { return face_ != nullptr; }
  std::string familyName() const;
  bool hasCharacter(char32_t unit) const;
  // y_ppem × ascender and units per EM after setting the pixel size.
  void metrics(int size, long& scaledAscender, long& unitsPerEm) const;
  // The glyph of a Unicode character (or glyph 0 for 0), loaded, emboldened
  // and rendered as the engine's smooth or monochrome writer does.
  ReferenceGlyph render(char32_t unit, int size, bool smooth, bool bold) const;

 private:
  FT_LibraryRec_* library_ = nullptr;
  FT_FaceRec_* face_ = nullptr;
};

// The whole file, or empty when it cannot be read.
std::string readWholeFile(const std::string& path);

// `font` (a TrueType file) with every "IPA" in its name table, in one-byte
// and in UTF-16 names, replaced by `tag` (three ASCII letters), so that the
// copy has family names of its own.
std::string renamedFont(std::string font, const std::string& tag);

// A TrueType collection of the given fonts, in that order.
std::string collectionOf(const std::vector<std::string>& fonts);

}  // namespace tsuzuri::testing
