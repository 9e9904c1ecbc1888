#include "text/font_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_OUTLINE_H

#include <atomic>
#include <limits>
#include <optional>

#include "platform/files.h"
#include "platform/fonts.h"
#include "util/sjis.h"
#include "util/sjis_tables.h"

namespace tsuzuri::text {
namespace {

// Emboldening in 1/64 pixel: a little over half a pixel.
constexpr FT_Pos kBoldStrength = 37;

// Glyphs wider or taller than this many pixels are not rendered: a script
// that sets an absurd size gets empty glyphs rather than gigabytes of
// coverage.
constexpr FT_Pos kMaxGlyphExtent = 4096;

std::int64_t floorDivide(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The file a font name stands for, when it names one (native path).
std::optional<std::string> fontFile(const std::string& name, std::string_view gameFolder) {
  const std::string path = util::toForwardSlashes(name);
  const bool asItStands = path.find(':') != std::string::npos || (!path.empty() && path[0] == '/');
  auto found = platform::findFile(asItStands ? std::string_view() : gameFolder, path);
  if (!found || platform::fileKind(*found) != platform::FileKind::kFile) return std::nullopt;
  return found;
}

std::string forReport(const std::string& nativePath) {
  return platform::sjisFromDiskName(nativePath).value_or(nativePath);
}

// Turns a rendered bitmap into one byte of coverage per pixel in `out`.
// Monochrome writers see any coverage as full.
bool readCoverage(FT_Library library, const FT_Bitmap& bitmap, bool monochrome,
                  std::vector<std::uint8_t>& out, Coverage& coverage) {
  FT_Bitmap converted;
  FT_Bitmap_Init(&converted);
  const FT_Bitmap* source = &bitmap;
  const bool direct =
      bitmap.pitch >= 0 && (bitmap.pixel_mode == FT_PIXEL_MODE_MONO ||
                            (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays == 256));
  if (!direct) {
    if (FT_Bitmap_Convert(library, &bitmap, &converted, 1) != 0 || converted.num_grays < 2) {
      FT_Bitmap_Done(library, &converted);
      return false;
    }
    source = &converted;
  }
  const auto width = static_cast<std::size_t>(source->width);
  const auto rows = static_cast<std::size_t>(source->rows);
  out.assign(width * rows, 0);
  const int top = source->num_grays - 1;
  for (std::size_t row = 0; row < rows; ++row) {
    const unsigned char* line = source->buffer + static_cast<std::ptrdiff_t>(row) * source->pitch;
    for (std::size_t col = 0; col < width; ++col) {
      int value = 0;
      if (source->pixel_mode == FT_PIXEL_MODE_MONO) {
        value = ((line[col / 8] >> (7 - col % 8)) & 1) != 0 ? 255 : 0;
      } else {
        value = line[col] * 255 / top;
      }
      if (monochrome && value != 0) value = 255;
      out[row * width + col] = static_cast<std::uint8_t>(value);
    }
  }
  FT_Bitmap_Done(library, &converted);
  coverage = Coverage{out.data(), static_cast<std::int32_t>(width), static_cast<std::int32_t>(rows),
                      static_cast<std::int32_t>(width)};
  return true;
}

}  // namespace

FontFace::FontFace(script::ErrorSink& errors) : errors_(errors) {
  rebuildRows();
  nextGeneration();
}

FontFace::~FontFace() {
  releaseFace();
  if (library_ != nullptr) FT_Done_FreeType(library_);
}

void FontFace::report(const std::string& text) {
  errors_.reportPlain(text);
}

void FontFace::nextGeneration() {
  static std::atomic<std::uint64_t> counter{0};
  generation_ = ++counter;
}

void FontFace::setFont(std::string_view name, std::int32_t size, std::int32_t style,
                       std::string_view gameFolder) {
  const bool reopen = !opened_ || name != name_;
  const bool changed = reopen || size != size_ || style != style_;
  style_ = style;
  size_ = size;
  cellSize_ = glyphCellSize(size, style);
  if (reopen) {
    name_ = name;
    opened_ = true;
    openFace(gameFolder);
  }
  applySize();
  rebuildRows();
  if (changed) nextGeneration();
}

void FontFace::setColours(std::int32_t colour1, std::int32_t colour2, std::int32_t colour3) {
  colour1 &= 0xFFFFFF;
  colour2 &= 0xFFFFFF;
  colour3 &= 0xFFFFFF;
  if (colour1 == colour1_ && colour2 == colour2_ && colour3 == colour3_) return;
  colour1_ = colour1;
  colour2_ = colour2;
  colour3_ = colour3;
  rebuildRows();
  nextGeneration();
}

void FontFace::setSixteenBit(bool on) {
  if (on == sixteenBit_) return;
  sixteenBit_ = on;
  rebuildRows();
  nextGeneration();
}

void FontFace::rebuildRows() {
  rows_ = gradientRows(colour1_, colour2_, size_, sixteenBit_);
}

void FontFace::releaseFace() {
  if (face_ != nullptr) FT_Done_Face(face_);
  face_ = nullptr;
  sjisCharmap_ = false;
}

void FontFace::openFace(std::string_view gameFolder) {
  releaseFace();
  if (library_ == nullptr && FT_Init_FreeType(&library_) != 0) {
    library_ = nullptr;
    report("FT_Init_FreeType");
    return;
  }
  if (const auto file = fontFile(name_, gameFolder)) {
    openFile(*file, 0);
    return;
  }
  const auto installed = platform::findInstalledFont(name_, (style_ & kStyleBold) != 0);
  if (!installed) {
    report("CreateFontIndirect " + name_ + "," + std::to_string(size_));
    return;
  }
  openFile(installed->path, installed->faceIndex);
}

bool FontFace::openFile(const std::string& path, std::int32_t faceIndex) {
  const FT_Error error = FT_New_Face(library_, path.c_str(), faceIndex, &face_);
  if (error != 0) {
    face_ = nullptr;
    report((error == FT_Err_Unknown_File_Format ? "FT_Err_Unknown_File_Format " : "FT_New_Face ") +
           forReport(path));
    return false;
  }
  // FreeType picks a Unicode map when the face has one; faces made for
  // Japanese Windows may offer only Shift_JIS, which suits the codes as
  // they come.
  if (face_->charmap == nullptr && FT_Select_Charmap(face_, FT_ENCODING_SJIS) == 0) {
    sjisCharmap_ = true;
  }
  return true;
}

void FontFace::applySize() {
  if (face_ == nullptr) return;
  if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(size_)) != 0) {
    report("FT_Set_Pixel_Sizes " + name_ + "," + std::to_string(size_));
    return;
  }
  const std::int64_t unitsPerEm = face_->units_per_EM;
  if (unitsPerEm > 0) {
    const std::int64_t ppem = face_->size->metrics.y_ppem;
    baseline_ = static_cast<std::int32_t>(
        floorDivide(ppem * face_->ascender + unitsPerEm / 2 + unitsPerEm / 2, unitsPerEm));
  } else {
    // Faces of bitmaps only have no design units; their strike tells.
    baseline_ = static_cast<std::int32_t>((face_->size->metrics.ascender + 63) >> 6);
  }
}

void FontFace::writeGlyph(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                          std::int32_t pitch, std::uint16_t code, std::int32_t x, std::int32_t y) {
  if (face_ == nullptr || pixels == nullptr || width <= 0 || height <= 0 || pitch < width) return;
  FT_UInt index = 0;
  if (sjisCharmap_) {
    index = FT_Get_Char_Index(face_, code);
  } else {
    const char16_t unit = code < 0x100
                              ? util::sjisSingleToUnicode(static_cast<unsigned char>(code))
                              : util::sjisDoubleToUnicode(static_cast<unsigned char>(code >> 8),
                                                          static_cast<unsigned char>(code & 0xFF));
    // A broken code draws glyph 0, the face's missing-glyph shape.
    if (unit != 0) index = FT_Get_Char_Index(face_, unit);
  }

  const bool smooth = (style_ & kStyleSmooth) != 0;
  const bool bold = (style_ & kStyleBold) != 0;
  if (FT_Load_Glyph(face_, index, smooth ? FT_LOAD_NO_BITMAP : FT_LOAD_DEFAULT) != 0) return;
  FT_GlyphSlot slot = face_->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (bold) FT_Outline_Embolden(&slot->outline, kBoldStrength);
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    if ((box.xMax - box.xMin) / 64 > kMaxGlyphExtent ||
        (box.yMax - box.yMin) / 64 > kMaxGlyphExtent) {
      return;
    }
  }
  if (FT_Render_Glyph(slot, smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return;
  Coverage coverage;
  if (!readCoverage(library_, slot->bitmap, !smooth, coverage_, coverage)) return;

  const int boldPixel = bold ? 1 : 0;
  const int outlinePixel = (style_ & kStyleOutline) != 0 ? 1 : 0;
  const std::int64_t left = std::int64_t{slot->bitmap_left} + boldPixel + outlinePixel + x;
  const std::int64_t top =
      std::int64_t{baseline_} + y + boldPixel - slot->bitmap_top + outlinePixel;
  if (left < 0 || top < 0) report(std::to_string(x) + "," + std::to_string(y));
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max() / 2;
  if (left > kLimit || top > kLimit || left < -kLimit || top < -kLimit) return;

  GlyphPaint paint;
  paint.shadow = (style_ & kStyleShadow) != 0;
  paint.outline = outlinePixel != 0;
  paint.sixteenBit = sixteenBit_;
  paint.effectColour = channelsForMode(colour3_, sixteenBit_);
  paint.bodyColour = channelsForMode(colour1_, sixteenBit_);
  if ((style_ & kStyleGradient) != 0 && colour1_ != colour2_) paint.rows = &rows_;
  compositeGlyph(GlyphTarget{pixels, width, height, pitch}, coverage,
                 static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), y, paint);
}

}  // namespace tsuzuri::text
