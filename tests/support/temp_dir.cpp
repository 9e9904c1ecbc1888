#include "support/temp_dir.h"

#include <cstdio>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tsuzuri::testing {
namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "tsuzuri-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a temporary folder";
  }
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::write(std::string_view relative, std::string_view contents) const {
  const fs::path full = fs::path(path_) / relative;
  fs::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  EXPECT_TRUE(out.good()) << full;
  return full.string();
}

std::string TempDir::read(std::string_view relative) const {
  // Read with stdio: GCC's optimiser warns (wrongly) about the stream
  // iterators in release builds.
  std::string out;
  std::FILE* in = std::fopen((fs::path(path_) / relative).c_str(), "rb");
  if (in == nullptr) return out;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) out.append(buffer, n);
  static_cast<void>(std::fclose(in));
  return out;
}

}  // namespace tsuzuri::testing
