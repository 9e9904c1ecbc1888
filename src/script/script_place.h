#pragma once

#include <cstdint>
#include <string_view>

namespace tsuzuri::script {

// Where the interpreter is: the display name of the current slot's script
// ("script/0.txt", "script/1.txt" or the base-32 name of a slot-2 script)
// and the current line index (0-based). Expression errors name this place.
class ScriptPlace {
 public:
  virtual ~ScriptPlace() = default;
  virtual std::string_view currentScriptName() const = 0;
  virtual std::int32_t currentLineIndex() const = 0;
};

}  // namespace tsuzuri::script
