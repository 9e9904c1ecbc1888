#include "commands/error_reporter.h"

#include <cstdio>
#include <memory>

#include "util/display_name.h"

namespace tsuzuri::commands {

namespace {

// Every line end of the log is CR LF, whether the message ended its lines
// with LF alone or with CR LF already.
std::string withCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  return out;
}

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { static_cast<void>(std::fclose(file)); }
};

}  // namespace

std::string ErrorReporter::logPath() const {
  return (saveRoot_.empty() ? logFolder_ : saveRoot_) + "Information.txt";
}

std::string ErrorReporter::withContext(std::string_view message) const {
  std::string text;
  if (!interpreter_.subroutineName().empty()) {
    text.append(interpreter_.subroutineName());
    text.push_back(' ');
  }
  text.append(message);
  text.append("\r\n");
  for (const script::CallFrame& frame : interpreter_.callStack()) {
    // The frame holds where the caller resumes: the line before the call's
    // line when more statements follow on it, else the call's line itself.
    // Either way the report names the line of the call.
    const std::int64_t callLine =
        std::int64_t{frame.resumeLine} + (frame.resumeStatement != 0 ? 2 : 1);
    text.append(util::hashDisplayName(frame.scriptHash));
    text.append("[" + std::to_string(callLine) + "]\r\n");
  }
  text.append(interpreter_.currentScriptName());
  text.append("[" + std::to_string(std::int64_t{interpreter_.line()} + 1) + "] ");
  text.append(interpreter_.commandName().view());
  return text;
}

void ErrorReporter::reportWithContext(std::string_view message, bool show) {
  if (!show) {
    console_.write(std::string(message) + "\n");
    return;
  }
  logAndShow(withContext(message));
}

void ErrorReporter::reportPlain(std::string_view message, bool show) {
  if (!show) {
    console_.write(std::string(message) + "\n");
    return;
  }
  logAndShow(message);
}

void ErrorReporter::logAndShow(std::string_view text) {
  // A log that cannot be opened loses the line; the box is still shown.
  std::unique_ptr<std::FILE, FileCloser> log(std::fopen(logPath().c_str(), "ab"));
  if (log) {
    std::string line = withCrLf(text) + "\r\n";
    static_cast<void>(std::fwrite(line.data(), 1, line.size(), log.get()));
  }
  dialogs_.showError(text);
}

}  // namespace tsuzuri::commands

namespace tsuzuri::commands {

void ErrorReporter::truncateLog() {
  // A log that cannot be created is skipped; the engine goes on.
  std::unique_ptr<std::FILE, FileCloser> log(std::fopen(logPath().c_str(), "wb"));
}

void ErrorReporter::appendToLog(std::string_view text) {
  std::unique_ptr<std::FILE, FileCloser> log(std::fopen(logPath().c_str(), "ab"));
  if (!log) return;
  const std::string lines = withCrLf(text);
  static_cast<void>(std::fwrite(lines.data(), 1, lines.size(), log.get()));
}

}  // namespace tsuzuri::commands
