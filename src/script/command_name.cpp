#include "script/command_name.h"

#include "script/script_parser.h"

namespace tsuzuri::script {

void CommandName::set(std::string_view name) {
  std::size_t end = 0;
  while (end < name.size()) {
    std::size_t step = isLeadByte(static_cast<unsigned char>(name[end])) ? 2 : 1;
    if (end + step > kCapacity - 1 || end + step > name.size()) break;
    end += step;
  }
  name_.assign(name.substr(0, end));
}

}  // namespace tsuzuri::script
