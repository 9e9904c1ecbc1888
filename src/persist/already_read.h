#pragma once

#include <string>
#include <string_view>

#include "script/script_tables.h"
#include "util/reporter.h"

namespace tsuzuri::persist {

// already.dat: which message lines of every script the reader has seen. One
// line per script, "S", the script's hash in base 32 (its display name),
// "=", then one decimal flag per message line in script order, and CR LF.
// The file lies in the save container (compressed), like setting.dat.
class AlreadyReadFile {
 public:
  AlreadyReadFile(script::ScriptTables& tables, util::Reporter& reporter)
      : tables_(tables), reporter_(reporter) {}

  // The text as written.
  std::string text() const;

  // Applies a text as read. The flags of a line go to the script's message
  // lines in order: lines the script gained since the file was written keep
  // their flags, and flags beyond the script's last message line are
  // dropped. A line naming no registered script is reported and skipped.
  void apply(std::string_view text);

  // Reads the file at `nativePath`; `name` (Shift_JIS) is how reports name
  // it. A missing file changes nothing; one that cannot be read is reported
  // by the container and changes nothing either.
  void read(const std::string& nativePath, std::string_view name);

  // Writes the file, creating its folder when needed. Failures are reported.
  bool write(const std::string& nativePath, std::string_view name) const;

 private:
  script::ScriptTables& tables_;
  util::Reporter& reporter_;
};

}  // namespace tsuzuri::persist
