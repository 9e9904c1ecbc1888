#pragma once

#include <string_view>

namespace tsuzuri::script {

// Standard output as scripts see it: `print`, and the reports that are
// printed instead of shown. Texts are Shift_JIS.
class Console {
 public:
  virtual ~Console() = default;

  void write(std::string_view text) {
    if (attached_) output(text);
  }

  // A script may detach from the console (`console 0`); until it attaches
  // again, what is written goes nowhere, as it does for a program without a
  // console. A run starts attached, so that a game's output reaches the
  // terminal it was started from.
  void setAttached(bool attached) { attached_ = attached; }
  bool attached() const { return attached_; }

 protected:
  virtual void output(std::string_view text) = 0;

 private:
  bool attached_ = true;
};

}  // namespace tsuzuri::script
