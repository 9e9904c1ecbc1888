#pragma once

#include <cstdio>
#include <string_view>

#include "script/console.h"

namespace tsuzuri::core {

// Standard output for the scripts: their Shift_JIS text is written as UTF-8,
// which is what a Linux terminal and the files of creators' tools expect.
class StdoutConsole final : public script::Console {
 public:
  explicit StdoutConsole(std::FILE* out = stdout) : out_(out) {}

 protected:
  void output(std::string_view text) override;

 private:
  std::FILE* out_;
};

}  // namespace tsuzuri::core
