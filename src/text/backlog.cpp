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

const BacklogEntry& Backlog::entry(std::int32_t back) const {
  std::int32_t index = (current_ - back) % kBacklogEntries;
  if (index < 0) index += kBacklogEntries;
  return entries_[static_cast<std::size_t>(index)];
}

void Backlog::append(std::string_view text) {
  std::string& stored = current().text;
  const std::size_t room = kBacklogTextBytes - 1 - std::min(stored.size(), kBacklogTextBytes - 1);
  stored.append(text.substr(0, wholeCharacters(text, room)));
}

void Backlog::setTag(std::string_view tag) {
  current().tag.assign(tag.substr(0, wholeCharacters(tag, kBacklogTagBytes - 1)));
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

}  // namespace tsuzuri::text
