#include <string>
#include <vector>

#include "script/argument_list.h"
#include "script/builtins.h"
#include "script/receivers.h"
#include "util/sjis.h"

// Counting, finding and splitting at one character. A character is one
// byte or a double-byte Shift_JIS character; the text is walked character
// by character, so a trail byte never matches a single-byte character.

namespace tsuzuri::script {

namespace {

std::size_t characterLength(std::string_view text, std::size_t at) {
  return util::isSjisLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// The byte offsets where `character` occurs in `text`.
std::vector<std::size_t> occurrences(std::string_view text, std::string_view character) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = characterLength(text, i);
    if (text.substr(i, length) == character) found.push_back(i);
    i += length;
  }
  return found;
}

// Reads (text, character, ...) and checks the character's length.
bool readCharacter(const BuiltinServices& s, const ArgumentList& list, int needed) {
  if (list.count() < needed) {
    s.errors.reportWithContext(util::toSjis(u8"引数の数が不正です"));
    return false;
  }
  const std::size_t length = list.text(1).size();
  if (length != 1 && length != 2) {
    s.errors.reportWithContext(util::toSjis(u8"第二引数が文字数が１文字ではありません"));
    return false;
  }
  return true;
}

void count(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("count");
  ArgumentList list(arguments, s.expression, s.errors);
  if (!readCharacter(s, list, 3)) return;
  list.setInteger(2, static_cast<std::int32_t>(occurrences(list.text(0), list.text(1)).size()));
}

void match(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("match");
  ArgumentList list(arguments, s.expression, s.errors);
  if (!readCharacter(s, list, 3)) return;
  const std::vector<std::size_t> found = occurrences(list.text(0), list.text(1));
  list.setInteger(2, found.empty() ? -1 : static_cast<std::int32_t>(found.front()));
}

void split(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("split");
  ArgumentList list(arguments, s.expression, s.errors);
  if (!readCharacter(s, list, 2)) return;
  const std::string_view text = list.text(0);
  const std::string_view separator = list.text(1);
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t at : occurrences(text, separator)) {
    pieces.emplace_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  pieces.emplace_back(text.substr(start));
  std::vector<std::string_view> receivers;
  for (int i = 2; i < list.count(); ++i) receivers.push_back(list.raw(i));
  assignReceivers(s.expression, receivers, pieces);
}

}  // namespace

void registerCharacterBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  const BuiltinServices s = services;
  table.add("count", [s](std::string_view arguments) { count(s, arguments); });
  table.add("match", [s](std::string_view arguments) { match(s, arguments); });
  table.add("split", [s](std::string_view arguments) { split(s, arguments); });
}

}  // namespace tsuzuri::script
