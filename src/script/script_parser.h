#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "script/error_sink.h"
#include "script/script_tables.h"

namespace tsuzuri::script {

// Character classes of the script language (bytes).
constexpr bool isLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool isNameCharacter(unsigned char c) {
  return isLetter(c) || (c >= '0' && c <= '9') || c == '.' || c == '@' || c == '_';
}
constexpr bool isLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
constexpr bool isBlank(unsigned char c) {
  return c == '\t' || c == ' ';
}
constexpr bool isWhite(unsigned char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// Removes white bytes from both ends.
std::string_view trim(std::string_view text);

// Calls `line` with each LF-ended line (without its LF) and its 1-based line
// number. Double-byte characters are never cut; a final unterminated line is
// kept only when it has at least two bytes.
void splitLines(std::string_view text,
                const std::function<void(std::string_view line, int lineNumber)>& line);

// The trimmed statement pieces of a command line, cut at `separator`
// outside quotes; ";" and "//" outside quotes end the code. The last piece
// is appended even when empty.
std::vector<std::string_view> splitStatements(std::string_view line, char separator);

// The trimmed pieces of an argument text, cut at `separator` outside quotes
// (";" and "//" are plain bytes here). An empty text gives no pieces.
std::vector<std::string_view> splitArguments(std::string_view text, char separator);

// Appends one parsed line to `script`; names declared by defsub, funcLua and
// funcSqu get their (empty) entries in `tables`.
void parseLine(std::string_view line, ParsedScript& script, ScriptTables& tables);

// Splits a whole script text into lines and parses each one.
void parseScript(std::string_view text, ParsedScript& script, ScriptTables& tables);

// Collects the labels and the already-read records of one parsed script and
// stores its display name. Reports an invalid or a duplicate label through
// `errors` (plain report) and returns false then.
bool collectLabels(std::uint64_t scriptHash, const ParsedScript& script, ScriptTables& tables,
                   ErrorSink& errors);

}  // namespace tsuzuri::script
