// The engine's entry point. The interpreter is not in yet: for now the
// program finds the game folder, reads its archive directory and the index
// of its script.dat, and says what it found.

#include <cstdio>
#include <string>
#include <string_view>

#include "assets/archive_directory.h"
#include "assets/container_index.h"
#include "assets/game_folder.h"
#include "platform/files.h"
#include "util/build_config.h"
#include "util/reporter.h"

namespace {

constexpr const char* kUsage =
    "usage: tsuzuri [--help] [--version] [GAME_DIR]\n"
    "Runs the game in GAME_DIR (default: the executable's folder when it holds\n"
    "script.dat, else the current folder).\n";

tsuzuri::assets::GameFolder chooseGameFolder(const char* argument) {
  using tsuzuri::assets::GameFolder;
  if (argument != nullptr) return GameFolder::fromDirectory(argument);
  if (const auto exe = tsuzuri::platform::executablePath()) {
    GameFolder beside = GameFolder::containing(*exe);
    if (tsuzuri::platform::findFile(beside.native, "script.dat")) return beside;
  }
  return GameFolder::fromDirectory(".");
}

}  // namespace

int main(int argc, char** argv) {
  const char* gameDir = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("tsuzuri %s\n", tsuzuri::util::kVersion);
      return 0;
    }
    if (!a.empty() && a.front() == '-') {
      std::fprintf(stderr, "tsuzuri: unknown option %s\n%s", argv[i], kUsage);
      return 1;
    }
    gameDir = argv[i];
  }

  const auto folder = chooseGameFolder(gameDir);
  if (!tsuzuri::platform::changeCurrentDirectory(folder.native)) {
    std::fprintf(stderr, "tsuzuri: %s cannot be entered\n", folder.native.c_str());
    return 1;
  }
  tsuzuri::util::StderrReporter reporter("tsuzuri: ");
  tsuzuri::assets::ArchiveDirectory archives;
  archives.read(folder, reporter);

  std::printf("tsuzuri %s\ngame folder: %s\n", tsuzuri::util::kVersion, folder.native.c_str());
  const auto scriptPath = tsuzuri::platform::findFile(folder.native, "script.dat");
  const auto file = scriptPath ? tsuzuri::platform::openForReading(*scriptPath) : nullptr;
  if (!file) {
    std::fprintf(stderr, "tsuzuri: %sscript.dat cannot be opened\n", folder.native.c_str());
    return 1;
  }
  const auto length = tsuzuri::platform::fileLength(file.get()).value_or(0);
  const auto index = tsuzuri::assets::readContainerIndex(file.get(), length);
  std::printf("script.dat: %zu scripts%s\n", index.records.size(),
              index.truncated ? " (the index ends early)" : "");
  std::printf("archives: %s, %zu entries\n", archives.present() ? "present" : "none",
              archives.size());
  std::puts("The interpreter is not part of this build yet; nothing is run.");
  return index.truncated ? 1 : 0;
}
