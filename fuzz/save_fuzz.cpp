// Loads arbitrary text as a saved game in a running engine: the game's
// script loads slot 0 (the input, written as a plain slot file), draws the
// restored scene, and saves it again, so that every line reader, the
// sprite rebuild and the writer see what a damaged or foreign save holds.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/engine.h"
#include "pack/container_writer.h"
#include "script/script_entry.h"

namespace {

class SilentConsole final : public tsuzuri::script::Console {
 protected:
  void output(std::string_view) override {}
};

constexpr std::string_view kTitle = "save fuzz";

// The game folder, made once: its script and an empty save folder.
const std::string& gameFolder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/tsuzuri-save-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    const std::string path = std::string(made) + "/";
    std::string error;
    const auto container = tsuzuri::pack::buildScriptContainer(
        {{"script/0.txt",
          "loadSave 0, 0\ndraw\nmakeSave\nsaveSave 1, 0\npopSave -1\npopSave 0\nend\n"},
         {"script/1.txt", "*load_lb\nreturn\n"}},
        tsuzuri::script::titleKey(std::string(kTitle)), error);
    if (!container) std::abort();
    std::filesystem::create_directories(path + "save");
    std::FILE* out = std::fopen((path + "script.dat").c_str(), "wb");
    if (out == nullptr) std::abort();
    std::fwrite(container->data(), 1, container->size(), out);
    std::fclose(out);
    return path;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = gameFolder();
  std::FILE* save = std::fopen((folder + "save/save000.txt").c_str(), "wb");
  if (save == nullptr) return 0;
  std::fwrite(data, 1, size, save);
  std::fclose(save);

  std::FILE* boxes = std::tmpfile();
  tsuzuri::platform::HeadlessOptions headless;
  headless.virtualClock = true;
  headless.log = boxes;
  auto host = tsuzuri::platform::createHeadlessPlatform(headless);
  tsuzuri::core::EngineOptions options;
  options.titleKey = tsuzuri::script::titleKey(std::string(kTitle));
  options.title = kTitle;
  options.maxTime = 2000;
  SilentConsole console;
  {
    tsuzuri::core::Engine engine(*host, tsuzuri::assets::GameFolder::fromDirectory(folder),
                                 options, console);
    static_cast<void>(engine.run());
  }
  if (boxes != nullptr) std::fclose(boxes);
  return 0;
}
