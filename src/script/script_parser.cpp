#include "script/script_parser.h"

#include <cstddef>
#include <optional>
#include <string>

#include "util/crc.h"
#include "util/display_name.h"
#include "util/sjis.h"

namespace tsuzuri::script {
namespace {

// The special statement names are recognised by hash, like every command
// lookup, so the parser computes the same CRC-32 as util::crc32_hash2 here at
// compile time.
constexpr std::uint32_t crc32Of(std::string_view name) {
  std::uint32_t c = 0xFFFFFFFFU;
  for (const char ch : name) {
    c ^= static_cast<unsigned char>(ch);
    for (int k = 0; k < 8; ++k) c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

constexpr std::uint32_t kIfHash = crc32Of("if");
constexpr std::uint32_t kElseIfHash = crc32Of("elseif");
constexpr std::uint32_t kElseHash = crc32Of("else");
constexpr std::uint32_t kDefsubHash = crc32Of("defsub");
constexpr std::uint32_t kFuncLuaHash = crc32Of("funcLua");
constexpr std::uint32_t kFuncSquHash = crc32Of("funcSqu");

unsigned char byteAt(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// Bytes taken by the character at `i`: two for a lead byte, unless it is the
// last byte of the text, which then stands alone.
std::size_t characterLength(std::string_view text, std::size_t i) {
  return isLeadByte(byteAt(text, i)) && i + 1 < text.size() ? 2 : 1;
}

// The one walk behind splitStatements and splitArguments: calls `piece` with
// each trimmed piece, without building a list, so that parseLine can consume
// the pieces directly.
template <typename PieceFn>
void forEachPiece(std::string_view text, char separator, bool comments, PieceFn&& piece) {
  std::size_t cut = 0;
  std::size_t codeEnd = text.size();
  char quote = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = byteAt(text, i);
    if (isLeadByte(c)) {
      i += characterLength(text, i);
      continue;
    }
    if (quote != 0) {
      if (text[i] == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = text[i];
    } else if (comments && (c == ';' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/'))) {
      codeEnd = i;
      break;
    } else if (text[i] == separator) {
      piece(trim(text.substr(cut, i - cut)));
      cut = i + 1;
    }
    ++i;
  }
  // A statement list always ends in a piece (possibly empty); an argument
  // list of an empty text has none.
  if (comments || !text.empty()) piece(trim(text.substr(cut, codeEnd - cut)));
}

// Length of the condition of an if or elseif: up to and including the ")"
// that closes the first parenthesis, or 0 when none closes.
std::size_t conditionLength(std::string_view rest) {
  int depth = 0;
  std::size_t i = 0;
  while (i < rest.size()) {
    const unsigned char c = byteAt(rest, i);
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) return i + 1;
    }
    i += characterLength(rest, i);
  }
  return 0;
}

// Appends the pair of one statement, and of the statements that follow a
// condition or an else on the same piece.
void parseStatement(std::string_view piece, ScriptLine& tokens, ScriptTables& tables) {
  std::size_t start = 0;
  bool firstOfPiece = true;
  while (true) {
    const std::string_view rest = piece.substr(start);
    // The first byte of a piece belongs to the name whatever it is (a whole
    // double-byte character, so that it is not cut); after a condition the
    // name holds name characters only and may be empty.
    std::size_t nameLength = firstOfPiece ? characterLength(rest, 0) : 0;
    while (nameLength < rest.size() && isNameCharacter(byteAt(rest, nameLength))) ++nameLength;
    const std::string_view name = rest.substr(0, nameLength);
    const std::string_view arguments = rest.substr(nameLength);
    const std::uint32_t hash = util::crc32_hash2(name);

    // Offset in `rest` of the byte after the condition (or the else), which
    // is dropped as the blank that is meant to stand there.
    std::size_t dropped = 0;
    if (hash == kIfHash || hash == kElseIfHash) {
      const std::size_t length = conditionLength(arguments);
      tokens.emplace_back(name);
      tokens.emplace_back(arguments.substr(0, length));
      dropped = nameLength + length;
    } else if (hash == kElseHash) {
      tokens.emplace_back(name);
      tokens.emplace_back();
      dropped = nameLength;
    } else {
      if (hash == kDefsubHash) {
        const std::string_view declared = trim(arguments);
        if (!declared.empty()) tables.userCommands.insert(util::crc32_hash2(declared));
      } else if (hash == kFuncLuaHash || hash == kFuncSquHash) {
        const auto parts = splitArguments(arguments, ',');
        if (!parts.empty() && !parts.front().empty()) {
          tables.foreignFunctions.try_emplace(util::crc32_hash2(parts.front()));
        }
      }
      tokens.emplace_back(name);
      tokens.emplace_back(arguments);
      return;
    }

    // Nothing may follow the condition: the pair alone then stands.
    if (dropped >= rest.size()) return;
    std::size_t next = dropped + characterLength(rest, dropped);
    while (next < rest.size() && isBlank(byteAt(rest, next))) ++next;
    if (next >= rest.size()) return;
    start += next;
    firstOfPiece = false;
  }
}

std::string_view firstToken(const ScriptLine& line) {
  return line.empty() ? std::string_view{} : std::string_view{line.front()};
}

// The name of a label line without its "*", or nothing when a byte that
// cannot end a name stands in it.
std::optional<std::string_view> labelName(std::string_view line) {
  std::size_t i = 1;
  while (i < line.size()) {
    const unsigned char c = byteAt(line, i);
    if (isLeadByte(c)) {
      i += characterLength(line, i);
    } else if (isNameCharacter(c)) {
      ++i;
    } else if (isBlank(c) || c == '/' || c == ':') {
      break;
    } else {
      return std::nullopt;
    }
  }
  return line.substr(1, i - 1);
}

std::string labelReport(const std::string& displayName, std::size_t index, std::string_view line,
                        std::u8string_view reason) {
  std::string message = displayName;
  message += '[';
  message += std::to_string(index + 1);
  message += "] ";
  message += line;
  message += util::toSjis(reason);
  return message;
}

}  // namespace

std::string_view trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isWhite(byteAt(text, begin))) ++begin;
  while (end > begin && isWhite(byteAt(text, end - 1))) --end;
  return text.substr(begin, end - begin);
}

void splitLines(std::string_view text,
                const std::function<void(std::string_view line, int lineNumber)>& line) {
  std::size_t start = 0;
  int number = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (isLeadByte(byteAt(text, i))) {
      // The byte after a lead byte is never a line end, even a LF.
      i += characterLength(text, i);
      continue;
    }
    if (text[i] == '\n') {
      line(text.substr(start, i - start), ++number);
      start = i + 1;
    }
    ++i;
  }
  if (text.size() - start >= 2) line(text.substr(start), ++number);
}

std::vector<std::string_view> splitStatements(std::string_view line, char separator) {
  std::vector<std::string_view> pieces;
  forEachPiece(line, separator, true, [&](std::string_view piece) { pieces.push_back(piece); });
  return pieces;
}

std::vector<std::string_view> splitArguments(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  forEachPiece(text, separator, false, [&](std::string_view piece) { pieces.push_back(piece); });
  return pieces;
}

void parseLine(std::string_view line, ParsedScript& script, ScriptTables& tables) {
  ScriptLine& tokens = script.emplace_back();
  if (line.empty() || !isLetter(byteAt(line, 0))) {
    tokens.emplace_back(line);
    return;
  }
  forEachPiece(line, ':', true, [&](std::string_view piece) {
    if (!piece.empty()) parseStatement(piece, tokens, tables);
  });
}

void parseScript(std::string_view text, ParsedScript& script, ScriptTables& tables) {
  splitLines(text, [&](std::string_view line, int) { parseLine(line, script, tables); });
}

bool collectLabels(std::uint64_t scriptHash, const ParsedScript& script, ScriptTables& tables,
                   ErrorSink& errors) {
  const std::string displayName = util::hashDisplayName(scriptHash);
  // Every collected script has a table, even without text, so that
  // already.dat can name it.
  AlreadyReadTable& alreadyRead = tables.alreadyRead[scriptHash];
  for (std::size_t i = 0; i < script.size(); ++i) {
    const std::string_view first = firstToken(script[i]);
    if (first.empty() || isLetter(byteAt(first, 0))) continue;
    if (first[0] != '*') {
      // A text block runs to the next empty line; nothing inside it is a
      // label, not even a line that begins with "*".
      alreadyRead.try_emplace(static_cast<std::int32_t>(i), std::uint8_t{0});
      while (i + 1 < script.size() && !firstToken(script[i + 1]).empty()) ++i;
      continue;
    }
    const auto name = labelName(first);
    if (!name) {
      errors.reportPlain(labelReport(displayName, i, first, u8" ※ラベル名が不正です"));
      return false;
    }
    const std::uint32_t hash = util::crc32_hash2(*name);
    if (tables.labels.contains(hash)) {
      errors.reportPlain(labelReport(displayName, i, first, u8" ※ラベルが重複しています"));
      return false;
    }
    tables.labels.emplace(hash,
                          Label{std::string(*name), scriptHash, static_cast<std::int32_t>(i)});
  }
  tables.scriptNames.insert_or_assign(scriptHash, displayName);
  return true;
}

}  // namespace tsuzuri::script
