#include "core/stdout_console.h"

#include <string>

#include "util/sjis.h"

namespace tsuzuri::core {

void StdoutConsole::output(std::string_view text) {
  const std::string utf8 = util::sjisToUtf8(text);
  static_cast<void>(std::fwrite(utf8.data(), 1, utf8.size(), out_));
}

}  // namespace tsuzuri::core
