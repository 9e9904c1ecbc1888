#pragma once

#include <random>
#include <string>
#include <vector>

#include "script/plugin_libraries.h"
#include "script/regexp.h"
#include "script/text_list.h"

namespace tsuzuri::script {

// The process-wide data of the built-ins, owned by the engine.
struct BuiltinState {
  // Lines of a text file, for loadText ... clearText.
  TextList textList;
  // Paths found by setFileList.
  std::vector<std::string> fileList;
  // Libraries loaded by loadLibrary; they stay loaded for the whole run.
  PluginLibraries libraries;
  // rand's generator; the engine seeds it with the calendar time.
  std::mt19937 random;
  // Compiled patterns of the regexp_* built-ins.
  Regexps regexps;

  // Teardown: the lists are emptied (libraries stay loaded).
  void clear() {
    textList.clear();
    fileList.clear();
    fileList.shrink_to_fit();
  }
};

}  // namespace tsuzuri::script
