#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/reporter.h"

namespace tsuzuri::testing {

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes. `path()` ends in `/`.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // Writes a file below the folder, creating its parent folders.
  std::string write(std::string_view relative, std::string_view contents) const;
  std::string read(std::string_view relative) const;

 private:
  std::string path_;
};

// Keeps every report, for tests to look at.
class RecordingReporter final : public util::Reporter {
 public:
  void report(std::string_view message) override { messages.emplace_back(message); }
  std::vector<std::string> messages;
};

}  // namespace tsuzuri::testing
