#include "script/argument_list.h"

#include "script/number_conversion.h"
#include "script/script_parser.h"
#include "util/sjis.h"

namespace tsuzuri::script {

ArgumentList::ArgumentList(std::string_view arguments, Expression& expression, ErrorSink& errors)
    : raw_(splitArguments(arguments, ',')), expression_(expression), errors_(errors) {
  values_.reserve(raw_.size());
  for (std::string_view piece : raw_) values_.push_back(expression_.evaluate(piece));
}

const Value* ArgumentList::value(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= values_.size()) return nullptr;
  return &values_[static_cast<std::size_t>(i)];
}

std::string_view ArgumentList::raw(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= raw_.size()) return {};
  return raw_[static_cast<std::size_t>(i)];
}

int ArgumentList::kind(int i) const {
  const Value* v = value(i);
  return v != nullptr ? v->kind : Value::kNone;
}

std::int32_t ArgumentList::integer(int i) const {
  const Value* v = value(i);
  return v != nullptr ? truncateToInt32(v->number) : 0;
}

std::int32_t ArgumentList::wrappingInteger(int i) const {
  const Value* v = value(i);
  return v != nullptr ? wrapToInt32(v->number) : 0;
}

double ArgumentList::number(int i) const {
  const Value* v = value(i);
  return v != nullptr ? v->number : 0.0;
}

std::string_view ArgumentList::text(int i) const {
  const Value* v = value(i);
  return v != nullptr ? std::string_view(v->text) : std::string_view();
}

bool ArgumentList::reportedAlready(int i) const {
  // An argument that failed to evaluate (an undeclared name, an index out
  // of range) was reported then; one report per mistake is enough.
  return kind(i) == Value::kNone && !raw(i).empty();
}

void ArgumentList::setInteger(int i, std::int32_t value) {
  if (std::int32_t* variable = expression_.resolveInteger(raw(i))) {
    *variable = value;
  } else if (!reportedAlready(i)) {
    errors_.reportWithContext(util::toSjis(u8"数値変数が不正です"));
  }
}

void ArgumentList::setText(int i, std::string_view value) {
  if (std::string* variable = expression_.resolveText(raw(i))) {
    variable->assign(value);
  } else if (!reportedAlready(i)) {
    errors_.reportWithContext(util::toSjis(u8"文字変数が不正です"));
  }
}

}  // namespace tsuzuri::script
