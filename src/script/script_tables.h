#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tsuzuri::script {

// One parsed line. A command line holds tokens in pairs (name, argument
// text, name, argument text, ...); any other line holds exactly one token,
// the whole line as written (an empty line: one empty token).
using ScriptLine = std::vector<std::string>;
// A parsed script: line index 0 is the first line of its text.
using ParsedScript = std::vector<ScriptLine>;

// A label, keyed in the label table by the CRC-32 of its name.
struct Label {
  std::string name;  // without the "*"
  std::uint64_t scriptHash = 0;
  std::int32_t line = 0;  // 0-based line index in that script
};

// A function declared by funcLua or funcSqu. The parser creates the entry
// without a caller; the bridge sets the caller when the declaring statement
// runs. The caller receives the statement's argument text.
struct ForeignFunction {
  std::function<void(std::string_view arguments)> caller;
};

// The already-read record of one script: for the first line of every text
// block, a flag (0 not yet read, 1 read).
using AlreadyReadTable = std::map<std::int32_t, std::uint8_t>;

// The tables built from every script at start-up and kept for the run.
struct ScriptTables {
  std::unordered_map<std::uint32_t, Label> labels;
  std::unordered_map<std::uint64_t, std::string> scriptNames;  // hash -> display name
  std::unordered_map<std::uint64_t, AlreadyReadTable> alreadyRead;
  // Names declared by defsub, by CRC-32 (the entries carry nothing).
  std::unordered_set<std::uint32_t> userCommands;
  std::unordered_map<std::uint32_t, ForeignFunction> foreignFunctions;

  void clear() {
    labels.clear();
    scriptNames.clear();
    alreadyRead.clear();
    userCommands.clear();
    foreignFunctions.clear();
  }
};

}  // namespace tsuzuri::script
