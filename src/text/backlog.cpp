#include "text/backlog.h"

#include <algorithm>

#include "util/sjis.h"

namespace tsuzuri::text {

std::size_t wholeCharacters(std::string_view text, std::size_t room) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t width = util::sjisWidthAt(text, i);
    if (i + width > room) break;
    i += width;
  }
  return i;
}

namespace {

// The ring index of any position, counted in 64 bits so that no distance
// overflows.
std::size_t ringIndex(std::int64_t index) {
  std::int64_t wrapped = index % kBacklogEntries;
  if (wrapped < 0) wrapped += kBacklogEntries;
  return static_cast<std::size_t>(wrapped);
}

}  // namespace

const BacklogEntry& Backlog::entry(std::int32_t back) const {
  return entries_[ringIndex(std::int64_t{current_} - back)];
}

BacklogEntry& Backlog::at(std::int32_t index) {
  return entries_[ringIndex(index)];
}

const BacklogEntry& Backlog::at(std::int32_t index) const {
  return entries_[ringIndex(index)];
}

void Backlog::append(std::string_view text) {
  std::string& stored = current().text;
  const std::size_t room = kBacklogTextBytes - 1 - std::min(stored.size(), kBacklogTextBytes - 1);
  stored.append(text.substr(0, wholeCharacters(text, room)));
}

void Backlog::setTag(std::string_view tag) {
  current().tag.assign(tag.substr(0, wholeCharacters(tag, kBacklogTagBytes - 1)));
}

void Backlog::noteSource(std::uint64_t scriptHash, std::int32_t line) {
  BacklogEntry& entry = current();
  const Position at = restoring_ ? *restoring_ : Position{scriptHash, line, snapshotNumber_};
  entry.scriptHash = at.scriptHash;
  entry.line = at.line;
  entry.saveNumber = at.saveNumber;
}

void Backlog::commit() {
  current_ = (current_ + 1) % kBacklogEntries;
  if (count_ < kBacklogEntries) ++count_;
  BacklogEntry& next = current();
  next.text.clear();
  next.tag.clear();
}

void Backlog::clearAll() {
  for (BacklogEntry& e : entries_) e = BacklogEntry{};
  current_ = 0;
  count_ = 1;
}

void Backlog::restoreIndices(std::int32_t currentIndex, std::int32_t count) {
  current_ = std::clamp(currentIndex, 0, kBacklogEntries - 1);
  count_ = std::clamp(count, 1, kBacklogEntries);
}

}  // namespace tsuzuri::text
