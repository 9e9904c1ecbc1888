#pragma once

// Names for the packer's list and extract: the containers keep only hashes,
// so names come from a list the user gives and from the usual script names.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tsuzuri::pack {

// A name as the game writes it, from text given in UTF-8 (command lines,
// list files, file names): converted to Shift_JIS, or taken byte for byte
// when it is not UTF-8 (a list saved in Shift_JIS). Nothing when it is
// UTF-8 with a character that Shift_JIS cannot write.
std::optional<std::string> gameNameFromText(std::string_view text);

class NameBook {
 public:
  void add(std::string sjisName);
  // Adds script/0.txt … script/<last>.txt.
  void addScriptNames(int last);
  // Adds one name per line of a text file; false with `error` when it cannot be read.
  bool addList(const std::string& path, std::string& error);
  const std::string* find(std::uint64_t hash) const;

 private:
  std::unordered_map<std::uint64_t, std::string> names_;
};

// Where an entry of that name goes under an extraction folder: the name in
// UTF-8 with `\` as `/`. Nothing for names that would leave the folder
// (absolute, "..", a drive) or that have no UTF-8 form.
std::optional<std::string> extractionPath(std::string_view sjisName);

}  // namespace tsuzuri::pack
