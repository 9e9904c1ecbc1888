// The `tsuzuri` program: runs one game folder.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "assets/game_folder.h"
#include "core/command_line.h"
#include "core/engine.h"
#include "core/stdout_console.h"
#include "core/title_choice.h"
#include "core/transcript.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/scripted_events.h"
#include "util/build_config.h"
#include "util/sjis.h"

namespace {

using namespace tsuzuri;

constexpr int kStartFailure = 1;

assets::GameFolder chooseGameFolder(const std::optional<std::string>& argument) {
  if (argument) return assets::GameFolder::fromDirectory(*argument);
  if (const auto exe = platform::executablePath()) {
    assets::GameFolder beside = assets::GameFolder::containing(*exe);
    if (platform::findFile(beside.native, "script.dat")) return beside;
  }
  return assets::GameFolder::fromDirectory(".");
}

// Says something on standard error; there is nowhere to report a failure.
void say(const std::string& text) {
  static_cast<void>(std::fputs(text.c_str(), stderr));
}

struct FileCloser {
  void operator()(std::FILE* file) const noexcept {
    if (file != stdout) static_cast<void>(std::fclose(file));
  }
};

int run(const core::CommandLine& line) {
  // The input file is named from where the run was started, so it is read
  // before the game folder is entered; a file that cannot be played as
  // written stops the run before anything starts.
  std::optional<std::vector<platform::ScriptedMessage>> input;
  if (line.input) {
    std::string error;
    input = platform::readInputScript(*line.input, error);
    if (!input) {
      say("tsuzuri: " + error + "\n");
      return kStartFailure;
    }
  }

  const assets::GameFolder folder = chooseGameFolder(line.gameDirectory);
  if (!platform::changeCurrentDirectory(folder.native)) {
    say("tsuzuri: the game folder " + folder.native + " cannot be entered\n");
    return kStartFailure;
  }

  std::unique_ptr<std::FILE, FileCloser> transcript;
  if (line.transcript) {
    transcript.reset(*line.transcript == "-" ? stdout : std::fopen(line.transcript->c_str(), "wb"));
    if (!transcript) {
      say("tsuzuri: the transcript " + *line.transcript + " cannot be written\n");
      return kStartFailure;
    }
  }

  std::unique_ptr<platform::Platform> host;
  if (!line.headless) {
    host = platform::createSdlPlatform();
    if (!host) say("tsuzuri: running headless instead\n");
  }
  if (!host) {
    platform::HeadlessOptions options;
    options.virtualClock = line.virtualClock;
    if (line.audioCapture) options.audioCapture = *line.audioCapture;
    host = platform::createHeadlessPlatform(options);
  }

  const core::TitleChoice title = core::chooseTitle(folder, line.title, line.titleKey,
                                                    util::utf8ToSjis(util::kDefaultTitleUtf8));
  if (title.notice) say("tsuzuri: " + *title.notice + "\n");

  core::EngineOptions options;
  options.titleKey = title.key;
  options.title = title.title;
  options.maxTime = line.maxTime;
  options.framesDirectory = line.framesDirectory;
  options.screenshot = line.screenshot;
  options.input = std::move(input);
  options.autoClick = line.autoClick;
  if (line.virtualClock) {
    options.realTimeLimit = line.maxTime;
    // The virtual clock's calendar starts at 0 as well: a run on it draws
    // the same random numbers every time.
    options.randomSeed = 0;
  }
  core::StdoutConsole console;
  core::Transcript lines(transcript.get());
  if (transcript) {
    options.transcript = [&lines](std::string_view speaker, std::string_view text) {
      lines.write(speaker, text);
    };
  }
  core::Engine engine(*host, folder, options, console);
  const core::RunResult result = engine.run();
  static_cast<void>(std::fflush(stdout));
  std::string audioError;
  const bool audioWritten = host->audio().finish(audioError);
  if (!audioWritten) say("tsuzuri: " + audioError + "\n");
  if (!result.started) return kStartFailure;
  // An unattended run whose recording is missing has not done its job.
  if (!audioWritten && result.exitCode == 0) return kStartFailure;
  if (!result.captureError.empty()) {
    say("tsuzuri: " + result.captureError + "\n");
    // An unattended run whose picture is missing has not done its job.
    if (result.exitCode == 0) return kStartFailure;
  }
  if (result.outOfRealTime) {
    say("tsuzuri: the run was ended after " + std::to_string(*line.maxTime) +
        " ms of real time; its clock had not got there, since the game never waited\n");
  }
  return static_cast<int>(result.exitCode);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string error;
  const auto line = core::parseCommandLine(arguments, error);
  if (!line) {
    say("tsuzuri: " + error + "\n" + core::kUsage);
    return 2;
  }
  if (line->help) {
    static_cast<void>(std::fputs(core::kUsage, stdout));
    return 0;
  }
  if (line->version) {
    static_cast<void>(std::printf("tsuzuri %s\n", util::kVersion));
    return 0;
  }
  return run(*line);
}
