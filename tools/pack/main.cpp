#include <iostream>
#include <string>
#include <vector>

#include "pack/pack_commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tsuzuri::pack::runPackCommand(args, std::cout, std::cerr);
}
