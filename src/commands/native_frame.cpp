#include "commands/native_frame.h"

#include "script/number_conversion.h"
#include "script/script_parser.h"
#include "util/sjis.h"

namespace tsuzuri::commands {

NativeFrame::NativeFrame(std::string_view arguments, script::Expression& expression,
                         script::Interpreter& interpreter, script::ErrorSink& errors)
    : raw_(script::splitArguments(arguments, ',')),
      expression_(expression),
      interpreter_(interpreter),
      errors_(errors) {
  values_.reserve(raw_.size());
  for (std::string_view piece : raw_) values_.push_back(expression_.evaluate(piece));
}

const script::Value* NativeFrame::value(int i) const {
  if (i < 1 || static_cast<std::size_t>(i) > values_.size()) return nullptr;
  return &values_[static_cast<std::size_t>(i - 1)];
}

std::string_view NativeFrame::raw(int i) const {
  if (i < 1 || static_cast<std::size_t>(i) > raw_.size()) return {};
  return raw_[static_cast<std::size_t>(i - 1)];
}

int NativeFrame::argumentCount(int /*results*/) const {
  return static_cast<int>(values_.size());
}

int NativeFrame::kind(int i) const {
  const script::Value* v = value(i);
  return v != nullptr ? v->kind : script::Value::kNone;
}

bool NativeFrame::isIntegerReference(int i) {
  return value(i) != nullptr && expression_.resolveInteger(raw(i)) != nullptr;
}

bool NativeFrame::isTextReference(int i) {
  return value(i) != nullptr && expression_.resolveText(raw(i)) != nullptr;
}

std::int32_t NativeFrame::integer(int i) const {
  const script::Value* v = value(i);
  return v != nullptr ? script::truncateToInt32(v->number) : 0;
}

std::int32_t NativeFrame::wrappingInteger(int i) const {
  const script::Value* v = value(i);
  return v != nullptr ? script::wrapToInt32(v->number) : 0;
}

float NativeFrame::floatValue(int i) const {
  const script::Value* v = value(i);
  return v != nullptr ? static_cast<float>(v->number) : 0.0F;
}

double NativeFrame::doubleValue(int i) const {
  const script::Value* v = value(i);
  return v != nullptr ? v->number : 0.0;
}

std::string_view NativeFrame::text(int i) const {
  const script::Value* v = value(i);
  return v != nullptr ? std::string_view(v->text) : std::string_view();
}

bool NativeFrame::reportedAlready(int i) const {
  // An argument that failed to evaluate (an undeclared name, an index out
  // of range) was reported then; one report per mistake is enough.
  return kind(i) == script::Value::kNone && !raw(i).empty();
}

void NativeFrame::setIntegerResult(int i, std::int32_t value) {
  // A result argument that names no variable is reported; nothing is
  // written anywhere.
  if (std::int32_t* variable = expression_.resolveInteger(raw(i))) {
    *variable = value;
  } else if (!reportedAlready(i)) {
    errors_.reportWithContext(util::toSjis(u8"数値変数が不正です"));
  }
}

void NativeFrame::setTextResult(int i, std::string_view value) {
  if (std::string* variable = expression_.resolveText(raw(i))) {
    variable->assign(value);
  } else if (!reportedAlready(i)) {
    errors_.reportWithContext(util::toSjis(u8"文字変数が不正です"));
  }
}

}  // namespace tsuzuri::commands
