#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "script/error_sink.h"
#include "script/script_place.h"
#include "script/value.h"
#include "script/variables.h"

namespace tsuzuri::script {

// The expression evaluator of the script language, with the variable
// references and the assignment statement. Texts are Shift_JIS bytes; the
// whole text is evaluated, however long it is.
class Expression {
 public:
  Expression(Variables& variables, ErrorSink& errors, const ScriptPlace& place)
      : variables_(variables), errors_(errors), place_(place) {}

  // The value of an expression; kind none for an empty or failed one.
  Value evaluate(std::string_view text);

  // The variable a reference names (%name, %N, %%..., %$..., and $name,
  // $N, $%..., $$... for texts; the reference must be the whole trimmed
  // text). Null when the text is not a valid reference, names an undeclared
  // variable or a numbered index outside 0-255.
  std::int32_t* resolveInteger(std::string_view reference);
  std::string* resolveText(std::string_view reference);

  // One assignment of `cal` ("%a += 1", "$s = "x"", "*($s 2)2 = 5").
  // Reports its failures through the expression error report.
  void assign(std::string_view statement);

  // The expression error report: the current place, the statement being
  // evaluated, " ※" and `message`, as a plain report; sets the error flag.
  void reportError(std::string_view message);

  Variables& variables() { return variables_; }

 private:
  // Evaluates `text` without taking it as the statement of error reports
  // (the value part of an assignment keeps naming the whole assignment).
  Value evaluateText(std::string_view text);

  Variables& variables_;
  ErrorSink& errors_;
  const ScriptPlace& place_;
  // The whole statement being evaluated, for error reports.
  std::string statement_;
  bool failed_ = false;
};

}  // namespace tsuzuri::script
