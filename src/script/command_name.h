#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tsuzuri::script {

// The name of the command being executed, as error reports show it. The
// engine keeps it in a 128-byte buffer, so at most 127 bytes are kept; a
// longer name is cut before a double-byte character rather than inside it.
class CommandName {
 public:
  static constexpr std::size_t kCapacity = 128;

  void set(std::string_view name);
  std::string_view view() const { return name_; }
  // The NUL-terminated buffer that plug-ins receive from getErrorCmd.
  const char* c_str() const { return name_.c_str(); }

 private:
  std::string name_;
};

}  // namespace tsuzuri::script
