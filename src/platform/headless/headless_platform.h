#pragma once

// Pieces of the headless platform that the other backends reuse.

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tsuzuri::platform {

// Shift_JIS text of a box as UTF-8 for a terminal or a C-string API: line
// ends become LF, and NUL characters (which undefined Shift_JIS codes turn
// into) are dropped, since a C string would end there.
std::string boxText(std::string_view sjis);

// Boxes written as UTF-8 lines to a log instead of shown; every question
// takes its default answer. The SDL platform falls back on it when no box
// can be shown.
class LogDialogs final : public Dialogs {
 public:
  // `log` is not owned and must outlive this object.
  explicit LogDialogs(std::FILE* log) : log_(log) {}
  std::FILE* log() const { return log_; }

  void showError(std::string_view text) override;
  bool ask(std::string_view title, std::string_view text, bool defaultYes) override;
  void inform(std::string_view title, std::string_view text) override;
  int choose(std::string_view title, std::string_view text, std::span<const std::string> choices,
             int defaultChoice, int cancelChoice) override;

 private:
  void write(std::string line);

  std::FILE* log_;
};

}  // namespace tsuzuri::platform
