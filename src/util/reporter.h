#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace tsuzuri::util {

// Where the lower layers send the engine's reports (Shift_JIS text). The
// engine's error report implements it (logging to Information.txt and
// showing the "Error" box); tools print; tests record.
class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void report(std::string_view message) = 0;
};

// Writes each report as a UTF-8 line to standard error, prefixed by `prefix`.
class StderrReporter final : public Reporter {
 public:
  explicit StderrReporter(std::string prefix = {}) : prefix_(std::move(prefix)) {}
  void report(std::string_view message) override;

 private:
  std::string prefix_;
};

}  // namespace tsuzuri::util
