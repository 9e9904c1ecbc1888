#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/command_context.h"
#include "script/argument_list.h"
#include "script/error_sink.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/value.h"

namespace tsuzuri::commands {

// The native script's CommandContext: the statement's argument text cut at
// "," outside quotes, each piece evaluated once, in order. It lives for one
// call. Reading past the last argument gives kind none, 0 and "".
class NativeFrame final : public CommandContext {
 public:
  NativeFrame(std::string_view arguments, script::Expression& expression,
              script::Interpreter& interpreter, script::ErrorSink& errors);

  int argumentCount(int results) const override;
  int kind(int i) const override;
  int integerKind() const override { return script::Value::kNumber; }
  int textKind() const override { return script::Value::kText; }
  bool isIntegerReference(int i) override;
  bool isTextReference(int i) override;
  std::int32_t integer(int i) const override;
  std::int32_t wrappingInteger(int i) const override;
  float floatValue(int i) const override;
  double doubleValue(int i) const override;
  std::string_view text(int i) const override;
  void setIntegerResult(int i, std::int32_t value) override;
  void setTextResult(int i, std::string_view value) override;
  void discard(int /*count*/) override {}
  void pushNothing() override {}
  void beginList() override {}
  void storeInList(int /*index*/) override {}
  void addToResults() override {}
  void endAction() override { interpreter_.setEnded(); }
  HostId hostId() const override { return HostId::kNative; }
  void* hostVm() const override { return nullptr; }

  // The argument as written (trimmed), for commands that read it unevaluated.
  std::string_view raw(int i) const { return arguments_.raw(i - 1); }

 private:
  script::ArgumentList arguments_;
  script::Expression& expression_;
  script::Interpreter& interpreter_;
};

}  // namespace tsuzuri::commands
