#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tsuzuri::core {

// The options of the `tsuzuri` program.
struct CommandLine {
  bool help = false;
  bool version = false;
  std::optional<std::string> title;  // Shift_JIS
  std::optional<std::uint32_t> titleKey;
  bool headless = false;
  bool virtualClock = false;
  std::optional<std::uint32_t> maxTime;
  std::optional<std::string> transcript;       // a path, or "-" for standard output
  std::optional<std::string> screenshot;       // a PNG path
  std::optional<std::string> framesDirectory;  // a folder for one PNG per changed frame
  std::optional<std::string> input;            // a file of scripted input events
  std::optional<std::uint32_t> autoClick;      // press Return after this many quiet ms
  std::optional<std::string> audioCapture;     // a WAV path for the headless mix
  std::optional<std::string> gameDirectory;
};

extern const char* const kUsage;

// Parses the arguments after the program name. Nothing (with `error` set)
// when they are not understood.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error);

}  // namespace tsuzuri::core
