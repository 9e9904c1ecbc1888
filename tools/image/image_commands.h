#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tsuzuri::image_tool {

// Runs one tsuzuri-image command line (without the program name); returns
// the exit status: 0 done, 1 the work failed, 2 the command line is wrong.
int runImageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tsuzuri::image_tool
