#pragma once

#include <cstddef>
#include <string_view>

namespace tsuzuri::script {

enum class TokenKind { kEnd, kNumber, kName, kQuoted, kSymbol };

// One token of an expression. `text` points into the expression text: the
// bytes of a number, name or symbol as written, the bytes between the quotes
// of a quoted text.
struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string_view text;
  double number = 0;  // numbers only

  bool is(char symbol) const { return kind == TokenKind::kSymbol && text.front() == symbol; }
  // Names and quoted texts stand for their own text in an expression.
  bool isNameOrText() const { return kind == TokenKind::kName || kind == TokenKind::kQuoted; }
};

// Reads the tokens of an expression one at a time from the front. Blanks
// and tabs before a token are skipped; symbols are single bytes, so the
// grammar puts "<=", "&&" and the like together from two tokens. The text
// ends at its first NUL byte, as the script lines it comes from do.
class ExpressionLexer {
 public:
  explicit ExpressionLexer(std::string_view text);

  // Lexes the next token and makes it the current one.
  const Token& next();
  const Token& current() const { return current_; }
  // Drops the rest of the text: the current token becomes the end.
  void skipToEnd();
  // The text after the current token.
  std::string_view rest() const { return text_.substr(position_); }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
  Token current_;
};

}  // namespace tsuzuri::script
