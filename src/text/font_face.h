#pragma once

// The font state of one text object: the FreeType face it draws with, the
// size and effect bits, the colours, and the glyph writer that turns one
// Shift_JIS character into pixels with those effects.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/error_sink.h"
#include "text/glyph_writer.h"

// FreeType's handles, named without its headers.
struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace tsuzuri::text {

class FontFace {
 public:
  // Font errors are reported to `errors` as plain reports; a failure
  // leaves the object without a face, whose glyphs are empty.
  explicit FontFace(script::ErrorSink& errors);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  // Takes the style bits, reopens the face when the name differs from the
  // last one (or on the first call) and sets the pixel size. `name`
  // (Shift_JIS) is a font file or an installed face: an absolute path or a
  // name holding ':' is a file as it stands, `\` counting as `/`; any other
  // name is first looked for as a file under `gameFolder` (native, ending
  // in '/'), matched as the game's other files are; a name that names no
  // file is an installed face, found through platform::findInstalledFont
  // (in its bold variant when the style says bold).
  void setFont(std::string_view name, std::int32_t size, std::int32_t style,
               std::string_view gameFolder);
  // Colour 1 (text), colour 2 (gradient end), colour 3 (outline and
  // shadow), each 0xRRGGBB.
  void setColours(std::int32_t colour1, std::int32_t colour2, std::int32_t colour3);
  // Draws glyphs on 4-bit channels (see glyph_writer.h).
  void setSixteenBit(bool on);

  bool hasFace() const { return face_ != nullptr; }
  std::int32_t size() const { return size_; }
  std::int32_t style() const { return style_; }
  std::int32_t cellSize() const { return cellSize_; }
  // Pixels from the top of the cell to the baseline:
  // ⌊(y_ppem × ascender + 2 × ⌊units per EM / 2⌋) / units per EM⌋.
  std::int32_t baseline() const { return baseline_; }
  const std::string& name() const { return name_; }
  std::int32_t colour1() const { return colour1_; }
  std::int32_t colour2() const { return colour2_; }
  std::int32_t colour3() const { return colour3_; }
  bool sixteenBit() const { return sixteenBit_; }

  // A number that changes whenever something that changes a glyph's pixels
  // does (face, size, style, colours, colour mode), and is never shared
  // with another state or another FontFace: a key for glyph caches.
  std::uint64_t generation() const { return generation_; }

  // Rasterises one character (Shift_JIS: lead × 256 + trail, or the single
  // byte) into `pixels` (`width` × `height` words 0xAARRGGBB, `pitch` words
  // per row) with the cell's top-left corner at (x, y), over what is there,
  // with the style's effects. A code without a glyph draws the face's
  // missing-glyph shape; without a face nothing is drawn.
  void writeGlyph(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                  std::int32_t pitch, std::uint16_t code, std::int32_t x, std::int32_t y);

 private:
  void openFace(std::string_view gameFolder);
  bool openFile(const std::string& path, std::int32_t faceIndex);
  void releaseFace();
  void applySize();
  void rebuildRows();
  void nextGeneration();
  void report(const std::string& text);

  script::ErrorSink& errors_;
  FT_LibraryRec_* library_ = nullptr;
  FT_FaceRec_* face_ = nullptr;
  bool opened_ = false;       // whether a face was looked for under name_
  bool sjisCharmap_ = false;  // the face maps Shift_JIS codes, not Unicode
  std::string name_;
  std::int32_t size_ = 0;
  std::int32_t style_ = 0;
  std::int32_t cellSize_ = glyphCellSize(0, 0);
  std::int32_t baseline_ = 0;
  std::int32_t colour1_ = 0xFFFFFF;
  std::int32_t colour2_ = 0xFFFFFF;
  std::int32_t colour3_ = 0;
  bool sixteenBit_ = false;
  RowColours rows_{};
  std::uint64_t generation_ = 0;
  std::vector<std::uint8_t> coverage_;  // scratch for one glyph's coverage
};

}  // namespace tsuzuri::text
