#include "script/regexp.h"

#include <oniguruma.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>

#include "util/sjis.h"

namespace tsuzuri::script {

namespace {

// Compiled patterns kept per operation; scripts call these in loops with a
// handful of patterns, so a small cache serves them all.
constexpr std::size_t kCacheCapacity = 32;

enum class Operation { kMatch, kSubstitute, kTransliterate, kSplit };
constexpr std::size_t kOperationCount = 4;

bool isLead(std::string_view text, std::size_t i) {
  return util::isSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
}

// A lead byte at the very end stands alone.
std::size_t charLength(std::string_view text, std::size_t i) {
  return isLead(text, i) ? 2 : 1;
}

// One byte, or lead byte * 256 + trail byte.
std::uint32_t codeAt(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  return isLead(text, i) ? (std::uint32_t{byte(i)} << 8) | byte(i + 1) : byte(i);
}

void appendCode(std::string& out, std::uint32_t code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool isAlnum(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The character that the escape at text[i] (a backslash with something
// after it) stands for, as a code, and the index after the escape. Used by
// replacements and transliteration lists, which read like Perl's
// double-quoted strings.
std::pair<std::uint32_t, std::size_t> decodeEscape(std::string_view text, std::size_t i) {
  const std::size_t at = i + 1;
  const char c = text[at];
  switch (c) {
    case 'n':
      return {'\n', at + 1};
    case 't':
      return {'\t', at + 1};
    case 'r':
      return {'\r', at + 1};
    case 'f':
      return {'\f', at + 1};
    case 'e':
      return {0x1B, at + 1};
    case 'a':
      return {0x07, at + 1};
    case 'x': {
      std::uint32_t code = 0;
      std::size_t end = at + 1;
      while (end < text.size() && end < at + 3 && hexValue(text[end]) >= 0) {
        code = code * 16 + static_cast<std::uint32_t>(hexValue(text[end++]));
      }
      return {code, end};
    }
    default:
      break;
  }
  if (c >= '0' && c <= '7') {
    std::uint32_t code = 0;
    std::size_t end = at;
    while (end < text.size() && end < at + 3 && text[end] >= '0' && text[end] <= '7') {
      code = code * 8 + static_cast<std::uint32_t>(text[end++] - '0');
    }
    return {code & 0xFF, end};
  }
  return {codeAt(text, at), at + charLength(text, at)};
}

struct RegexFree {
  void operator()(regex_t* regex) const { onig_free(regex); }
};
using RegexPointer = std::unique_ptr<regex_t, RegexFree>;

// One piece of a replacement: literal bytes, or the text of a group.
struct ReplacementPiece {
  static constexpr int kLiteral = -1;
  static constexpr int kBeforeMatch = -2;
  static constexpr int kAfterMatch = -3;
  int group = kLiteral;
  std::string literal;
};

// A transliteration: what each character of the text becomes.
struct Transliteration {
  static constexpr std::int64_t kUnmapped = -1;
  static constexpr std::int64_t kDelete = -2;

  bool complement = false;
  bool deleteUnpaired = false;
  bool squeeze = false;
  // The search list in its order (first occurrence of each character only).
  std::unordered_map<std::uint32_t, std::size_t> searchIndex;
  // With `complement`: the search list's characters, sorted.
  std::vector<std::uint32_t> sortedSearch;
  std::vector<std::uint32_t> replacement;

  // The replacement code, kUnmapped or kDelete for the character `code`.
  std::int64_t map(std::uint32_t code) const {
    std::size_t index = 0;
    if (complement) {
      const auto at = std::lower_bound(sortedSearch.begin(), sortedSearch.end(), code);
      if (at != sortedSearch.end() && *at == code) return kUnmapped;
      // The complement, in code order, is paired with the replacement list.
      index = code - static_cast<std::size_t>(at - sortedSearch.begin());
    } else {
      const auto found = searchIndex.find(code);
      if (found == searchIndex.end()) return kUnmapped;
      index = found->second;
    }
    if (index < replacement.size()) return replacement[index];
    if (deleteUnpaired) return kDelete;
    // An empty replacement list stands for the search list itself.
    if (replacement.empty()) return code;
    return replacement.back();
  }
};

struct Program {
  // Set when the pattern was refused; the rest is then empty.
  std::string error;
  RegexPointer regex;
  bool global = false;
  std::vector<ReplacementPiece> replacement;
  Transliteration transliteration;
  std::uint64_t lastUse = 0;
};

// The parts of a quoted pattern, still as written.
struct QuotedPattern {
  std::string first;
  std::string second;
  std::string options;
};

char closerOf(char open) {
  switch (open) {
    case '(':
      return ')';
    case '[':
      return ']';
    case '{':
      return '}';
    case '<':
      return '>';
    default:
      return open;
  }
}

// Reads one delimited part starting at text[i], the opening delimiter; on
// success `i` ends after the closing one. Escapes are kept as written.
std::optional<std::string> readPart(std::string_view text, std::size_t& i) {
  const char open = text[i];
  const char close = closerOf(open);
  int depth = 0;
  std::string part;
  for (std::size_t k = i + 1; k < text.size();) {
    const char c = text[k];
    if (c == '\\' && k + 1 < text.size()) {
      const std::size_t length = 1 + charLength(text, k + 1);
      part.append(text.substr(k, length));
      k += length;
      continue;
    }
    if (isLead(text, k)) {
      part.append(text.substr(k, 2));
      k += 2;
      continue;
    }
    if (c == close && depth == 0) {
      i = k + 1;
      return part;
    }
    if (open != close) {
      if (c == open) ++depth;
      if (c == close) --depth;
    }
    part.push_back(c);
    ++k;
  }
  return std::nullopt;
}

// A delimiter may be any single-byte character that is not a letter, a
// digit, "_", a blank or a backslash.
bool isDelimiter(std::string_view text, std::size_t i) {
  if (i >= text.size() || isLead(text, i)) return false;
  const char c = text[i];
  return !isAlnum(c) && !isSpace(c) && c != '\\';
}

void skipSpaces(std::string_view text, std::size_t& i) {
  while (i < text.size() && isSpace(text[i])) ++i;
}

// How one operation writes its patterns.
struct Syntax {
  // Operator words, longest first; unused ones empty.
  std::array<std::string_view, 2> operators;
  // Whether a pattern may start with "/" directly.
  bool bare;
  bool twoParts;
  std::string_view options;
  // Said when the pattern starts with none of these.
  const char* expected;
};

constexpr Syntax kMatchSyntax{{"m", ""}, true, false, "gimsxko", "a pattern starting with m or /"};
constexpr Syntax kSubstituteSyntax{{"s", ""}, false, true, "gimsxko", "a pattern starting with s"};
constexpr Syntax kTransliterateSyntax{
    {"tr", "y"}, false, true, "cdsrk", "a pattern starting with tr or y"};

// Splits `pattern` into its parts.
std::optional<QuotedPattern> readQuoted(std::string_view pattern, const Syntax& syntax,
                                        std::string& error) {
  std::size_t i = 0;
  if (!(syntax.bare && pattern.starts_with('/'))) {
    const auto word =
        std::find_if(syntax.operators.begin(), syntax.operators.end(), [&](std::string_view w) {
          return !w.empty() && pattern.starts_with(w) &&
                 !(pattern.size() > w.size() && isAlnum(pattern[w.size()]));
        });
    if (word == syntax.operators.end()) {
      error = std::string("expected ") + syntax.expected;
      return std::nullopt;
    }
    i = word->size();
    skipSpaces(pattern, i);
  }
  if (!isDelimiter(pattern, i)) {
    error = "missing delimiter";
    return std::nullopt;
  }
  QuotedPattern parts;
  const char open = pattern[i];
  std::optional<std::string> first = readPart(pattern, i);
  if (!first) {
    error = "missing closing delimiter";
    return std::nullopt;
  }
  parts.first = std::move(*first);
  if (syntax.twoParts) {
    if (closerOf(open) != open) {
      // s{...}{...}: the second part has delimiters of its own.
      skipSpaces(pattern, i);
      if (!isDelimiter(pattern, i)) {
        error = "missing delimiter of the second part";
        return std::nullopt;
      }
    } else {
      --i;  // The closer of the first part opens the second.
    }
    std::optional<std::string> second = readPart(pattern, i);
    if (!second) {
      error = "missing closing delimiter of the second part";
      return std::nullopt;
    }
    parts.second = std::move(*second);
  }
  parts.options = std::string(pattern.substr(i));
  for (char c : parts.options) {
    if (syntax.options.find(c) == std::string_view::npos) {
      error = "unknown option '";
      error.push_back(c);
      error.push_back('\'');
      return std::nullopt;
    }
  }
  return parts;
}

bool hasOption(const QuotedPattern& parts, char option) {
  return parts.options.find(option) != std::string::npos;
}

std::string onigMessage(int code, OnigErrorInfo* info) {
  std::array<OnigUChar, ONIG_MAX_ERROR_MESSAGE_LEN> buffer{};
  const int length = onig_error_code_to_str(buffer.data(), code, info);
  return std::string(reinterpret_cast<const char*>(buffer.data()),
                     static_cast<std::size_t>(std::max(length, 0)));
}

void compileRegex(Program& program, std::string_view expression, const QuotedPattern& parts) {
  Regexps::initialize();
  // Oniguruma's Perl syntax starts out with ^ and $ at the text's ends
  // only; Perl's m lifts that, and Perl's s is Oniguruma's "multiline".
  OnigOptionType options = ONIG_OPTION_NONE;
  if (hasOption(parts, 'i')) options |= ONIG_OPTION_IGNORECASE;
  if (hasOption(parts, 'm')) options |= ONIG_OPTION_NEGATE_SINGLELINE;
  if (hasOption(parts, 's')) options |= ONIG_OPTION_MULTILINE;
  if (hasOption(parts, 'x')) options |= ONIG_OPTION_EXTEND;
  regex_t* regex = nullptr;
  OnigErrorInfo info{};
  const auto* start = reinterpret_cast<const OnigUChar*>(expression.data());
  const int result = onig_new(&regex, start, start + expression.size(), options, ONIG_ENCODING_SJIS,
                              ONIG_SYNTAX_PERL, &info);
  if (result != ONIG_NORMAL) {
    program.error = onigMessage(result, &info);
    return;
  }
  program.regex.reset(regex);
  program.global = hasOption(parts, 'g');
}

std::vector<ReplacementPiece> readReplacement(std::string_view text) {
  std::vector<ReplacementPiece> pieces;
  const auto literal = [&]() -> std::string& {
    if (pieces.empty() || pieces.back().group != ReplacementPiece::kLiteral) pieces.emplace_back();
    return pieces.back().literal;
  };
  const auto group = [&](int number) { pieces.push_back({number, {}}); };
  // Group numbers beyond any expression's groups all read as "no such group".
  const auto readNumber = [&](std::size_t& k) {
    int number = 0;
    while (k < text.size() && isDigit(text[k])) {
      number = std::min(number * 10 + (text[k++] - '0'), 100000);
    }
    return number;
  };
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (isLead(text, i)) {
      literal().append(text.substr(i, 2));
      i += 2;
    } else if (c == '$' && isDigit(next)) {
      ++i;
      group(readNumber(i));
    } else if (c == '$' && next == '{' && i + 2 < text.size() && isDigit(text[i + 2])) {
      std::size_t k = i + 2;
      const int number = readNumber(k);
      if (k < text.size() && text[k] == '}') {
        group(number);
        i = k + 1;
      } else {
        literal().push_back(c);
        ++i;
      }
    } else if (c == '$' && (next == '&' || next == '`' || next == '\'')) {
      group(next == '&'   ? 0
            : next == '`' ? ReplacementPiece::kBeforeMatch
                          : ReplacementPiece::kAfterMatch);
      i += 2;
    } else if (c == '\\' && i + 1 < text.size()) {
      if (next >= '1' && next <= '9' && !(i + 2 < text.size() && isDigit(text[i + 2]))) {
        group(next - '0');
        i += 2;
      } else {
        const auto [code, end] = decodeEscape(text, i);
        appendCode(literal(), code);
        i = end;
      }
    } else {
      literal().push_back(c);
      ++i;
    }
  }
  return pieces;
}

// The characters of a transliteration list, ranges expanded.
std::optional<std::vector<std::uint32_t>> readList(std::string_view text, std::string& error) {
  struct Item {
    std::uint32_t code;
    bool escaped;
  };
  std::vector<Item> items;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const auto [code, end] = decodeEscape(text, i);
      items.push_back({code, true});
      i = end;
    } else {
      items.push_back({codeAt(text, i), false});
      i += charLength(text, i);
    }
  }
  std::vector<std::uint32_t> codes;
  for (std::size_t k = 0; k < items.size(); ++k) {
    const bool range = k + 2 < items.size() && items[k + 1].code == '-' && !items[k + 1].escaped;
    if (!range) {
      codes.push_back(items[k].code);
      continue;
    }
    const std::uint32_t low = items[k].code;
    const std::uint32_t high = items[k + 2].code;
    if (low > high) {
      error = "invalid range in transliteration";
      return std::nullopt;
    }
    for (std::uint32_t code = low; code <= high; ++code) codes.push_back(code);
    k += 2;
  }
  return codes;
}

void compileTransliteration(Program& program, const QuotedPattern& parts) {
  std::optional<std::vector<std::uint32_t>> search = readList(parts.first, program.error);
  if (!search) return;
  std::optional<std::vector<std::uint32_t>> replacement = readList(parts.second, program.error);
  if (!replacement) return;
  Transliteration& t = program.transliteration;
  t.complement = hasOption(parts, 'c');
  t.deleteUnpaired = hasOption(parts, 'd');
  t.squeeze = hasOption(parts, 's');
  t.replacement = std::move(*replacement);
  for (std::uint32_t code : *search) t.searchIndex.try_emplace(code, t.searchIndex.size());
  if (t.complement) {
    t.sortedSearch = std::move(*search);
    std::sort(t.sortedSearch.begin(), t.sortedSearch.end());
    t.sortedSearch.erase(std::unique(t.sortedSearch.begin(), t.sortedSearch.end()),
                         t.sortedSearch.end());
    t.searchIndex.clear();
  }
}

struct PatternHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

}  // namespace

class Regexps::Impl {
 public:
  Impl() : region_(onig_region_new()) {}
  ~Impl() { onig_region_free(region_, 1); }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  const Program& program(Operation operation, std::string_view pattern) {
    auto& cache = caches_[static_cast<std::size_t>(operation)];
    auto found = cache.find(pattern);
    if (found == cache.end()) {
      if (cache.size() >= kCacheCapacity) {
        const auto oldest = std::min_element(
            cache.begin(), cache.end(),
            [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
        if (oldest != cache.end()) {
          // The key is copied: erasing by a reference into the node it names
          // would read freed memory.
          const std::string key = oldest->first;
          cache.erase(key);
        }
      }
      found = cache.emplace(std::string(pattern), compile(operation, pattern)).first;
    }
    found->second.lastUse = ++clock_;
    return found->second;
  }

  // The next match at or after `from`, its groups in the region. With
  // `advance`, a match that is empty at `from` is not taken: a longer match
  // there is, else the search goes on from the next character. Gives the
  // match's start, ONIG_MISMATCH or an Oniguruma error code.
  int find(regex_t* regex, std::string_view text, std::size_t from, bool advance) {
    const auto* start = reinterpret_cast<const OnigUChar*>(text.data());
    const auto* end = start + text.size();
    int result = onig_search(regex, start, end, start + from, end, region_, ONIG_OPTION_NONE);
    if (result < 0 || !advance || static_cast<std::size_t>(region_->end[0]) != from) return result;
    result = onig_match(regex, start, end, start + from, region_, ONIG_OPTION_FIND_NOT_EMPTY);
    if (result >= 0) return static_cast<int>(from);
    if (result != ONIG_MISMATCH || from >= text.size()) return result;
    const std::size_t next = from + charLength(text, from);
    return onig_search(regex, start, end, start + next, end, region_, ONIG_OPTION_NONE);
  }

  std::string_view group(std::string_view text, int number) const {
    if (number >= region_->num_regs || region_->beg[number] < 0) return {};
    const auto begin = static_cast<std::size_t>(region_->beg[number]);
    return text.substr(begin, static_cast<std::size_t>(region_->end[number]) - begin);
  }

  void appendReplacement(std::string& out, const std::vector<ReplacementPiece>& pieces,
                         std::string_view text) const {
    for (const ReplacementPiece& piece : pieces) {
      switch (piece.group) {
        case ReplacementPiece::kLiteral:
          out.append(piece.literal);
          break;
        case ReplacementPiece::kBeforeMatch:
          out.append(text.substr(0, static_cast<std::size_t>(region_->beg[0])));
          break;
        case ReplacementPiece::kAfterMatch:
          out.append(text.substr(static_cast<std::size_t>(region_->end[0])));
          break;
        default:
          out.append(group(text, piece.group));
          break;
      }
    }
  }

  // Groups of the last match, the whole match included.
  int groupCount() const { return region_->num_regs; }

  std::size_t cachedCount() const {
    std::size_t count = 0;
    for (const auto& cache : caches_) count += cache.size();
    return count;
  }

 private:
  static Program compile(Operation operation, std::string_view pattern) {
    Program program;
    std::optional<QuotedPattern> parts;
    switch (operation) {
      case Operation::kMatch:
      case Operation::kSplit:
        parts = readQuoted(pattern, kMatchSyntax, program.error);
        break;
      case Operation::kSubstitute:
        parts = readQuoted(pattern, kSubstituteSyntax, program.error);
        break;
      case Operation::kTransliterate:
        parts = readQuoted(pattern, kTransliterateSyntax, program.error);
        break;
    }
    if (!parts) return program;
    if (operation == Operation::kTransliterate) {
      compileTransliteration(program, *parts);
      return program;
    }
    // As in Perl, splitting at /^/ means at every line start.
    if (operation == Operation::kSplit && parts->first == "^") parts->options.push_back('m');
    compileRegex(program, parts->first, *parts);
    if (operation == Operation::kSubstitute) program.replacement = readReplacement(parts->second);
    return program;
  }

  OnigRegion* region_;
  std::array<std::unordered_map<std::string, Program, PatternHash, std::equal_to<>>,
             kOperationCount>
      caches_;
  std::uint64_t clock_ = 0;
};

Regexps::Regexps() : impl_(std::make_unique<Impl>()) {}
Regexps::~Regexps() = default;

void Regexps::initialize() {
  static const int ready = [] {
    OnigEncoding encodings[] = {ONIG_ENCODING_SJIS};
    return onig_initialize(encodings, 1);
  }();
  static_cast<void>(ready);
}

std::size_t Regexps::cachedCount() const {
  return impl_->cachedCount();
}

namespace {

std::string matcherError(int code) {
  return onigMessage(code, nullptr);
}

}  // namespace

Regexps::Result<std::optional<Regexps::Match>> Regexps::match(std::string_view pattern,
                                                              std::string_view text) {
  Result<std::optional<Match>> result;
  if (pattern.empty() || text.empty()) return result;
  const Program& program = impl_->program(Operation::kMatch, pattern);
  if (!program.error.empty()) {
    result.error = program.error;
    return result;
  }
  const int start = impl_->find(program.regex.get(), text, 0, false);
  if (start == ONIG_MISMATCH) return result;
  if (start < 0) {
    result.error = matcherError(start);
    return result;
  }
  const std::string_view whole = impl_->group(text, 0);
  result.value = Match{static_cast<std::size_t>(start), whole.size()};
  return result;
}

Regexps::Result<Regexps::Rewrite> Regexps::substitute(std::string_view pattern,
                                                      std::string_view text) {
  Result<Rewrite> result;
  result.value.text = std::string(text);
  if (pattern.empty() || text.empty()) return result;
  const Program& program = impl_->program(Operation::kSubstitute, pattern);
  if (!program.error.empty()) {
    result.error = program.error;
    return result;
  }
  std::string out;
  std::size_t copied = 0;
  std::size_t from = 0;
  bool advance = false;
  int count = 0;
  while (from <= text.size()) {
    const int start = impl_->find(program.regex.get(), text, from, advance);
    if (start == ONIG_MISMATCH) break;
    if (start < 0) {
      result.error = matcherError(start);
      return result;
    }
    const std::size_t end = static_cast<std::size_t>(start) + impl_->group(text, 0).size();
    out.append(text.substr(copied, static_cast<std::size_t>(start) - copied));
    impl_->appendReplacement(out, program.replacement, text);
    copied = end;
    ++count;
    if (!program.global) break;
    // After an empty match the next one must reach past it (Perl's rule);
    // after a longer one an empty match right at its end still counts.
    advance = end == static_cast<std::size_t>(start);
    from = end;
  }
  if (count == 0) return result;
  out.append(text.substr(copied));
  result.value = Rewrite{count, std::move(out)};
  return result;
}

Regexps::Result<Regexps::Rewrite> Regexps::transliterate(std::string_view pattern,
                                                         std::string_view text) {
  Result<Rewrite> result;
  result.value.text = std::string(text);
  if (pattern.empty() || text.empty()) return result;
  const Program& program = impl_->program(Operation::kTransliterate, pattern);
  if (!program.error.empty()) {
    result.error = program.error;
    return result;
  }
  const Transliteration& t = program.transliteration;
  std::string out;
  out.reserve(text.size());
  int count = 0;
  // Where the last squeezable character was written; npos when the
  // character before was not transliterated.
  std::size_t lastMapped = std::string::npos;
  std::uint32_t lastCode = 0;
  for (std::size_t i = 0; i < text.size(); i += charLength(text, i)) {
    const std::uint32_t code = codeAt(text, i);
    const std::int64_t mapped = t.map(code);
    if (mapped == Transliteration::kUnmapped) {
      out.append(text.substr(i, charLength(text, i)));
      lastMapped = std::string::npos;
      continue;
    }
    ++count;
    if (mapped == Transliteration::kDelete) continue;
    const auto to = static_cast<std::uint32_t>(mapped);
    if (t.squeeze && lastMapped == out.size() && lastCode == to) continue;
    appendCode(out, to);
    lastMapped = out.size();
    lastCode = to;
  }
  if (count == 0) return result;
  result.value = Rewrite{count, std::move(out)};
  return result;
}

Regexps::Result<std::vector<std::string>> Regexps::split(std::string_view pattern,
                                                         std::string_view text) {
  Result<std::vector<std::string>> result;
  if (pattern.empty() || text.empty()) return result;
  const Program& program = impl_->program(Operation::kSplit, pattern);
  if (!program.error.empty()) {
    result.error = program.error;
    return result;
  }
  std::vector<std::string>& pieces = result.value;
  std::size_t from = 0;
  while (from < text.size()) {
    // A piece never ends with an empty match at its own start, so a match
    // at the start of the text cuts off an empty piece only when it is not
    // empty.
    const int start = impl_->find(program.regex.get(), text, from, true);
    if (start == ONIG_MISMATCH) break;
    if (start < 0) {
      result.error = matcherError(start);
      pieces.clear();
      return result;
    }
    pieces.emplace_back(text.substr(from, static_cast<std::size_t>(start) - from));
    for (int g = 1; g < impl_->groupCount(); ++g) pieces.emplace_back(impl_->group(text, g));
    from = static_cast<std::size_t>(start) + impl_->group(text, 0).size();
  }
  pieces.emplace_back(text.substr(from));
  while (!pieces.empty() && pieces.back().empty()) pieces.pop_back();
  return result;
}

}  // namespace tsuzuri::script
