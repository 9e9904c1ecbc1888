#include "script/text_list.h"

#include <algorithm>

#include "script/text_order.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

unsigned char byteAt(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

}  // namespace

void TextList::load(std::string_view bytes) {
  lines_.clear();
  encoding_ = kAnsi;
  if (bytes.size() >= 2 && byteAt(bytes, 0) == 0xFF && byteAt(bytes, 1) == 0xFE) {
    encoding_ = kUtf16Le;
  } else if (bytes.size() >= 2 && byteAt(bytes, 0) == 0xFE && byteAt(bytes, 1) == 0xFF) {
    encoding_ = kUtf16Be;
  }
  std::size_t start = 0;
  const auto cut = [&](std::size_t end) {
    lines_.emplace_back(bytes.substr(start, end - start));
    start = end;
  };
  if (encoding_ == kAnsi) {
    std::size_t i = 0;
    while (i < bytes.size()) {
      const unsigned char b = byteAt(bytes, i);
      if (util::isSjisLeadByte(b)) {
        i += 2;
        continue;
      }
      ++i;
      if (b == '\n') cut(i);
    }
  } else {
    // The line feed unit, in the byte order of the encoding.
    const std::string_view feed = lineEnd();
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      if (bytes[i] == feed[0] && bytes[i + 1] == feed[1]) cut(i + 2);
    }
  }
  if (start < bytes.size()) cut(bytes.size());
}

std::string_view TextList::lineEnd() const {
  using namespace std::string_view_literals;
  switch (encoding_) {
    case kUtf16Le:
      return "\x0A\x00"sv;
    case kUtf16Be:
      return "\x00\x0A"sv;
    case kAnsi:
      break;
  }
  return "\r\n"sv;
}

std::string TextList::withLineEnd(std::string_view text, bool addLineEnd) const {
  std::string line(text);
  if (addLineEnd) line.append(lineEnd());
  return line;
}

void TextList::set(std::size_t index, std::string_view text, bool addLineEnd) {
  if (index < lines_.size()) lines_[index] = withLineEnd(text, addLineEnd);
}

void TextList::insert(std::size_t index, std::string_view text, bool addLineEnd) {
  index = std::min(index, lines_.size());
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), withLineEnd(text, addLineEnd));
}

void TextList::add(std::string_view text, bool addLineEnd) {
  lines_.push_back(withLineEnd(text, addLineEnd));
}

void TextList::sort(std::size_t first, std::size_t last, bool descending, bool folded,
                    bool removeDuplicates) {
  last = std::min(last, lines_.size());
  if (first >= last) return;
  sortTexts(lines_, first, last, descending, folded);
  if (!removeDuplicates) return;
  const auto begin = lines_.begin() + static_cast<std::ptrdiff_t>(first);
  const auto end = lines_.begin() + static_cast<std::ptrdiff_t>(last);
  lines_.erase(std::unique(begin, end), end);
}

std::string TextList::bytes(std::size_t first, std::size_t end) const {
  end = std::min(end, lines_.size());
  std::string out;
  for (std::size_t i = first; i < end; ++i) out += lines_[i];
  return out;
}

}  // namespace tsuzuri::script
