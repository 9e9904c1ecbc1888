#include "util/reporter.h"

#include <cstdio>

#include "util/sjis.h"

namespace tsuzuri::util {

void StderrReporter::report(std::string_view message) {
  std::string text = prefix_ + sjisToUtf8(message);
  text.push_back('\n');
  std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace tsuzuri::util
