#pragma once

// A small interpreter world for tests: the tables, the interpreter, the
// evaluator, the built-ins and a statement loop over scripts given as text,
// with every report and every shown message recorded.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "assets/archive_directory.h"
#include "assets/file_access.h"
#include "assets/game_folder.h"
#include "script/builtins.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/message_display.h"
#include "script/native_commands.h"
#include "script/script_container.h"
#include "script/script_parser.h"
#include "script/statement_loop.h"
#include "support/recording_dialogs.h"
#include "support/recording_sink.h"
#include "util/crc.h"

namespace tsuzuri::testing {

// Records each message it is asked to show: speaker, then text from the
// start offset.
class RecordingDisplay final : public script::MessageDisplay {
 public:
  bool show(std::string_view line, std::int32_t nextLength, std::int32_t) override {
    std::string_view text = offset_ < line.size() ? line.substr(offset_) : std::string_view();
    shown.push_back(speaker_ + "|" + std::string(text));
    speaker_.clear();
    offset_ = 0;
    inProgress_ = continueMessages && nextLength != 0;
    return keepRunning;
  }
  bool inProgress() const override { return inProgress_; }
  std::uint32_t preMessageLabel() const override { return preLabel; }
  std::uint32_t postMessageLabel() const override { return postLabel; }
  void noteMessageSource(std::uint64_t, std::int32_t line) override { sources.push_back(line); }
  void setSpeaker(std::string_view name) override { speaker_.assign(name); }
  std::size_t startOffset() const override { return offset_; }
  void setStartOffset(std::size_t offset) override { offset_ = offset; }

  std::vector<std::string> shown;
  std::vector<std::int32_t> sources;
  std::uint32_t preLabel = 0;
  std::uint32_t postLabel = 0;
  bool keepRunning = true;
  bool continueMessages = false;

 private:
  std::string speaker_;
  std::size_t offset_ = 0;
  bool inProgress_ = false;
};

struct ScriptWorld {
  script::ScriptTables tables;
  script::Interpreter interpreter{tables};
  RecordingSink errors;
  RecordingConsole console;
  script::Variables variables;
  script::Expression expression{variables, errors, interpreter};
  script::NativeCommandTable commands;
  RecordingDisplay display;
  RecordingDialogs dialogs;
  assets::ArchiveDirectory archives;
  assets::FileAccess files;
  script::BuiltinState state;
  // Only read when a script moves into slot 2.
  script::ScriptContainer container;

  // `gameFolder` (native, ending in "/") is where game files are looked for.
  explicit ScriptWorld(std::string containerPath = "/nonexistent/script.dat",
                       std::string gameFolder = "./")
      : files(assets::GameFolder{gameFolder, gameFolder}, archives, errors),
        container(std::move(containerPath), errors, interpreter.commandName()) {
    script::registerBuiltins(commands, script::BuiltinServices{interpreter, expression, errors,
                                                               console, dialogs, files, state});
  }

  // Puts `text` into slot `slot` under `name` (its labels collected).
  void load(int slot, std::string_view name, std::string_view text) {
    script::ScriptSlot& s = interpreter.slot(slot);
    s.hash = util::crc64_hash2(name);
    s.name = std::string(name);
    script::parseScript(text, s.lines, tables);
    script::collectLabels(s.hash, s.lines, tables, errors);
  }

  // Runs slot 0 from its current position; `interrupt`, when given, is
  // asked now and then and ends the run when it says so.
  void run(std::function<bool()> interrupt = {}) {
    script::StatementLoop loop(interpreter, tables, commands, container, errors, display);
    if (interrupt) loop.setInterruptCheck(std::move(interrupt));
    loop.run();
  }
};

}  // namespace tsuzuri::testing
