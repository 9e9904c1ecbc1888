#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tsuzuri::pack {

// Runs one packer command line (the arguments after the program name),
// printing results to `out` and messages to `err`. Returns the exit status:
// 0 on success, 1 when the input is bad or a file cannot be written, 2 for
// a wrong command line.
int runPackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tsuzuri::pack
