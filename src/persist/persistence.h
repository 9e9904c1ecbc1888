#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/error_reporter.h"
#include "persist/save_location.h"
#include "persist/settings.h"
#include "persist/settings_file.h"
#include "platform/platform.h"

namespace tsuzuri::persist {

// The save folder and the settings file of a run: settled by loadSetting,
// written by saveSetting and at shutdown.
class Persistence {
 public:
  // `gameFolder` is native and ends in "/".
  Persistence(Settings& settings, SettingsFile& file, SaveLocation& location,
              platform::Clock& clock, commands::ErrorReporter& errors, std::string gameFolder)
      : settings_(settings),
        file_(file),
        location_(location),
        clock_(clock),
        errors_(errors),
        gameFolder_(std::move(gameFolder)) {}

  // Settles the save location for the brand and game folder names, takes
  // over another game's settings when the location is new, reads the
  // settings and runs the hooks. False when the player cancelled the
  // question of the location; the run must then end.
  bool loadSetting(std::string_view brand, std::string_view game);

  // Writes the settings file; false (reported) before loadSetting has run,
  // when the write fails, or when the file that was there could not be read
  // and stays untouched.
  bool saveSetting();
  // At shutdown: writes the settings once loadSetting has run.
  void saveAtShutdown();

  // Run after the settings have been read (the already-read record, the
  // volumes and display options of the subsystems that own them).
  void addLoadedHook(std::function<void()> hook) { hooks_.push_back(std::move(hook)); }

  // The clock at start-up, and the play time of all runs so far.
  void setStartTime(std::uint32_t time) { startTime_ = time; }
  std::uint32_t startTime() const { return startTime_; }
  std::uint32_t totalTime() const;
  // The clock the times are read from.
  platform::Clock& clock() const { return clock_; }

  bool loaded() const { return loaded_; }
  const SaveRoot& root() const { return root_; }
  // The save folder, native and as reports name it; both end in "/".
  std::string saveFolder() const;
  std::string saveFolderName() const { return root_.sjis + "save/"; }

 private:
  void keepUnreadable(const std::string& path, const std::string& name);

  Settings& settings_;
  SettingsFile& file_;
  SaveLocation& location_;
  platform::Clock& clock_;
  commands::ErrorReporter& errors_;
  std::string gameFolder_;
  std::vector<std::function<void()>> hooks_;
  SaveRoot root_;
  std::uint32_t startTime_ = 0;
  bool loaded_ = false;
  // Set when the settings file could be neither read nor moved aside.
  bool writeBlocked_ = false;
};

}  // namespace tsuzuri::persist
