#include "script/expression_lexer.h"

#include "script/script_parser.h"
#include "util/number_text.h"

namespace tsuzuri::script {
namespace {

constexpr bool isDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
constexpr bool isHexDigit(unsigned char c) {
  return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

ExpressionLexer::ExpressionLexer(std::string_view text) : text_(text.substr(0, text.find('\0'))) {}

void ExpressionLexer::skipToEnd() {
  position_ = text_.size();
  current_ = Token{};
  current_.text = text_.substr(position_);
}

const Token& ExpressionLexer::next() {
  const std::size_t size = text_.size();
  auto byteAt = [this](std::size_t i) { return static_cast<unsigned char>(text_[i]); };
  while (position_ < size && isBlank(byteAt(position_))) ++position_;
  current_ = Token{};
  if (position_ == size) {
    current_.text = text_.substr(size);
    return current_;
  }

  const std::size_t start = position_;
  const unsigned char first = byteAt(start);
  if (isDigit(first)) {
    current_.kind = TokenKind::kNumber;
    if (start + 1 < size && text_[start + 1] == 'x') {
      // The byte after "0x" belongs to the number whatever it is; the
      // lenient hexadecimal reader gives it its digit value.
      position_ = start + 2;
      const std::size_t digits = position_;
      if (position_ < size) ++position_;
      while (position_ < size && isHexDigit(byteAt(position_))) ++position_;
      current_.number = util::stoi16(text_.substr(digits, position_ - digits));
    } else {
      while (position_ < size && (isDigit(byteAt(position_)) || text_[position_] == '.')) {
        ++position_;
      }
      current_.number = util::stod10(text_.substr(start, position_ - start));
    }
    current_.text = text_.substr(start, position_ - start);
    return current_;
  }

  if (isNameCharacter(first) || isLeadByte(first)) {
    current_.kind = TokenKind::kName;
    while (position_ < size) {
      const unsigned char c = byteAt(position_);
      if (isLeadByte(c)) {
        // A lead byte at the very end stands alone.
        position_ += position_ + 1 < size ? 2U : 1U;
      } else if (isNameCharacter(c)) {
        ++position_;
      } else {
        break;
      }
    }
    current_.text = text_.substr(start, position_ - start);
    return current_;
  }

  if (first == '"' || first == '\'') {
    // No escapes; a text without its closing quote runs to the end.
    current_.kind = TokenKind::kQuoted;
    std::size_t i = start + 1;
    while (i < size && byteAt(i) != first) i += isLeadByte(byteAt(i)) && i + 1 < size ? 2U : 1U;
    current_.text = text_.substr(start + 1, i - start - 1);
    position_ = i < size ? i + 1 : size;
    return current_;
  }

  current_.kind = TokenKind::kSymbol;
  current_.text = text_.substr(start, 1);
  position_ = start + 1;
  return current_;
}

}  // namespace tsuzuri::script
