#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "persist/settings.h"
#include "script/expression.h"
#include "util/reporter.h"

namespace tsuzuri::persist {

// setting.dat: every setting as a "key = value" line, in one table of keys
// that both the writer and the reader use, followed by the lines of the
// cursor, the wallpaper, the save protection and the game's persistent
// ("s_") variables.
class SettingsFile {
 public:
  SettingsFile(Settings& settings, script::Expression& expression, util::Reporter& reporter)
      : settings_(settings), expression_(expression), reporter_(reporter) {}

  // The text as written; `totalTime` is the play time to store.
  std::string text(std::uint32_t totalTime) const;

  // Applies a text as read: each known key sets its setting, missing keys
  // keep theirs, and the Integer and String lines recreate the persistent
  // variables.
  void apply(std::string_view text);

  enum class ReadResult { kMissing, kRead, kFailed };
  // Reads the settings file at `nativePath` (compressed). A missing file
  // changes nothing (the caller applies what a missing file means); one that
  // cannot be read is reported and leaves every setting as it was.
  ReadResult read(const std::string& nativePath, std::string_view name);

  // Writes the settings file, creating its folder when needed. Failures are
  // reported.
  bool write(const std::string& nativePath, std::string_view name, std::uint32_t totalTime);

 private:
  // LimitFPS: N frames per second become N / g frames every 1000 / g ms.
  void setFramePacing(std::int32_t framesPerSecond);

  Settings& settings_;
  script::Expression& expression_;
  util::Reporter& reporter_;
};

}  // namespace tsuzuri::persist
