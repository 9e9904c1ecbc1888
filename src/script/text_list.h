#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tsuzuri::script {

// The text list: lines of a text file, each kept with its own line end, and
// the encoding the file was read in. Indexes here are 0-based; the
// built-ins number lines from 1.
class TextList {
 public:
  enum Encoding : int { kAnsi = 0, kUtf16Le = 1, kUtf16Be = 2 };

  // Empties the list; the encoding stays.
  void clear() { lines_.clear(); }

  // Replaces the list with the lines of a file's bytes. The first two bytes
  // choose the encoding (FF FE: UTF-16 little-endian, FE FF: big-endian,
  // else Shift_JIS); a byte-order mark stays at the start of line 1. Lines
  // are cut after each line feed of the encoding, which they keep; bytes
  // after the last line feed form a last line.
  void load(std::string_view bytes);

  Encoding encoding() const { return encoding_; }
  // CR LF, or the line feed unit of a UTF-16 encoding.
  std::string_view lineEnd() const;

  std::size_t size() const { return lines_.size(); }
  const std::vector<std::string>& lines() const { return lines_; }

  // Each takes the text followed, when asked, by the line end.
  void set(std::size_t index, std::string_view text, bool addLineEnd);
  void insert(std::size_t index, std::string_view text, bool addLineEnd);
  void add(std::string_view text, bool addLineEnd);

  // Sorts lines [first, last) (see sortTexts); with `removeDuplicates`,
  // adjacent lines of the range that are exactly equal are then kept once.
  void sort(std::size_t first, std::size_t last, bool descending, bool folded,
            bool removeDuplicates);

  // Lines [first, end) as stored, back to back; bounds past the end are cut.
  std::string bytes(std::size_t first, std::size_t end) const;

 private:
  std::string withLineEnd(std::string_view text, bool addLineEnd) const;

  std::vector<std::string> lines_;
  Encoding encoding_ = kAnsi;
};

}  // namespace tsuzuri::script
