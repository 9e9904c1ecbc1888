#include "core/transcript.h"

#include "util/sjis.h"

namespace tsuzuri::core {

namespace {

// Whether the last character is the one-byte `mark` (0x5C may also be the
// second byte of a double-byte character).
bool endsWithMark(std::string_view text, char mark) {
  std::size_t i = 0;
  std::size_t last = std::string_view::npos;
  while (i < text.size()) {
    last = i;
    i += util::isSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2U : 1U;
  }
  return last != std::string_view::npos && last + 1 == text.size() && text[last] == mark;
}

}  // namespace

bool Transcript::show(std::string_view line, std::int32_t nextLength,
                      std::int32_t /*afterNextLength*/) {
  std::string_view text =
      startOffset_ < line.size() ? line.substr(startOffset_) : std::string_view();
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (out_ != nullptr) {
    std::string sjis;
    if (!speaker_.empty()) sjis = util::toSjis(u8"【") + speaker_ + util::toSjis(u8"】");
    sjis.append(text);
    std::string utf8 = util::sjisToUtf8(sjis);
    utf8.push_back('\n');
    static_cast<void>(std::fwrite(utf8.data(), 1, utf8.size(), out_));
  }
  speaker_.clear();
  startOffset_ = 0;
  // A message goes on over the following lines of its text block until a
  // line ends with the new-page mark or the block ends.
  inProgress_ = nextLength != 0 && !endsWithMark(text, '\\');
  return true;
}

}  // namespace tsuzuri::core
