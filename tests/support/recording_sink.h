#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "script/console.h"
#include "script/error_sink.h"
#include "util/reporter.h"

namespace tsuzuri::testing {

// Keeps every report, marked by kind, for tests to look at.
class RecordingSink final : public script::ErrorSink, public util::Reporter {
 public:
  // Reports of the lower layers count as plain reports.
  void report(std::string_view message) override { reportPlain(message, true); }
  void reportWithContext(std::string_view message, bool show) override {
    withContext.emplace_back(message);
    all.emplace_back((show ? "C:" : "c:") + std::string(message));
  }
  void reportPlain(std::string_view message, bool show) override {
    plain.emplace_back(message);
    all.emplace_back((show ? "P:" : "p:") + std::string(message));
  }
  std::vector<std::string> withContext;
  std::vector<std::string> plain;
  std::vector<std::string> all;
};

// Collects what the scripts print.
class RecordingConsole final : public script::Console {
 public:
  std::string out;

 protected:
  void output(std::string_view text) override { out.append(text); }
};

}  // namespace tsuzuri::testing
