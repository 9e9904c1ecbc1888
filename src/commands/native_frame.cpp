#include "commands/native_frame.h"

namespace tsuzuri::commands {

NativeFrame::NativeFrame(std::string_view arguments, script::Expression& expression,
                         script::Interpreter& interpreter, script::ErrorSink& errors)
    : arguments_(arguments, expression, errors),
      expression_(expression),
      interpreter_(interpreter) {}

int NativeFrame::argumentCount(int /*results*/) const {
  return arguments_.count();
}

int NativeFrame::kind(int i) const {
  return arguments_.kind(i - 1);
}

bool NativeFrame::isIntegerReference(int i) {
  return arguments_.value(i - 1) != nullptr && expression_.resolveInteger(raw(i)) != nullptr;
}

bool NativeFrame::isTextReference(int i) {
  return arguments_.value(i - 1) != nullptr && expression_.resolveText(raw(i)) != nullptr;
}

std::int32_t NativeFrame::integer(int i) const {
  return arguments_.integer(i - 1);
}

std::int32_t NativeFrame::wrappingInteger(int i) const {
  return arguments_.wrappingInteger(i - 1);
}

float NativeFrame::floatValue(int i) const {
  return static_cast<float>(arguments_.number(i - 1));
}

double NativeFrame::doubleValue(int i) const {
  return arguments_.number(i - 1);
}

std::string_view NativeFrame::text(int i) const {
  return arguments_.text(i - 1);
}

void NativeFrame::setIntegerResult(int i, std::int32_t value) {
  arguments_.setInteger(i - 1, value);
}

void NativeFrame::setTextResult(int i, std::string_view value) {
  arguments_.setText(i - 1, value);
}

}  // namespace tsuzuri::commands
