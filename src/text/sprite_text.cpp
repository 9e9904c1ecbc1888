#include "text/sprite_text.h"

#include <algorithm>

#include "util/sjis.h"

namespace tsuzuri::text {

namespace {

bool leadByteAt(std::string_view text, std::size_t i) {
  return util::sjisWidthAt(text, i) == 2;
}

// A lead byte with nothing after it: the text ends in half a character,
// which is not drawn.
bool brokenAt(std::string_view text, std::size_t i) {
  return util::isSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 >= text.size();
}

constexpr std::uint16_t kIdeographicSpace = 0x8140;

}  // namespace

std::size_t findCharacter(std::string_view text, std::size_t from, char wanted) {
  // Character by character: the second byte of a double-byte character
  // may have the value of a brace or a slash.
  for (std::size_t i = from; i < text.size(); i += leadByteAt(text, i) ? 2U : 1U) {
    if (text[i] == wanted) return i;
  }
  return std::string_view::npos;
}

RubyPlacement placeRuby(std::int32_t pitch, std::int32_t startColumn, std::int32_t endColumn,
                        std::int32_t rubyBytes, std::int32_t rubyChars) {
  const std::int32_t base = pitch * (endColumn - startColumn) / 2;
  const std::int32_t ruby = pitch * rubyBytes / 4;
  RubyPlacement p;
  p.startX = pitch * startColumn / 2;
  if (base == 2 * ruby) {
    p.gap = pitch / 2;
    p.startX += pitch / 4;
  } else if (base < ruby) {
    p.startX -= (ruby - base) / 2;
  } else {
    p.gap = (base - ruby) / (rubyChars + 1);
    p.startX += p.gap;
  }
  return p;
}

std::int32_t rubyAdvance(std::int32_t pitch, std::int32_t gap, bool doubleByte) {
  return (doubleByte ? pitch / 2 : pitch / 4) + gap;
}

std::vector<PlacedGlyph> layoutLine(std::string_view text, std::int32_t size) {
  std::vector<PlacedGlyph> glyphs;
  for (std::size_t i = 0; i < text.size();) {
    if (brokenAt(text, i)) break;
    const bool doubleByte = leadByteAt(text, i);
    const std::uint16_t code = util::sjisCodeAt(text, i);
    if (code != ' ' && code != kIdeographicSpace) {
      glyphs.push_back({code, static_cast<std::int32_t>(i) * size / 2, 0, false});
    }
    i += doubleByte ? 2 : 1;
  }
  return glyphs;
}

std::vector<PlacedGlyph> layoutText(std::string_view text, std::int32_t size, std::int32_t spacing,
                                    std::int32_t lineSpacing) {
  std::vector<PlacedGlyph> glyphs;
  const std::int32_t pitch = size + spacing;
  std::int32_t column = 0;
  std::int32_t lineY = std::max(lineSpacing, 0);
  bool inGroup = false;
  std::int32_t groupStart = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\x0C') {
      lineY += size + lineSpacing;
      column = 0;
      ++i;
      continue;
    }
    if (c == ' ' || c == '\x01') {
      ++column;
      ++i;
      continue;
    }
    if (c == '{' && !inGroup) {
      inGroup = true;
      groupStart = column;
      ++i;
      continue;
    }
    if (c == '}' && inGroup) {
      inGroup = false;
      ++i;
      continue;
    }
    if (c == '/' && inGroup) {
      // The ruby runs to the closing brace (or the end of the text).
      std::size_t end = findCharacter(text, i + 1, '}');
      if (end == std::string_view::npos) end = text.size();
      const std::string_view ruby = text.substr(i + 1, end - i - 1);
      std::int32_t chars = 0;
      for (std::size_t j = 0; j < ruby.size(); j += leadByteAt(ruby, j) ? 2U : 1U) ++chars;
      const RubyPlacement place =
          placeRuby(pitch, groupStart, column, static_cast<std::int32_t>(ruby.size()), chars);
      std::int32_t x = place.startX;
      for (std::size_t j = 0; j < ruby.size() && !brokenAt(ruby, j);) {
        const bool doubleByte = leadByteAt(ruby, j);
        const std::uint16_t code = util::sjisCodeAt(ruby, j);
        if (code != ' ' && code != kIdeographicSpace) {
          glyphs.push_back({code, x, lineY - size / 2, true});
        }
        x += rubyAdvance(pitch, place.gap, doubleByte);
        j += doubleByte ? 2 : 1;
      }
      inGroup = false;
      i = end < text.size() ? end + 1 : end;
      continue;
    }
    if (brokenAt(text, i)) break;
    const bool doubleByte = leadByteAt(text, i);
    const std::uint16_t code = util::sjisCodeAt(text, i);
    if (code != kIdeographicSpace) glyphs.push_back({code, pitch * column / 2, lineY, false});
    column += doubleByte ? 2 : 1;
    i += doubleByte ? 2 : 1;
  }
  return glyphs;
}

}  // namespace tsuzuri::text
