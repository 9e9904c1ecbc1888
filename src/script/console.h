#pragma once

#include <string_view>

namespace tsuzuri::script {

// Standard output as scripts see it: `print`, and the reports that are
// printed instead of shown. Texts are Shift_JIS.
class Console {
 public:
  virtual ~Console() = default;
  virtual void write(std::string_view text) = 0;
};

}  // namespace tsuzuri::script
