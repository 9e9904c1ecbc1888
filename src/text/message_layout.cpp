#include "text/message_layout.h"

#include <algorithm>

#include "text/sprite_text.h"
#include "util/sjis.h"

namespace tsuzuri::text {

namespace {

constexpr char kLineBreak[] = "\x0C";
constexpr char kIndentedBreak[] = "\x0C\x81\x40";
constexpr char kIdeographicSpace[] = "\x81\x40";

// Characters that may hang past the margin instead of starting a line.
bool lineStartForbidden(std::uint16_t code) {
  return code == 0x8141 || code == 0x8142 || code == 0x816A || code == 0x8176 || code == 0x8178;
}

bool openingBracket(std::uint16_t code) {
  return code == 0x8169 || code == 0x8175 || code == 0x8177;
}

bool nameByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '@';
}

// One call of the layout: the walk over the line's bytes.
class Layouter {
 public:
  Layouter(const MessageMetrics& metrics, MessagePage& page, LayoutTarget& target,
           std::string_view line, const LayoutTiming& timing)
      : m_(metrics), page_(page), target_(target), text_(line), timing_(timing) {}

  LayoutResult run(std::int32_t next, std::int32_t afterNext);

 private:
  bool doubleByteAt(std::size_t i) const { return util::sjisWidthAt(text_, i) == 2; }
  std::uint16_t codeAt(std::size_t i) const { return util::sjisCodeAt(text_, i); }
  // The line's text from the last point written to the backlog up to `to`.
  void flushLog(std::size_t to) {
    if (to > logged_) target_.appendLog(text_.substr(logged_, to - logged_));
    logged_ = std::max(logged_, to);
  }
  void startPageLine(std::size_t from);
  void place(std::uint16_t code, std::int32_t width);
  void wrap(std::size_t at);
  // Runs "[name args]" at i; false when the line ends there.
  bool runInline(std::size_t& i);
  void ruby(std::size_t& i);
  // The wait step of a mark or the line end; true when the layout stops.
  bool waitStep(std::int32_t action);

  const MessageMetrics& m_;
  MessagePage& page_;
  LayoutTarget& target_;
  std::string_view text_;
  const LayoutTiming& timing_;
  std::size_t logged_ = 0;
  bool endRun_ = false;
  bool markSeen_ = false;
  // The open ruby group: where its base began.
  bool rubyOpen_ = false;
  std::int32_t rubyColumn_ = 0;
  std::int32_t rubyLine_ = 0;
  std::int32_t rubyFirstChar_ = 0;
};

void Layouter::startPageLine(std::size_t from) {
  std::size_t first = from;
  if (first < text_.size() && text_[first] == '[') {
    const std::size_t close = findCharacter(text_, first, ']');
    if (close != std::string_view::npos) first = close + 1;
  }
  if (first < text_.size() && doubleByteAt(first) && openingBracket(codeAt(first))) {
    page_.indent = m_.bracketIndent ? 2 : 0;
    return;
  }
  if (!m_.continuationIndent) {
    page_.indent = 0;
    return;
  }
  page_.indent = 2;
  page_.column = 2;
  // Every indented line of the backlog starts with one ideographic space.
  if (!target_.logEndsWith(kIndentedBreak)) target_.appendLog(kIdeographicSpace);
}

void Layouter::place(std::uint16_t code, std::int32_t width) {
  if (!timing_.jumping) {
    target_.placeChar(page_.column * m_.pitch() / 2, page_.line * m_.linePitch(), code);
  }
  page_.column += width;
  page_.breaks = 0;
  page_.autoDeadline += static_cast<std::uint32_t>(timing_.autoChar + timing_.speed);
}

void Layouter::wrap(std::size_t at) {
  flushLog(at);
  target_.appendLog(lineBreakMark(page_.indent));
  ++page_.line;
  ++page_.breaks;
  page_.column = page_.indent;
}

bool Layouter::runInline(std::size_t& i) {
  flushLog(i);
  std::size_t end = i + 1;
  while (end < text_.size() && nameByte(text_[end])) ++end;
  const std::string_view name = text_.substr(i + 1, end - i - 1);
  const std::size_t close = findCharacter(text_, end, ']');
  if (close == std::string_view::npos) {
    target_.report(util::toSjis(u8"メッセージ中の命令に ] がありません"), name);
    return false;
  }
  const LayoutTarget::Inline result = target_.runInline(name, text_.substr(end, close - end));
  i = close + 1;
  logged_ = i;
  if (result == LayoutTarget::Inline::kEndRun) {
    endRun_ = true;
    return false;
  }
  if (result == LayoutTarget::Inline::kUnknown) {
    target_.report(util::toSjis(u8"未対応の命令です"), name);
    return false;
  }
  return true;
}

void Layouter::ruby(std::size_t& i) {
  const std::size_t close = findCharacter(text_, i + 1, '}');
  if (close == std::string_view::npos) {
    target_.report(util::toSjis(u8"ルビの処理が不正です"), {});
    rubyOpen_ = false;
    i = text_.size();
    return;
  }
  const std::string_view rubyText = text_.substr(i + 1, close - i - 1);
  i = close;
  if (page_.line != rubyLine_ || page_.column < rubyColumn_) {
    target_.report(util::toSjis(u8"ルビが行を跨いでいます"), {});
    return;
  }
  if (timing_.jumping) return;
  std::int32_t count = 0;
  for (std::size_t k = 0; k < rubyText.size(); ++count) k += util::sjisWidthAt(rubyText, k);
  if (count == 0) return;
  const std::int32_t pitch = m_.pitch();
  const RubyPlacement where = placeRuby(pitch, rubyColumn_, page_.column,
                                        static_cast<std::int32_t>(rubyText.size()), count);
  const std::int32_t base = target_.placedChars() - rubyFirstChar_;
  const std::int32_t y = page_.line * m_.linePitch() - m_.lineHeight / 2;
  std::int32_t x = where.startX;
  std::int32_t n = 0;
  for (std::size_t k = 0; k < rubyText.size(); ++n) {
    const std::size_t width = util::sjisWidthAt(rubyText, k);
    const std::uint16_t code = util::sjisCodeAt(rubyText, k);
    target_.placeRuby(x, y, code, rubyFirstChar_ + n * base / count);
    x += rubyAdvance(pitch, where.gap, width == 2);
    k += width;
  }
}

bool Layouter::waitStep(std::int32_t action) {
  target_.setLogLines(page_.line + 1);
  page_.autoDeadline +=
      target_.now() + static_cast<std::uint32_t>(timing_.autoWait + timing_.speed);
  page_.lastAction = action;
  markSeen_ = true;
  if (!timing_.stopAtWaits) return false;
  if (page_.resume >= text_.size()) {
    page_.resume = 0;
    if (action != kClickWait) {
      ++page_.pageLines;
      page_.column = 0;
      page_.indent = 0;
      page_.breaks = 0;
    }
  }
  return true;
}

LayoutResult Layouter::run(std::int32_t next, std::int32_t afterNext) {
  // A CR of a CR LF line end is no character of the message.
  if (!text_.empty() && text_.back() == '\r') text_.remove_suffix(1);
  std::size_t i = std::min(page_.resume, text_.size());
  logged_ = i;
  if (page_.column == 0) startPageLine(i);
  bool lineGoesOn = true;
  while (lineGoesOn && i < text_.size()) {
    const char c = text_[i];
    if (util::isSjisLeadByte(static_cast<unsigned char>(c)) && i + 1 >= text_.size()) {
      target_.report(util::toSjis(u8"メッセージの最後の文字が欠けています"), {});
      flushLog(i);
      logged_ = ++i;
      continue;
    }
    const bool wide = doubleByteAt(i);
    if (!wide) {
      if (c == '[') {
        lineGoesOn = runInline(i);
        if (endRun_) return LayoutResult::kEndRun;
        continue;
      }
      if (c == '@' || c == '\\') {
        flushLog(i);
        page_.resume = ++i;
        logged_ = i;
        if (waitStep(c == '@' ? kClickWait : kPageWait)) return LayoutResult::kStopped;
        continue;
      }
      if (c == '{') {
        rubyOpen_ = true;
        rubyColumn_ = page_.column;
        rubyLine_ = page_.line;
        rubyFirstChar_ = target_.placedChars();
        ++i;
        continue;
      }
      if (c == '}') {
        rubyOpen_ = false;
        ++i;
        continue;
      }
      if (c == '/' && rubyOpen_) {
        ruby(i);
        continue;
      }
    }
    const std::uint16_t code = codeAt(i);
    const std::int32_t width = wide ? 2 : 1;
    if (page_.column > 2 * m_.charsPerLine) {
      const std::size_t after = i + 2;
      const bool hangs =
          wide && lineStartForbidden(code) &&
          !(after < text_.size() && doubleByteAt(after) && lineStartForbidden(codeAt(after)));
      // A line holding nothing but its indent takes the character anyway.
      if (!hangs && page_.column > page_.indent) {
        wrap(i);
        continue;
      }
    }
    place(code, width);
    i += static_cast<std::size_t>(width);
  }
  if (!lineGoesOn) logged_ = text_.size();
  flushLog(text_.size());
  if (rubyOpen_) target_.report(util::toSjis(u8"ルビの処理が不正です"), {});

  std::int32_t action = m_.lineEnd;
  if (m_.blankLineEnd != 0 && next == 0) {
    action =
        (m_.blankLineEnd & 4) != 0 ? (afterNext != 0 ? kClickWait : kPageWait) : m_.blankLineEnd;
  }
  page_.resume = text_.size();
  if (action != kGoOn && waitStep(action)) return LayoutResult::kStopped;
  if (page_.breaks == 0) {
    ++page_.line;
    page_.breaks = 1;
    target_.appendLog(kLineBreak);
  }
  page_.column = 0;
  page_.indent = 0;
  page_.resume = 0;
  // A wait mark met in the line stays the last action unless the line end
  // asks for one of its own.
  if (action != kGoOn || !markSeen_) page_.lastAction = action;
  return LayoutResult::kDone;
}

}  // namespace

std::string_view lineBreakMark(std::int32_t indent) {
  return indent == 2 ? std::string_view(kIndentedBreak) : std::string_view(kLineBreak);
}

LayoutResult layoutMessage(const MessageMetrics& metrics, MessagePage& page, LayoutTarget& target,
                           std::string_view line, std::int32_t next, std::int32_t afterNext,
                           const LayoutTiming& timing) {
  return Layouter(metrics, page, target, line, timing).run(next, afterNext);
}

}  // namespace tsuzuri::text
