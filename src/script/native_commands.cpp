#include "script/native_commands.h"

#include "util/crc.h"

namespace tsuzuri::script {

void NativeCommandTable::add(std::string_view name, NativeHandler handler) {
  handlers_.insert_or_assign(util::crc32_hash2(name), std::move(handler));
}

}  // namespace tsuzuri::script
