#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tsuzuri::text {

// Where the ruby of a group goes: the x of its first character and the
// gap added after each character.
struct RubyPlacement {
  std::int32_t startX = 0;
  std::int32_t gap = 0;
};

// The ruby rule shared by text sprites and the message window: base text
// from `startColumn` to `endColumn` (byte columns, `pitch` pixels per two
// columns) under `rubyBytes` bytes of `rubyChars` half-size characters.
// A ruby as wide as half its base is spread one character over each base
// character; a wider ruby overhangs both sides equally; otherwise the spare
// width is spread into rubyChars + 1 equal gaps.
RubyPlacement placeRuby(std::int32_t pitch, std::int32_t startColumn, std::int32_t endColumn,
                        std::int32_t rubyBytes, std::int32_t rubyChars);
// How far a ruby character moves the next one along.
std::int32_t rubyAdvance(std::int32_t pitch, std::int32_t gap, bool doubleByte);

// The position of the first character `wanted` (a one-byte character) at or
// after `from`, walking whole characters; npos when there is none.
std::size_t findCharacter(std::string_view text, std::size_t from, char wanted);

// One character of laid-out sprite text.
struct PlacedGlyph {
  std::uint16_t code = 0;  // Shift_JIS: lead × 256 + trail, or the byte
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool ruby = false;  // drawn with the half-size ruby face
};

// The simple layout: every byte advances half the font size along one line;
// spaces (ASCII and ideographic) take room but draw nothing.
std::vector<PlacedGlyph> layoutLine(std::string_view text, std::int32_t size);

// The full layout: letter spacing `spacing` (pitch = size + spacing), line
// spacing `lineSpacing` (0x0C starts a line), 0x01 and spaces as blanks, and
// ruby groups "{base/ruby}" placed half a line above their base.
std::vector<PlacedGlyph> layoutText(std::string_view text, std::int32_t size, std::int32_t spacing,
                                    std::int32_t lineSpacing);

}  // namespace tsuzuri::text
