#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "script/console.h"
#include "script/error_sink.h"
#include "script/interpreter.h"
#include "util/reporter.h"

namespace tsuzuri::commands {

// The engine's one error report. A report is appended to Information.txt
// (Shift_JIS, CR LF line ends) and shown in the "Error" box; the engine
// then goes on. Reports with context add the native script's call frames
// and the current line.
class ErrorReporter final : public script::ErrorSink, public util::Reporter {
 public:
  // `logFolder` is where Information.txt lies until a save root is set (the
  // game folder, ending in "/").
  ErrorReporter(const script::Interpreter& interpreter, platform::Dialogs& dialogs,
                script::Console& console, std::string logFolder)
      : interpreter_(interpreter),
        dialogs_(dialogs),
        console_(console),
        logFolder_(std::move(logFolder)) {}

  void reportWithContext(std::string_view message, bool show = true) override;
  void reportPlain(std::string_view message, bool show = true) override;
  // util::Reporter, for the lower layers: a plain report.
  void report(std::string_view message) override { reportPlain(message, true); }

  // The save root chosen by loadSetting ("" for the game folder).
  void setSaveRoot(std::string root) { saveRoot_ = std::move(root); }
  std::string logPath() const;

  // The text a report with context shows for `message`.
  std::string withContext(std::string_view message) const;

  // Appends to the log and shows the box.
  void logAndShow(std::string_view text);

  // The machine report's own writes: it starts the log afresh and appends
  // lines (LF ends, written as CR LF) without showing anything.
  void truncateLog();
  void appendToLog(std::string_view text);

 private:
  const script::Interpreter& interpreter_;
  platform::Dialogs& dialogs_;
  script::Console& console_;
  std::string logFolder_;
  std::string saveRoot_;
};

}  // namespace tsuzuri::commands
