#include <iostream>
#include <string>
#include <vector>

#include "image/image_commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tsuzuri::image_tool::runImageCommand(args, std::cout, std::cerr);
}
