#include <iostream>
#include <string>
#include <vector>

#include "sound/sound_tool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tsuzuri::soundtools::runSoundCommand(args, std::cout, std::cerr);
}
