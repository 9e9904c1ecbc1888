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

#include "assets/image_buffer.h"
#include "assets/image_save.h"
#include "core/engine.h"
#include "pack/container_writer.h"
#include "script/script_entry.h"

namespace {

class SilentConsole final : public tsuzuri::script::Console {
 protected:
  void output(std::string_view) override {}
};

constexpr std::string_view kTitle = "save fuzz";

void writeFile(const std::string& path, const std::string& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

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
          // Each step runs once; a restore may go on at any line (the input
          // names it), and every line leads back to the dispatch.
          "screen 320, 240, 320, 0\n*again\nif (%1 == 0) goto *load\n"
          "if (%2 == 0) goto *save\nif (%3 == 0) goto *back\nif (%4 == 0) goto *page\nend\n"
          "*load\ncal %1 = 1\nloadSave 0, 0\ngoto *again\n"
          "*save\ncal %2 = 1\ndraw\nmakeSave\nsaveSave 1, 0\ngoto *again\n"
          "*back\ncal %3 = 1\npopSave -1\ngoto *again\n"
          "*page\ncal %4 = 1\npopSave 0\ngoto *again\n"},
         {"script/1.txt", "*load_lb\nreturn\n"}},
        tsuzuri::script::titleKey(std::string(kTitle)), error);
    if (!container) std::abort();
    std::filesystem::create_directories(path + "save");
    writeFile(path + "script.dat", *container);
    // Pictures under the names the seeds use, so that sprites are rebuilt.
    tsuzuri::assets::ImagePtr image = tsuzuri::assets::makeImage(12, 10, 32);
    const auto png = tsuzuri::assets::encodeImage("a.png", image.get(), 1, 32, 1, 0);
    for (const char* name : {"a.png", "bg.png", "solid.png", "wide.png", "cells.png"}) {
      writeFile(path + name, std::string(png.bytes.begin(), png.bytes.end()));
    }
    return path;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = gameFolder();
  // Registered after the folder's name exists, so that it runs before the
  // name is destroyed.
  static const int cleanup = std::atexit([] { std::filesystem::remove_all(gameFolder()); });
  static_cast<void>(cleanup);
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
  // A restore that goes on at the line that loads it loads again for ever.
  options.realTimeLimit = 1000;
  SilentConsole console;
  {
    tsuzuri::core::Engine engine(*host, tsuzuri::assets::GameFolder::fromDirectory(folder), options,
                                 console);
    static_cast<void>(engine.run());
  }
  if (boxes != nullptr) std::fclose(boxes);
  return 0;
}
