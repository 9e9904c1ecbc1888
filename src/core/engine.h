#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "assets/archive_directory.h"
#include "assets/file_access.h"
#include "assets/game_folder.h"
#include "assets/image_cache.h"
#include "commands/command_registry.h"
#include "commands/error_reporter.h"
#include "commands/file_commands.h"
#include "core/auto_click.h"
#include "core/frame_capture.h"
#include "persist/already_read.h"
#include "persist/already_read_commands.h"
#include "persist/persistence.h"
#include "persist/save_commands.h"
#include "persist/save_location.h"
#include "persist/save_state.h"
#include "persist/settings.h"
#include "persist/settings_commands.h"
#include "persist/settings_file.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "platform/scripted_events.h"
#include "render/draw_commands.h"
#include "render/gpu_device.h"
#include "render/renderer.h"
#include "scene/scene.h"
#include "scene/screenshot.h"
#include "scene/screenshot_commands.h"
#include "script/builtin_state.h"
#include "script/console.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/native_commands.h"
#include "script/script_container.h"
#include "script/script_tables.h"
#include "script/variables.h"
#include "shell/event_wait.h"
#include "shell/event_wait_commands.h"
#include "shell/main_window.h"
#include "shell/system_commands.h"
#include "shell/window_commands.h"
#include "sound/sound_commands.h"
#include "sound/sound_system.h"
#include "text/backlog_commands.h"
#include "text/font_commands.h"
#include "text/message_commands.h"
#include "text/message_window.h"
#include "text/text_sprites.h"
#include "text/tooltip.h"

namespace tsuzuri::core {

struct EngineOptions {
  // The key of the game's title, which script.dat is scrambled with.
  std::uint32_t titleKey = 0;
  // The game's title (Shift_JIS): the window's name.
  std::string title;
  // End the run as a quit does once the clock passes this (milliseconds).
  std::optional<std::uint32_t> maxTime;
  // Also end it once this much real time has passed (milliseconds): with a
  // virtual clock, a game that never waits would otherwise never end.
  std::optional<std::uint32_t> realTimeLimit;
  // The seed of rand's generator; the calendar time in seconds when not
  // given. Deterministic runs give one.
  std::optional<std::uint32_t> randomSeed;
  // The documents folder that a save location under the documents folder
  // uses (native); the user's own when not given.
  std::optional<std::string> documentsFolder;
  // Where the frames shown are written (one PNG per changed frame), and the
  // screenshot of the last frame written when the run ends.
  std::optional<std::string> framesDirectory;
  std::optional<std::string> screenshot;
  // Scripted input, delivered at the clock times it names, and the pause
  // after which an event wait presses Return by itself (unattended runs).
  std::optional<std::vector<platform::ScriptedMessage>> input;
  std::optional<std::uint32_t> autoClick;
  // Receives every message line shown (Shift_JIS) with its speaker.
  std::function<void(std::string_view speaker, std::string_view text)> transcript;
  // The graphics device for the game's window; OpenGL when not given.
  std::function<std::unique_ptr<render::GpuDevice>(platform::Window&, std::string&)> deviceFactory;
};

// How a run ended.
struct RunResult {
  bool started = false;  // false: start-up failed (already reported)
  std::uint32_t exitCode = 0;
  // The real-time limit ended the run.
  bool outOfRealTime = false;
  // Why the screenshot asked for could not be written; empty when it was.
  std::string captureError;
  std::uint32_t framesWritten = 0;
};

// The whole engine for one run of one game: every subsystem's object, wired
// at construction. Nothing is global, so tests make one, run it and throw it
// away. The platform and the console are the caller's.
class Engine {
 public:
  Engine(platform::Platform& platform, assets::GameFolder folder, EngineOptions options,
         script::Console& console);
  ~Engine();

  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Start-up, the scripts until they end, then teardown. Runs once.
  RunResult run();

  script::Interpreter& interpreter() { return interpreter_; }
  // The system commands; a tool may add its own before the run.
  commands::CommandRegistry& registry() { return registry_; }
  commands::ErrorReporter& errors() { return errors_; }
  persist::Settings& settings() { return settings_; }
  persist::Persistence& persistence() { return persistence_; }
  render::Renderer& renderer() { return renderer_; }
  shell::MainWindow& mainWindow() { return mainWindow_; }
  scene::Scene& scene() { return scene_; }
  text::MessageWindow& messageWindow() { return messageWindow_; }
  sound::SoundSystem& sound() { return sound_; }
  persist::SaveState& saveState() { return saveState_; }
  persist::SaveCommands& saveCommands() { return saveCommands_; }

 private:
  bool startUp();
  void tearDown();
  // Whether a time limit has been reached; asked between statements.
  bool timeIsUp();
  shell::WindowServices windowServices();
  sound::SoundServices soundServices();

  platform::Platform& platform_;
  assets::GameFolder folder_;
  EngineOptions options_;
  script::Console& console_;

  // The platform's events, behind the scripted input when there is some.
  std::optional<platform::ScriptedEvents> scripted_;
  platform::Events& events_;
  platform::MessagePump pump_;
  script::ScriptTables tables_;
  script::Interpreter interpreter_;
  commands::ErrorReporter errors_;
  script::Variables variables_;
  script::Expression expression_;
  script::NativeCommandTable commandTable_;
  commands::CommandRegistry registry_;
  assets::ArchiveDirectory archives_;
  assets::FileAccess files_;
  script::BuiltinState builtinState_;
  script::ScriptContainer container_;
  persist::Settings settings_;
  persist::SettingsFile settingsFile_;
  persist::SaveLocation saveLocation_;
  persist::Persistence persistence_;
  persist::SettingsCommands settingsCommands_;
  assets::ImageCache imageCache_;
  assets::ImageLoader imageLoader_;
  render::Renderer renderer_;
  render::DrawCommands drawCommands_;
  scene::Scene scene_;
  text::TextSprites textSprites_;
  text::FontCommands fontCommands_;
  text::MessageWindow messageWindow_;
  text::MessageCommands messageCommands_;
  text::BacklogCommands backlogCommands_;
  commands::FileCommands fileCommands_;
  shell::MainWindow mainWindow_;
  shell::WindowCommands windowCommands_;
  shell::SystemCommands systemCommands_;
  text::Tooltip tooltip_;
  shell::EventWait eventWait_;
  shell::EventWaitCommands eventWaitCommands_;
  sound::SoundSystem sound_;
  sound::SoundCommands soundCommands_;
  persist::AlreadyReadFile alreadyReadFile_;
  persist::AlreadyReadCommands alreadyReadCommands_;
  scene::Screenshot screenshot_;
  scene::ScreenshotCommands screenshotCommands_;
  persist::SaveState saveState_;
  persist::SaveCommands saveCommands_;
  std::optional<AutoClick> autoClick_;
  FrameCapture frameCapture_;
  std::uint32_t startTime_ = 0;
  std::chrono::steady_clock::time_point realStart_;
  bool outOfRealTime_ = false;
  std::string captureError_;
  bool ran_ = false;
};

}  // namespace tsuzuri::core
