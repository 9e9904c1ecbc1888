#include "font_reference.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstdio>

namespace tsuzuri::testing {
namespace {

std::uint32_t readBe32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

void writeBe32(std::string& bytes, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

std::size_t tableCount(const std::string& font) {
  return static_cast<std::size_t>(static_cast<unsigned char>(font[4]) << 8 |
                                  static_cast<unsigned char>(font[5]));
}

void replaceAll(std::string& bytes, std::size_t from, std::size_t to, const std::string& what,
                const std::string& with) {
  for (auto at = bytes.find(what, from); at != std::string::npos && at + what.size() <= to;
       at = bytes.find(what, at + what.size())) {
    bytes.replace(at, what.size(), with);
  }
}

std::string wide(const std::string& ascii) {
  std::string out;
  for (const char c : ascii) {
    out.push_back('\0');
    out.push_back(c);
  }
  return out;
}

}  // namespace

ReferenceFace::ReferenceFace(const std::string& path, int index) {
  if (FT_Init_FreeType(&library_) != 0) {
    library_ = nullptr;
    return;
  }
  if (FT_New_Face(library_, path.c_str(), index, &face_) != 0) face_ = nullptr;
}

ReferenceFace::~ReferenceFace() {
  if (face_ != nullptr) FT_Done_Face(face_);
  if (library_ != nullptr) FT_Done_FreeType(library_);
}

std::string ReferenceFace::familyName() const {
  return face_ != nullptr && face_->family_name != nullptr ? face_->family_name : "";
}

bool ReferenceFace::hasCharacter(char32_t unit) const {
  return face_ != nullptr && FT_Get_Char_Index(face_, unit) != 0;
}

void ReferenceFace::metrics(int size, long& scaledAscender, long& unitsPerEm) const {
  FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(size));
  scaledAscender = static_cast<long>(face_->size->metrics.y_ppem) * face_->ascender;
  unitsPerEm = face_->units_per_EM;
}

ReferenceGlyph ReferenceFace::render(char32_t unit, int size, bool smooth, bool bold) const {
  ReferenceGlyph glyph;
  FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(size));
  const FT_UInt index = unit == 0 ? 0 : FT_Get_Char_Index(face_, unit);
  if (FT_Load_Glyph(face_, index, smooth ? FT_LOAD_NO_BITMAP : FT_LOAD_DEFAULT) != 0) return glyph;
  if (bold) FT_Outline_Embolden(&face_->glyph->outline, 37);
  if (FT_Render_Glyph(face_->glyph, smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) {
    return glyph;
  }
  const FT_Bitmap& bitmap = face_->glyph->bitmap;
  glyph.left = face_->glyph->bitmap_left;
  glyph.top = face_->glyph->bitmap_top;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.rows = static_cast<int>(bitmap.rows);
  for (int y = 0; y < glyph.rows; ++y) {
    const unsigned char* line = bitmap.buffer + y * bitmap.pitch;
    for (int x = 0; x < glyph.width; ++x) {
      const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
      glyph.coverage.push_back(mono ? (((line[x / 8] >> (7 - x % 8)) & 1) != 0 ? 255 : 0)
                                    : line[x]);
    }
  }
  return glyph;
}

std::string readWholeFile(const std::string& path) {
  std::string out;
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return out;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) out.append(buffer, n);
  static_cast<void>(std::fclose(in));
  return out;
}

std::string renamedFont(std::string font, const std::string& tag) {
  for (std::size_t i = 0; i < tableCount(font); ++i) {
    const std::size_t record = 12 + 16 * i;
    if (font.compare(record, 4, "name") != 0) continue;
    const std::size_t from = readBe32(font, record + 8);
    const std::size_t to = from + readBe32(font, record + 12);
    replaceAll(font, from, to, "IPA", tag);
    replaceAll(font, from, to, wide("IPA"), wide(tag));
  }
  return font;
}

std::string collectionOf(const std::vector<std::string>& fonts) {
  std::string out = "ttcf";
  out.append("\0\1\0\0", 4);
  out.append(4 + 4 * fonts.size(), '\0');
  writeBe32(out, 8, static_cast<std::uint32_t>(fonts.size()));
  for (std::size_t f = 0; f < fonts.size(); ++f) {
    out.append((4 - out.size() % 4) % 4, '\0');
    const auto base = static_cast<std::uint32_t>(out.size());
    writeBe32(out, 12 + 4 * f, base);
    std::string font = fonts[f];
    // Table offsets count from the start of the collection.
    for (std::size_t i = 0; i < tableCount(font); ++i) {
      const std::size_t record = 12 + 16 * i;
      writeBe32(font, record + 8, readBe32(font, record + 8) + base);
    }
    out += font;
  }
  return out;
}

}  // namespace tsuzuri::testing
