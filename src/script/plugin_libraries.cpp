#include "script/plugin_libraries.h"

#include "platform/files.h"
#include "platform/library.h"
#include "util/sjis.h"

namespace tsuzuri::script {

namespace {

bool endsWithDll(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view tail = name.substr(name.size() - 4);
  return tail[0] == '.' && (tail[1] | 0x20) == 'd' && (tail[2] | 0x20) == 'l' &&
         (tail[3] | 0x20) == 'l';
}

void* open(std::string_view name, const std::string& folder, std::string* error) {
  if (std::optional<std::string> found = platform::findFile(folder, name)) {
    if (platform::fileKind(*found) == platform::FileKind::kFile) {
      return platform::loadLibrary(*found, error);
    }
  }
  // Not in the game folder: the loader's own search, for a bare name.
  return platform::loadLibrary(util::sjisToUtf8(name), error);
}

template <class Function>
Function entryPoint(void* handle, const char* name) {
  // POSIX guarantees that a symbol's address converts to a function pointer.
  return reinterpret_cast<Function>(platform::findSymbol(handle, name));  // NOLINT
}

}  // namespace

bool PluginLibraries::load(std::string_view name, const std::string& nativeFolder,
                           std::string* error) {
  void* handle = open(name, nativeFolder, error);
  if (handle == nullptr && endsWithDll(name)) {
    std::string shared(name.substr(0, name.size() - 4));
    shared += ".so";
    std::string ignored;
    handle = open(shared, nativeFolder, &ignored);
  }
  if (handle == nullptr) return false;
  PluginLibrary library;
  library.name.assign(name);
  library.handle = handle;
  library.deviceLost = entryPoint<void (*)()>(handle, "DeviceLost");
  library.deviceReset = entryPoint<void (*)()>(handle, "DeviceReset");
  libraries_.push_back(std::move(library));
  return true;
}

void PluginLibraries::notifyDeviceLost() const {
  for (const PluginLibrary& library : libraries_) {
    if (library.deviceLost != nullptr) library.deviceLost();
  }
}

void PluginLibraries::notifyDeviceReset() const {
  for (const PluginLibrary& library : libraries_) {
    if (library.deviceReset != nullptr) library.deviceReset();
  }
}

}  // namespace tsuzuri::script
