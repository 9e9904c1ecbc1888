#include <string>
#include <vector>

#include "script/builtins.h"
#include "script/number_conversion.h"
#include "script/script_parser.h"
#include "util/sjis.h"

// The built-ins that steer within a script: the one-line conditionals and
// the counted loops.

namespace tsuzuri::script {

namespace {

// The outer loop leaves the line and goes on with the next one.
void skipRestOfLine(Interpreter& in) {
  in.setStatement(0);
  in.setJumpFlag(true);
}

// Continues at a stored position (line + 1, statement).
void continueAt(Interpreter& in, std::int32_t line, std::int32_t statement) {
  in.setLine(line);
  in.setStatement(statement);
  in.setJumpFlag(true);
}

// Tests the condition of `if` or `elseif`; the state is taken when it holds.
void test(const BuiltinServices& s, std::string_view condition) {
  Interpreter& in = s.interpreter;
  if (trim(condition).empty()) {
    s.errors.reportWithContext(util::toSjis(u8"式が不正です"));
    skipRestOfLine(in);
    return;
  }
  if (s.expression.evaluate(condition).number != 0) {
    in.setConditional(Conditional::kTaken);
  } else {
    skipRestOfLine(in);
  }
}

void ifCommand(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("if");
  s.interpreter.setConditional(Conditional::kFailed);
  test(s, arguments);
}

void elseIfCommand(const BuiltinServices& s, std::string_view arguments) {
  s.interpreter.commandName().set("elseif");
  if (s.interpreter.conditional() == Conditional::kTaken) {
    skipRestOfLine(s.interpreter);
    return;
  }
  test(s, arguments);
}

void elseCommand(const BuiltinServices& s) {
  s.interpreter.commandName().set("else");
  if (s.interpreter.conditional() == Conditional::kTaken) skipRestOfLine(s.interpreter);
}

// A `for` that cannot run still opens a loop, one that is skipped at once:
// its body is passed over and its `next` closes it, instead of acting on
// an enclosing loop.
void openRefusedLoop(Interpreter& in, std::u8string_view message, const BuiltinServices& s) {
  if (!message.empty()) s.errors.reportWithContext(util::toSjis(message));
  in.pushLoop(LoopRecord{});
  in.setLoopSkip(true);
}

void forCommand(const BuiltinServices& s, std::string_view arguments) {
  Interpreter& in = s.interpreter;
  in.commandName().set("for");
  const std::vector<std::string_view> pieces = splitArguments(arguments, ',');
  std::vector<Value> values;
  values.reserve(pieces.size());
  for (std::string_view piece : pieces) values.push_back(s.expression.evaluate(piece));
  if (pieces.size() < 3) {
    openRefusedLoop(in, u8"引数の数が不正です", s);
    return;
  }
  std::int32_t* variable = s.expression.resolveInteger(pieces[0]);
  std::optional<IntegerHandle> handle;
  if (variable != nullptr) handle = s.expression.variables().handleOf(variable);
  if (!handle) {
    // An undeclared name was reported when it was evaluated.
    const bool reported = values[0].isNone() && !pieces[0].empty();
    openRefusedLoop(in, reported ? u8"" : u8"数値変数が不正です", s);
    return;
  }
  const double start = values[1].number;
  LoopRecord loop;
  const auto [line, statement] = in.resumePosition();
  loop.startLine = line;
  loop.startStatement = statement;
  loop.variable = std::move(*handle);
  loop.end = truncateToInt32(values[2].number);
  loop.step = pieces.size() == 4 ? truncateToInt32(values[3].number) : 1;
  loop.ascending = loop.step >= 0;
  in.pushLoop(loop);
  if ((loop.step > 0 && loop.end < start) || (loop.step < 0 && start < loop.end)) {
    in.setLoopSkip(true);
  }
  *variable = truncateToInt32(start);
}

// The innermost loop, or null (reported) when no loop is open.
LoopRecord* innermost(const BuiltinServices& s) {
  if (s.interpreter.loops().empty()) {
    s.errors.reportWithContext(util::toSjis(u8"for が実行されていません"));
    return nullptr;
  }
  return &s.interpreter.loops().back();
}

// Adds the step to the loop's variable; true when the loop is finished (or
// its variable is gone).
bool advance(const BuiltinServices& s, const LoopRecord& loop) {
  std::int32_t* variable = s.expression.variables().find(loop.variable);
  if (variable == nullptr) return true;
  *variable = static_cast<std::int32_t>(static_cast<std::uint32_t>(*variable) +
                                        static_cast<std::uint32_t>(loop.step));
  return loop.ascending ? loop.end < *variable : *variable < loop.end;
}

void leave(Interpreter& in, const LoopRecord& loop) {
  if (loop.exitLine == -1) {
    // Where the loop ends is not known yet: the statement loop skips to the
    // matching `next`, which removes the loop.
    in.setLoopSkip(true);
    return;
  }
  continueAt(in, loop.exitLine, loop.exitStatement);
  in.popLoop();
  in.setLoopSkip(false);
}

void nextCommand(const BuiltinServices& s) {
  Interpreter& in = s.interpreter;
  LoopRecord* loop = innermost(s);
  if (loop == nullptr) {
    in.setLoopSkip(false);
    return;
  }
  if (in.loopSkip()) {
    in.popLoop();
    in.setLoopSkip(false);
    return;
  }
  if (advance(s, *loop)) {
    in.popLoop();
    return;
  }
  if (loop->exitLine == -1) {
    const auto [line, statement] = in.resumePosition();
    loop->exitLine = line;
    loop->exitStatement = statement;
  }
  continueAt(in, loop->startLine, loop->startStatement);
}

void breakCommand(const BuiltinServices& s) {
  if (LoopRecord* loop = innermost(s)) leave(s.interpreter, *loop);
}

void continueCommand(const BuiltinServices& s) {
  LoopRecord* loop = innermost(s);
  if (loop == nullptr) return;
  if (advance(s, *loop)) {
    leave(s.interpreter, *loop);
  } else {
    continueAt(s.interpreter, loop->startLine, loop->startStatement);
  }
}

}  // namespace

void registerLoopBuiltins(NativeCommandTable& table, const BuiltinServices& services) {
  const BuiltinServices s = services;
  table.add("if", [s](std::string_view arguments) { ifCommand(s, arguments); });
  table.add("elseif", [s](std::string_view arguments) { elseIfCommand(s, arguments); });
  table.add("else", [s](std::string_view) { elseCommand(s); });
  table.add("for", [s](std::string_view arguments) { forCommand(s, arguments); });
  // `next`, `break` and `continue` leave the current-command name alone.
  table.add("next", [s](std::string_view) { nextCommand(s); });
  table.add("break", [s](std::string_view) { breakCommand(s); });
  table.add("continue", [s](std::string_view) { continueCommand(s); });
}

}  // namespace tsuzuri::script
