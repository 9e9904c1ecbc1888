#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tsuzuri::script {

// A library loaded by loadLibrary, with its optional notifications around
// a reset of the graphics device.
struct PluginLibrary {
  std::string name;  // as the game gave it (Shift_JIS)
  void* handle = nullptr;
  void (*deviceLost)() = nullptr;
  void (*deviceReset)() = nullptr;
};

// The plug-in libraries of a run, in load order. They stay loaded until the
// process ends.
class PluginLibraries {
 public:
  // Loads the library a game names (Shift_JIS, relative to the game folder
  // `nativeFolder`, or a bare name from the system's search path). Games
  // name Windows libraries: for a name ending in ".dll" the same name with
  // ".so" is tried when the name itself does not load. On failure `error`
  // receives the loader's reason.
  bool load(std::string_view name, const std::string& nativeFolder, std::string* error);

  const std::vector<PluginLibrary>& libraries() const { return libraries_; }

  // The renderer calls these around a device reset, in load order.
  void notifyDeviceLost() const;
  void notifyDeviceReset() const;

 private:
  std::vector<PluginLibrary> libraries_;
};

}  // namespace tsuzuri::script
