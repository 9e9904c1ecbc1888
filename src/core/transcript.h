#pragma once

#include <cstdio>
#include <string_view>

namespace tsuzuri::core {

// Writes every message line shown to a file as UTF-8, one line each, the
// speaker first when the line began a message with one ("【name】text").
// It records what a headless run showed.
class Transcript {
 public:
  explicit Transcript(std::FILE* out) : out_(out) {}

  // A message line (Shift_JIS) as the window took it.
  void write(std::string_view speaker, std::string_view text);

 private:
  std::FILE* out_;
};

}  // namespace tsuzuri::core
