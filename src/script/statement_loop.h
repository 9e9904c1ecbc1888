#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "script/error_sink.h"
#include "script/interpreter.h"
#include "script/message_display.h"
#include "script/native_commands.h"
#include "script/script_container.h"
#include "script/script_tables.h"

namespace tsuzuri::script {

// The interpreter's outer loop: it walks the lines of the current slot,
// dispatches each statement (native commands, then user commands, then
// foreign functions), hands story lines to the message display, and applies
// slot switches between statements. It runs until the script runs off its
// last line, the end flag is seen after a native command, or the display
// asks to end.
class StatementLoop {
 public:
  StatementLoop(Interpreter& interpreter, ScriptTables& tables, const NativeCommandTable& commands,
                ScriptContainer& container, ErrorSink& errors, MessageDisplay& display)
      : interpreter_(interpreter),
        tables_(tables),
        commands_(commands),
        container_(container),
        errors_(errors),
        display_(display) {}

  // Asked between statements now and then; true ends the run as `end`
  // does (the headless runner's time limit).
  void setInterruptCheck(std::function<bool()> check) { interrupt_ = std::move(check); }

  void run();

 private:
  enum class Step : std::uint8_t { kContinue, kNextStatement, kEnd };

  // Runs one command statement; kEnd when the end flag was set.
  Step dispatch(const std::string& name, const std::string& arguments);
  // Runs the story line at the current line index.
  Step textLine(const std::string& token);
  // Applies slot switches and the deferred label after a statement.
  void afterStatement();
  void checkAlreadyRead(std::int32_t line);
  bool interrupted();

  Interpreter& interpreter_;
  ScriptTables& tables_;
  const NativeCommandTable& commands_;
  ScriptContainer& container_;
  ErrorSink& errors_;
  MessageDisplay& display_;
  std::function<bool()> interrupt_;
  std::uint32_t sinceCheck_ = 0;
  // Loops opened while a skipped loop body is being passed over.
  std::int32_t skipNesting_ = 0;
  // The statement being dispatched, copied out of the slot's lines.
  std::string name_;
  std::string arguments_;
};

}  // namespace tsuzuri::script
