#pragma once

#include <string>
#include <vector>

namespace tsuzuri::script {

// The text list: lines of a text file, each kept with its own line end.
class TextList {
 public:
  void clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
};

}  // namespace tsuzuri::script
