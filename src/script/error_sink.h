#pragma once

#include <string_view>

namespace tsuzuri::script {

// The engine's error report as the script layer sees it. Messages are
// Shift_JIS. With `show` set a report is logged to Information.txt and shown
// in the "Error" box; with it clear the message is only printed to standard
// output. Neither stops the engine: the caller decides what to skip.
class ErrorSink {
 public:
  virtual ~ErrorSink() = default;
  // The report with context (errorc): the running host's call frames and
  // the current script line are added to the message.
  virtual void reportWithContext(std::string_view message, bool show = true) = 0;
  // The plain report (errord): the message as it stands.
  virtual void reportPlain(std::string_view message, bool show = true) = 0;
};

}  // namespace tsuzuri::script
