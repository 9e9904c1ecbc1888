#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace tsuzuri::script {

// A command as the native script calls it: with its argument text.
using NativeHandler = std::function<void(std::string_view arguments)>;

// The native command table: built-ins and system commands, keyed by the
// CRC-32 of their names (names are not kept). A later registration under
// the same key replaces an earlier one.
class NativeCommandTable {
 public:
  void add(std::string_view name, NativeHandler handler);
  const NativeHandler* find(std::uint32_t nameHash) const {
    auto it = handlers_.find(nameHash);
    return it == handlers_.end() ? nullptr : &it->second;
  }
  std::size_t size() const { return handlers_.size(); }
  void clear() { handlers_.clear(); }

 private:
  std::unordered_map<std::uint32_t, NativeHandler> handlers_;
};

}  // namespace tsuzuri::script
