// Feeds arbitrary bytes to the engine as arc0.dat and opens the names a
// seed archive holds, through every reader of the file lookup.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "assets/archive_directory.h"
#include "assets/file_access.h"
#include "fuzz_names.h"

namespace {

class QuietReporter final : public tsuzuri::util::Reporter {
 public:
  void report(std::string_view) override {}
};

const std::string& gameFolder() {
  static const std::string folder = [] {
    const auto path =
        std::filesystem::temp_directory_path() /
        ("tsuzuri-archive-fuzz-" +
         std::to_string(std::hash<std::string>{}(std::filesystem::current_path().string())));
    std::filesystem::create_directories(path);
    return path.string() + "/";
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tsuzuri;
  const std::string& folder = gameFolder();
  std::FILE* file = std::fopen((folder + "arc0.dat").c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  QuietReporter reporter;
  const auto game = assets::GameFolder::fromDirectory(folder);
  assets::ArchiveDirectory archives;
  archives.read(game, reporter);
  assets::FileAccess files(game, archives, reporter);
  for (const char* name : fuzzing::kArchiveNames) {
    void* buffer = nullptr;
    std::uint32_t length = 0;
    std::uint32_t capacity = 0;
    files.loadFile(name, &buffer, &length, &capacity);
    length = 7;
    files.loadFile(name, &buffer, &length, &capacity);
    util::alignedFree(buffer);
    std::string text;
    files.loadText(name, text);
    if (auto reader = files.open(name)) {
      char chunk[64];
      while (reader->read(chunk, sizeof chunk) == sizeof chunk) {
      }
    }
  }
  return 0;
}
