#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/image_log.h"

namespace tsuzuri::text {

inline constexpr std::int32_t kBacklogEntries = 200;
// The bytes of an entry's text and tag, their terminating zero included.
inline constexpr std::size_t kBacklogTextBytes = 1024;
inline constexpr std::size_t kBacklogTagBytes = 256;

// One page (or group of lines) of the story as the history screen shows it.
struct BacklogEntry {
  // Shift_JIS, with 0x0C at each line break (followed by an ideographic
  // space when the next line is indented) and the ruby groups as written.
  std::string text;
  // The speaker, or the text setTagLog gave.
  std::string tag;
  std::int32_t lineCount = 0;
  // Where the page began: the script and line, and the save snapshot then.
  std::uint64_t scriptHash = 0;
  std::int32_t line = 0;
  std::int32_t saveNumber = 0;
  // The picture on screen when the page was committed, and the camera then.
  std::vector<ImageLogRecord> images;
  ScreenView screen;
};

// The ring of the last 200 pages. Texts are cut at whole characters where
// an entry is full.
class Backlog {
 public:
  BacklogEntry& current() { return entries_[static_cast<std::size_t>(current_)]; }
  const BacklogEntry& current() const { return entries_[static_cast<std::size_t>(current_)]; }
  // The entry `back` pages before the current one (0: the current one).
  const BacklogEntry& entry(std::int32_t back) const;
  // The entry at a ring index (0..199, wrapping), as saved games number them.
  BacklogEntry& at(std::int32_t index);
  const BacklogEntry& at(std::int32_t index) const;
  std::int32_t currentIndex() const { return current_; }
  std::int32_t count() const { return count_; }

  // Appends to the current text; what does not fit is left out.
  void append(std::string_view text);
  void setTag(std::string_view tag);

  // Ends the current page: the next entry becomes current, emptied.
  void commit();
  // Forgets every page.
  void clearAll();
  // Sets the current index (0..199) and the count (1..200), clamped, as a
  // saved game gives them; the entries stay as they are.
  void restoreIndices(std::int32_t currentIndex, std::int32_t count);
  // Goes back one entry (popSave of the last snapshot), wrapping from 0 to
  // 199; the count stays.
  void stepBack() { current_ = (current_ + kBacklogEntries - 1) % kBacklogEntries; }

  // Where a page begins: its script and line, and the number of the save
  // snapshot current then.
  struct Position {
    std::uint64_t scriptHash = 0;
    std::int32_t line = 0;
    std::int32_t saveNumber = 0;
  };
  // Records where the current page begins. While a saved position is being
  // restored, that position is recorded instead.
  void noteSource(std::uint64_t scriptHash, std::int32_t line);
  // The snapshot number new pages record (the stacked snapshots).
  void setSnapshotNumber(std::int32_t number) { snapshotNumber_ = number; }
  // A saved position taken up again (popSave); setLog ends it.
  const std::optional<Position>& restoring() const { return restoring_; }
  void beginRestore(const Position& position) { restoring_ = position; }
  void endRestore() { restoring_.reset(); }

 private:
  std::array<BacklogEntry, kBacklogEntries> entries_{};
  std::int32_t current_ = 0;
  std::int32_t count_ = 1;
  std::int32_t snapshotNumber_ = 0;
  std::optional<Position> restoring_;
};

// How much of `text` fits into `room` bytes without splitting a
// double-byte character.
std::size_t wholeCharacters(std::string_view text, std::size_t room);

}  // namespace tsuzuri::text
