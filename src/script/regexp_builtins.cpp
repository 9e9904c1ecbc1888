#include <string>
#include <vector>

#include "script/argument_list.h"
#include "script/builtins.h"
#include "script/receivers.h"
#include "script/regexp.h"
#include "script/script_parser.h"
#include "util/sjis.h"

namespace tsuzuri::script {

namespace {

// Games wrote their patterns for a matcher that took C strings, so a NUL
// byte ends a pattern.
std::string_view patternOf(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

// A refused pattern is reported and then treated as one that matched nothing.
template <class T>
bool accepted(const BuiltinServices& s, std::string_view pattern,
              const Regexps::Result<T>& result) {
  if (!result.failed()) return true;
  s.errors.reportWithContext(util::toSjis(u8"正規表現が不正です ") + std::string(pattern) + " (" +
                             result.error + ")");
  return false;
}

void countSubstitutions(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("regexp_count");
  ArgumentList a(arguments, s.expression, s.errors);
  const std::string_view pattern = patternOf(a.text(1));
  const auto result = s.state.regexps.substitute(pattern, a.text(0));
  a.setInteger(2, accepted(s, pattern, result) ? result.value.count : 0);
}

void replace(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("regexp_replace");
  ArgumentList a(arguments, s.expression, s.errors);
  const std::string_view pattern = patternOf(a.text(1));
  const auto result = s.state.regexps.substitute(pattern, a.text(0));
  // A refused pattern changes nothing: the result is the text as it was.
  a.setText(2, accepted(s, pattern, result) ? std::string_view(result.value.text) : a.text(0));
}

void transliterate(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("regexp_trans");
  ArgumentList a(arguments, s.expression, s.errors);
  const std::string_view pattern = patternOf(a.text(1));
  const auto result = s.state.regexps.transliterate(pattern, a.text(0));
  // A refused pattern changes nothing: the result is the text as it was.
  a.setText(2, accepted(s, pattern, result) ? std::string_view(result.value.text) : a.text(0));
}

void match(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("regexp_match");
  ArgumentList a(arguments, s.expression, s.errors);
  const std::string_view text = a.text(0);
  const std::string_view pattern = patternOf(a.text(1));
  const auto result = s.state.regexps.match(pattern, text);
  const bool matched = accepted(s, pattern, result) && result.value.has_value();
  const Regexps::Match found = matched ? *result.value : Regexps::Match{};
  if (matched) a.setInteger(2, static_cast<std::int32_t>(found.position));
  if (a.count() >= 4) a.setInteger(3, static_cast<std::int32_t>(found.length));
  if (a.count() >= 5) a.setText(4, text.substr(found.position, found.length));
}

void split(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("regexp_split");
  // Only the text and the pattern are expressions; the receivers are read
  // as written.
  const std::vector<std::string_view> pieces = splitArguments(arguments, ',');
  const auto evaluated = [&](std::size_t i) {
    return i < pieces.size() ? s.expression.evaluate(pieces[i]).text : std::string();
  };
  const std::string text = evaluated(0);
  const std::string pattern(patternOf(evaluated(1)));
  auto result = s.state.regexps.split(pattern, text);
  if (!accepted(s, pattern, result)) result.value.clear();
  const std::span<const std::string_view> receivers =
      pieces.size() > 2 ? std::span(pieces).subspan(2) : std::span<const std::string_view>();
  assignReceivers(s.expression, receivers, result.value);
}

}  // namespace

void registerRegexpBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  const BuiltinServices s = services;
  // Oniguruma is part of the engine, so there is nothing to load; the call
  // only gets the matcher ready ahead of the first pattern.
  table.add("regexp_create", [s](std::string_view) {
    s.interpreter.commandName().set("regexp_create");
    Regexps::initialize();
  });
  table.add("regexp_count", [s](std::string_view arguments) { countSubstitutions(s, arguments); });
  table.add("regexp_replace", [s](std::string_view arguments) { replace(s, arguments); });
  table.add("regexp_trans", [s](std::string_view arguments) { transliterate(s, arguments); });
  table.add("regexp_match", [s](std::string_view arguments) { match(s, arguments); });
  table.add("regexp_split", [s](std::string_view arguments) { split(s, arguments); });
}

}  // namespace tsuzuri::script
