#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tsuzuri::commands {

// Which script host is calling a command.
enum class HostId : std::int32_t { kNative = 1, kLua = 2, kSquirrel = 3 };

// The arguments and results of a system command, whichever host called it.
// A command is written once against this interface: the native script
// passes an argument frame (results go into the variables that result
// arguments name), Lua and Squirrel pass their VMs (results are returned as
// values). Argument indexes start at 1.
class CommandContext {
 public:
  virtual ~CommandContext() = default;

  // The argument count as the native form counts it, for a command with
  // `results` result arguments (0-6): natively the number of arguments;
  // for the other hosts the values passed plus `results`.
  virtual int argumentCount(int results) const = 0;

  // The kind of argument i, compared with integerKind() and textKind().
  virtual int kind(int i) const = 0;
  virtual int integerKind() const = 0;
  virtual int textKind() const = 0;

  // Whether argument i names an integer / a text variable.
  virtual bool isIntegerReference(int i) = 0;
  virtual bool isTextReference(int i) = 0;

  // The number truncated toward zero.
  virtual std::int32_t integer(int i) const = 0;
  // The number truncated to 64 bits, low 32 bits taken (0xFFFFFFFF is -1).
  virtual std::int32_t wrappingInteger(int i) const = 0;
  virtual float floatValue(int i) const = 0;
  virtual double doubleValue(int i) const = 0;
  // The text, valid until the command returns.
  virtual std::string_view text(int i) const = 0;

  // Results.
  virtual void setIntegerResult(int i, std::int32_t value) = 0;
  virtual void setTextResult(int i, std::string_view value) = 0;
  virtual void discard(int count) = 0;
  virtual void pushNothing() = 0;
  virtual void beginList() = 0;
  virtual void storeInList(int index) = 0;
  virtual void addToResults() = 0;

  // What `end` does in this host.
  virtual void endAction() = 0;

  virtual HostId hostId() const = 0;
  // The host's VM (Lua state, Squirrel VM); null for the native script.
  virtual void* hostVm() const = 0;
};

}  // namespace tsuzuri::commands
