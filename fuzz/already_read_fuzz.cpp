// Reads arbitrary text as already.dat into the read flags of two scripts,
// writes them out and reads that back: a damaged file must neither crash
// the reader nor make the writer produce something it cannot read again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "persist/already_read.h"
#include "util/reporter.h"

namespace {

class SilentReporter final : public tsuzuri::util::Reporter {
 public:
  void report(std::string_view) override {}
};

void addScripts(tsuzuri::script::ScriptTables& tables) {
  tables.scriptNames[0] = "script/0.txt";
  tables.alreadyRead[0] = {{1, 0}, {4, 0}, {9, 0}};
  tables.scriptNames[0x123456789ABCDEFULL] = "script/a.txt";
  tables.alreadyRead[0x123456789ABCDEFULL] = {{0, 0}, {2, 0}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SilentReporter reporter;
  tsuzuri::script::ScriptTables tables;
  addScripts(tables);
  tsuzuri::persist::AlreadyReadFile file(tables, reporter);
  file.apply(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string written = file.text();

  tsuzuri::script::ScriptTables again;
  addScripts(again);
  tsuzuri::persist::AlreadyReadFile reread(again, reporter);
  reread.apply(written);
  if (reread.text() != written) std::abort();
  return 0;
}
