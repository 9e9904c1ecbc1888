// Runs a fuzz target over files instead of under libFuzzer: each argument is
// a file or a folder of files. Used to replay the corpus in ordinary builds.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void runFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg = argv[i];
    if (!std::filesystem::exists(arg)) {
      std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
      return 1;
    }
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
        if (entry.is_regular_file()) {
          runFile(entry.path());
          ++runs;
        }
      }
    } else {
      runFile(arg);
      ++runs;
    }
  }
  std::printf("%d inputs ran\n", runs);
  return runs > 0 ? 0 : 1;
}
