#include "script/expression.h"

#include <array>
#include <cmath>
#include <optional>
#include <type_traits>

#include "script/expression_lexer.h"
#include "script/number_conversion.h"
#include "script/script_parser.h"
#include "util/number_text.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

// Nesting of parentheses and references beyond this is refused, so that a
// hostile line cannot exhaust the stack; script lines stay far below it.
constexpr int kMaxDepth = 200;
// The unary form takes at most this many sign tokens.
constexpr int kMaxSigns = 256;

constexpr std::u8string_view kInvalidInteger = u8"数値変数が不正です";
constexpr std::u8string_view kInvalidText = u8"文字変数が不正です";

std::string_view trimWhite(std::string_view text) {
  while (!text.empty() && isWhite(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && isWhite(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// `text` without its first `count` bytes; empty when the count is negative
// or not below the length.
std::string dropFront(std::string_view text, double count) {
  const std::int64_t n = truncateToInt64(count);
  if (n < 0 || n >= static_cast<std::int64_t>(text.size())) return {};
  return std::string(text.substr(static_cast<std::size_t>(n)));
}

// The int in decimal with at least `width` digits (the sign not counted).
std::string decimal(std::int32_t value, int width) {
  std::string digits = util::itos10(value);
  const bool negative = value < 0;
  const auto count = static_cast<int>(digits.size()) - (negative ? 1 : 0);
  if (count < width) {
    digits.insert(negative ? 1U : 0U, static_cast<std::size_t>(width - count), '0');
  }
  return digits;
}

// `a op b` for the comparison operators ('l' is <=, 'g' is >=).
template <class T>
bool compare(char op, T a, T b) {
  switch (op) {
    case '<':
      return a < b;
    case 'l':
      return a <= b;
    case '>':
      return a > b;
    case 'g':
      return a >= b;
    case '=':
      return a == b;
    default:
      return a != b;
  }
}

class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

// The grammar is recursive descent by nature; kMaxDepth bounds the recursion.
// NOLINTBEGIN(misc-no-recursion)

// One pass of the grammar over one text, reading tokens on demand and
// keeping no parse tree. Failures go through the owner's error report.
class Evaluator {
 public:
  Evaluator(Expression& owner, std::string_view text) : owner_(owner), lexer_(text) {
    lexer_.next();
  }

  const Token& token() const { return lexer_.current(); }
  const Token& next() { return lexer_.next(); }
  std::string_view rest() const { return lexer_.rest(); }
  bool reported() const { return reported_; }

  void report(std::u8string_view message) {
    reported_ = true;
    owner_.reportError(util::toSjis(message));
  }

  // Level A: &&, ||, &, |, ^.
  Value expression();

  // The variable of a reference whose sigil has just been read (the current
  // token follows it); null when the reference is invalid or names no
  // variable. Reports nothing.
  template <class T>
  T* reference();

 private:
  Value comparison();
  Value sum();
  Value product();
  Value primary();
  Value unary();
  Value parenthesised();
  Value textVariable();
  Value integerVariable();
  Value byteValue();
  Value labelValue();

  template <class T>
  T* named(std::string_view name);
  template <class T>
  T* numbered(std::int64_t index);

  Expression& owner_;
  ExpressionLexer lexer_;
  int depth_ = 0;
  bool reported_ = false;
};

Value Evaluator::expression() {
  if (depth_ >= kMaxDepth) {
    // Nothing after this point is read, so the report comes once.
    report(u8"式が複雑すぎます");
    lexer_.skipToEnd();
    return Value{};
  }
  DepthGuard guard(depth_);
  Value left = comparison();
  for (;;) {
    char op = 0;
    if (token().is('&') || token().is('|')) {
      op = token().text.front();
      if (next().is(op)) {
        op = op == '&' ? 'a' : 'o';  // && and ||
        next();
      }
    } else if (token().is('^')) {
      op = '^';
      next();
    } else {
      return left;
    }
    const Value right = comparison();
    const std::int32_t a = truncateToInt32(left.number);
    const std::int32_t b = truncateToInt32(right.number);
    switch (op) {
      case 'a':
        left.number = left.number != 0 && right.number != 0 ? 1 : 0;
        break;
      case 'o':
        left.number = left.number != 0 || right.number != 0 ? 1 : 0;
        break;
      case '&':
        left.number = a & b;
        break;
      case '|':
        left.number = a | b;
        break;
      default:
        left.number = a ^ b;
        break;
    }
  }
}

// Level B: comparisons and shifts.
Value Evaluator::comparison() {
  Value left = sum();
  for (;;) {
    char op = 0;
    if (token().is('<') || token().is('>')) {
      const char c = token().text.front();
      next();
      if (token().is('=')) {
        op = c == '<' ? 'l' : 'g';  // <= and >=
        next();
      } else if (token().is(c)) {
        op = c == '<' ? 'L' : 'R';  // << and >>
        next();
      } else {
        op = c;
      }
    } else if (token().is('=') || token().is('!')) {
      // "==" and "!=" are known by their first byte; whatever follows it
      // is passed over.
      op = token().text.front();
      next();
      next();
    } else {
      return left;
    }
    const Value right = sum();
    if (op == 'L' || op == 'R') {
      const std::int32_t a = truncateToInt32(left.number);
      const auto shift = static_cast<std::uint32_t>(truncateToInt32(right.number)) & 31U;
      left.number = op == 'L' ? static_cast<std::int32_t>(static_cast<std::uint32_t>(a) << shift)
                              : a >> shift;
    } else {
      // A text on the right compares the texts byte by byte (as unsigned
      // bytes), whatever the left is; otherwise the numbers.
      const bool result = right.isText() ? compare(op, left.text.compare(right.text), 0)
                                         : compare(op, left.number, right.number);
      left.number = result ? 1 : 0;
    }
    left.kind = Value::kNumber;
  }
}

// Level C: + and -.
Value Evaluator::sum() {
  Value left = product();
  for (;;) {
    if (!token().is('+') && !token().is('-')) return left;
    const char op = token().text.front();
    next();
    Value right = product();
    if (op == '-') {
      left.number -= right.number;
    } else if (left.isText()) {
      // text + text joins; text + number drops bytes from the front.
      if (right.isText()) {
        left.text += right.text;
      } else {
        left.text = dropFront(left.text, right.number);
      }
    } else if (right.isText()) {
      left = Value::ofText(dropFront(right.text, left.number));
    } else {
      left.number += right.number;
    }
  }
}

// Level D: *, /, \, %.
Value Evaluator::product() {
  Value left = primary();
  for (;;) {
    if (!token().is('*') && !token().is('/') && !token().is('\\') && !token().is('%')) return left;
    const char op = token().text.front();
    next();
    const Value right = primary();
    const double a = left.number;
    const double b = right.number;
    // A division by 0 gives IEEE infinity or NaN; the integer quotient and
    // the remainder by 0 are 0, so that no division ever traps.
    switch (op) {
      case '*':
        left.number = a * b;
        break;
      case '/':
        left.number = a / b;
        break;
      case '\\':
        left.number = b == 0 ? 0 : truncateToInt32(a / b);
        break;
      default:
        left.number = b == 0 ? 0 : std::fmod(a, b);
        break;
    }
  }
}

Value Evaluator::primary() {
  const Token first = token();
  if (first.isNameOrText()) {
    next();
    return Value::ofText(std::string(first.text));
  }
  if (first.is('(')) return parenthesised();
  if (first.is('!')) {
    next();
    const Value operand = token().is('(') ? parenthesised() : unary();
    return Value::ofNumber(operand.number == 0 ? 1 : 0);
  }
  if (first.is('$')) {
    next();
    return textVariable();
  }
  if (first.is('%')) {
    next();
    return integerVariable();
  }
  if (first.is('*')) {
    next();
    return token().is('(') || token().is('$') ? byteValue() : labelValue();
  }
  return unary();
}

Value Evaluator::unary() {
  // A sign equal to the one kept before it cancels it; "!" never cancels.
  std::array<char, kMaxSigns> signs{};
  std::size_t count = 0;
  for (int tokens = 0; tokens < kMaxSigns; ++tokens) {
    if (!token().is('+') && !token().is('-') && !token().is('!')) break;
    const char sign = token().text.front();
    if (count > 0 && signs[count - 1] == sign && sign != '!') {
      --count;
    } else {
      signs[count++] = sign;
    }
    next();
  }

  Value operand;
  const Token first = token();
  if (first.is('$')) {
    next();
    operand = textVariable();
  } else if (first.is('%')) {
    next();
    operand = integerVariable();
  } else if (first.kind == TokenKind::kNumber) {
    next();
    operand = Value::ofNumber(first.number);
  } else {
    // Anything else stands for its own text, a "(" included.
    if (first.kind != TokenKind::kEnd) next();
    operand = Value::ofText(std::string(first.text));
  }

  // Applied from the leftmost sign on: -!0 is !(-0), that is 1.
  for (std::size_t i = 0; i < count; ++i) {
    if (signs[i] == '-') {
      operand.number = -operand.number;
    } else if (signs[i] == '!') {
      operand.number = operand.number == 0 ? 1 : 0;
    }
  }
  return operand;
}

// The current token is "(".
Value Evaluator::parenthesised() {
  next();
  if (token().is(')')) {
    next();
    return Value{};
  }
  Value inner = expression();
  if (token().is(')')) next();
  return inner;
}

// The current token follows a "$".
Value Evaluator::textVariable() {
  if (token().is('(')) {
    const Value inner = parenthesised();
    int width = 0;
    if (token().kind == TokenKind::kNumber) {
      width = token().text.front() - '0';
      next();
    }
    if (inner.isText()) return Value::ofText(inner.text);
    return Value::ofText(decimal(truncateToInt32(inner.number), width));
  }
  if (const std::string* variable = reference<std::string>()) return Value::ofText(*variable);
  report(kInvalidText);
  return Value{};
}

// The current token follows a "%".
Value Evaluator::integerVariable() {
  if (token().is('(')) {
    const Value inner = parenthesised();
    if (!inner.isText()) return Value::ofNumber(inner.number);
    const std::string_view text = inner.text;
    if (text.size() > 1 && text[1] == 'x') return Value::ofNumber(util::stoi16(text));
    return Value::ofNumber(util::stod10(text));
  }
  if (const std::int32_t* variable = reference<std::int32_t>()) return Value::ofNumber(*variable);
  report(kInvalidInteger);
  return Value{};
}

// The current token is the "(" or "$" after a "*".
Value Evaluator::byteValue() {
  const Value operand = primary();
  const std::string_view bytes = operand.text;
  if (token().kind != TokenKind::kNumber) {
    return Value::ofNumber(bytes.empty() ? 0 : static_cast<unsigned char>(bytes.front()));
  }
  const int count = token().text.front() - '0';
  next();
  // Little-endian and unsigned; bytes past the end of the text count as 0.
  double value = 0;
  for (int i = count - 1; i >= 0; --i) {
    const auto at = static_cast<std::size_t>(i);
    value = value * 256 + (at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0);
  }
  return Value::ofNumber(value);
}

// The current token follows a "*" that starts no byte value: the label
// text takes every remaining token.
Value Evaluator::labelValue() {
  std::string label = "*";
  while (token().kind != TokenKind::kEnd) {
    label += token().text;
    next();
  }
  return Value::ofText(std::move(label));
}

template <class T>
T* Evaluator::reference() {
  if (depth_ >= kMaxDepth) {
    lexer_.skipToEnd();
    return nullptr;
  }
  DepthGuard guard(depth_);
  const Token first = token();
  if (first.isNameOrText()) {
    next();
    return named<T>(first.text);
  }
  if (first.kind == TokenKind::kNumber) {
    next();
    return numbered<T>(truncateToInt64(first.number));
  }
  if (first.is('%')) {
    next();
    const std::int32_t* index = reference<std::int32_t>();
    return index ? numbered<T>(*index) : nullptr;
  }
  if (first.is('$')) {
    next();
    const std::string* name = reference<std::string>();
    return name ? named<T>(*name) : nullptr;
  }
  return nullptr;
}

template <class T>
T* Evaluator::named(std::string_view name) {
  if constexpr (std::is_same_v<T, std::int32_t>) {
    return owner_.variables().findInteger(name);
  } else {
    return owner_.variables().findText(name);
  }
}

template <class T>
T* Evaluator::numbered(std::int64_t index) {
  if constexpr (std::is_same_v<T, std::int32_t>) {
    return owner_.variables().numberedInteger(index);
  } else {
    return owner_.variables().numberedText(index);
  }
}

// NOLINTEND(misc-no-recursion)

template <class T>
T* resolveReference(Expression& owner, std::string_view reference, char sigil) {
  Evaluator evaluator(owner, trimWhite(reference));
  if (!evaluator.token().is(sigil)) return nullptr;
  evaluator.next();
  T* variable = evaluator.reference<T>();
  return evaluator.token().kind == TokenKind::kEnd ? variable : nullptr;
}

// What an assignment writes to.
struct Target {
  enum class Kind { kNone, kInteger, kText, kByteField };
  Kind kind = Kind::kNone;
  std::int32_t* integer = nullptr;
  std::string* text = nullptr;  // also the text of a byte field
  std::int64_t offset = 0;
  std::size_t width = 1;
  // Set when the statement is no assignment at all; its operator is still
  // checked then.
  bool checkOperator = false;
};

constexpr std::u8string_view kNotAssignable = u8"変数に代入する式ではありません";

// The current token follows the "*" of a byte field.
Target readByteField(Evaluator& evaluator) {
  Target target;
  if (evaluator.token().is('$')) {
    evaluator.next();
    target.text = evaluator.reference<std::string>();
    if (target.text == nullptr) {
      evaluator.report(kInvalidText);
    } else {
      target.kind = Target::Kind::kByteField;
    }
    return target;
  }
  if (!evaluator.token().is('(') || !evaluator.next().is('$')) {
    evaluator.report(kNotAssignable);
    return target;
  }
  evaluator.next();
  auto* text = evaluator.reference<std::string>();
  if (text == nullptr) {
    evaluator.report(kInvalidText);
    return target;
  }
  if (!evaluator.token().is(')')) {
    const Value offset = evaluator.expression();
    if (evaluator.reported()) return target;
    target.offset = truncateToInt64(offset.number);
  }
  if (!evaluator.token().is(')')) {
    evaluator.report(kNotAssignable);
    return target;
  }
  if (evaluator.next().kind == TokenKind::kNumber) {
    const char width = evaluator.token().text.front();
    target.width = width == '2' ? 2 : (width == '4' ? 4 : 1);
    evaluator.next();
  }
  target.text = text;
  target.kind = Target::Kind::kByteField;
  return target;
}

Target readTarget(Evaluator& evaluator) {
  Target target;
  const Token first = evaluator.token();
  if (first.is('$')) {
    evaluator.next();
    target.text = evaluator.reference<std::string>();
    if (target.text == nullptr) {
      evaluator.report(kInvalidText);
    } else {
      target.kind = Target::Kind::kText;
    }
  } else if (first.is('%')) {
    evaluator.next();
    target.integer = evaluator.reference<std::int32_t>();
    if (target.integer == nullptr) {
      evaluator.report(kInvalidInteger);
    } else {
      target.kind = Target::Kind::kInteger;
    }
  } else if (first.is('*')) {
    evaluator.next();
    target = readByteField(evaluator);
  } else {
    evaluator.report(kNotAssignable);
    if (first.kind != TokenKind::kEnd) evaluator.next();
    target.checkOperator = true;
  }
  return target;
}

// The assignment operator at the current token, by its first byte ('=' for
// the plain one, '<' and '>' for the shifts); none when it is not one.
// Leaves the "=" as the current token.
std::optional<char> readOperator(Evaluator& evaluator) {
  const Token first = evaluator.token();
  if (first.is('=')) return '=';
  if (first.kind != TokenKind::kSymbol) return std::nullopt;
  const char op = first.text.front();
  if (op == '<' || op == '>') {
    if (!evaluator.next().is(op)) return std::nullopt;
  } else if (std::string_view("+-*/\\%&|^").find(op) == std::string_view::npos) {
    return std::nullopt;
  }
  return evaluator.next().is('=') ? std::optional<char>(op) : std::nullopt;
}

std::string operatorText(char op) {
  if (op == '<') return "<<=";
  if (op == '>') return ">>=";
  return std::string(1, op) + "=";
}

// `a op= b` in 32-bit arithmetic that wraps; none for a division by 0.
std::optional<std::int32_t> combine(char op, std::int32_t a, std::int32_t b) {
  const auto ua = static_cast<std::uint32_t>(a);
  const auto ub = static_cast<std::uint32_t>(b);
  switch (op) {
    case '=':
      return b;
    case '+':
      return static_cast<std::int32_t>(ua + ub);
    case '-':
      return static_cast<std::int32_t>(ua - ub);
    case '*':
      return static_cast<std::int32_t>(ua * ub);
    case '/':
    case '\\':
      if (b == 0) return std::nullopt;
      // In 64 bits, so that -2147483648 / -1 wraps instead of overflowing.
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(std::int64_t{a} / b));
    case '%':
      if (b == 0) return std::nullopt;
      return static_cast<std::int32_t>(std::int64_t{a} % b);
    case '&':
      return a & b;
    case '|':
      return a | b;
    case '^':
      return a ^ b;
    case '<':
      return static_cast<std::int32_t>(ua << (ub & 31U));
    default:
      return a >> (ub & 31U);
  }
}

// A byte field reads as an unsigned 1- or 2-byte number or a signed 4-byte
// one, little-endian.
std::int32_t readField(const std::string& text, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[offset + i])) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

void writeField(std::string& text, std::size_t offset, std::size_t width, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < width; ++i) {
    text[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFFU);
  }
}

}  // namespace

Value Expression::evaluate(std::string_view text) {
  statement_.assign(text);
  return evaluateText(text);
}

Value Expression::evaluateText(std::string_view text) {
  failed_ = false;
  Evaluator evaluator(*this, text);
  if (evaluator.token().kind == TokenKind::kEnd) return Value{};
  Value value = evaluator.expression();
  if (failed_) value.kind = Value::kNone;
  return value;
}

std::int32_t* Expression::resolveInteger(std::string_view reference) {
  return resolveReference<std::int32_t>(*this, reference, '%');
}

std::string* Expression::resolveText(std::string_view reference) {
  return resolveReference<std::string>(*this, reference, '$');
}

void Expression::assign(std::string_view statement) {
  statement_.assign(statement);
  failed_ = false;
  Evaluator evaluator(*this, statement);
  const Target target = readTarget(evaluator);
  if (target.kind == Target::Kind::kNone && !target.checkOperator) return;
  const std::optional<char> op = readOperator(evaluator);
  if (!op) {
    reportError(util::toSjis(u8"代入演算子が不正です"));
    return;
  }
  if (target.kind == Target::Kind::kNone) return;

  const Value value = evaluateText(evaluator.rest());
  if (value.isNone()) {
    reportError(util::toSjis(u8"変数に代入する型が合いません"));
    return;
  }
  const auto divisionByZero = [this] { reportError(util::toSjis(u8"0 で割ることはできません")); };

  switch (target.kind) {
    case Target::Kind::kText:
      if (!value.isText()) return;
      if (*op == '=') {
        *target.text = value.text;
      } else if (*op == '+') {
        *target.text += value.text;
      } else {
        reportError(util::toSjis(u8"文字変数に ") + operatorText(*op) +
                    util::toSjis(u8" 複合代入演算子は使えません"));
      }
      return;
    case Target::Kind::kInteger: {
      if (!value.isNumber()) return;
      const auto result = combine(*op, *target.integer, truncateToInt32(value.number));
      if (result) {
        *target.integer = *result;
      } else {
        divisionByZero();
      }
      return;
    }
    case Target::Kind::kByteField: {
      if (!value.isNumber()) return;
      std::string& text = *target.text;
      if (target.offset < 0 || text.size() < target.width ||
          target.offset > static_cast<std::int64_t>(text.size() - target.width)) {
        reportError(util::toSjis(u8"文字変数の位置が不正です"));
        return;
      }
      const auto offset = static_cast<std::size_t>(target.offset);
      const auto result =
          combine(*op, readField(text, offset, target.width), truncateToInt32(value.number));
      if (result) {
        writeField(text, offset, target.width, *result);
      } else {
        divisionByZero();
      }
      return;
    }
    case Target::Kind::kNone:
      return;
  }
}

void Expression::reportError(std::string_view message) {
  std::string text(place_.currentScriptName());
  text += '[';
  text += util::itos10(place_.currentLineIndex());
  text += "] ";
  text += statement_;
  text += util::toSjis(u8" ※");
  text += message;
  failed_ = true;
  errors_.reportPlain(text, true);
}

}  // namespace tsuzuri::script
