#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "script/error_sink.h"
#include "shell/cursor_mover.h"
#include "shell/display_settings.h"
#include "shell/event_wait.h"
#include "shell/main_window.h"

namespace tsuzuri::shell {

// What the system commands use, wired at start-up.
struct SystemCommandServices {
  platform::Platform& platform;  // the clock, the input and the window
  platform::MessagePump& pump;
  MainWindow& window;
  DisplaySettings& display;
  script::ErrorSink& errors;
  // The game folder (native, ending in "/"): shellExecute opens relative
  // file names found there.
  std::string gameFolder;
  // The clock at the end of start-up.
  std::function<std::uint32_t()> startTime;
  // Sets the interpreter's end flag: the run stops.
  std::function<void()> endRun;
};

// The small system commands: the clock, the calendar, raw key state, the
// mouse cursor, the clipboard, the desktop's opener and a plain wait.
class SystemCommands final : public CursorControl {
 public:
  explicit SystemCommands(SystemCommandServices services) : s_(std::move(services)) {}

  void registerWith(commands::CommandRegistry& registry);

  // The cursor as the event waits move it (game-screen pixels); a move
  // first lets a running one end.
  Point position() override;
  bool moving() override;
  void moveTo(Point target, std::int32_t speed) override;
  void show(bool on) override;

  // One step of an animated cursor move (setCursorPos with a speed): places
  // the cursor where the move has got to. The engine's message pumps call
  // it; it does nothing when no move runs.
  void advanceCursorMove();
  const CursorMover& cursorMover() const { return mover_; }

  // The calendar time that getLocalTime reads (the system's by default).
  void setCalendar(std::function<std::time_t()> now) { calendar_ = std::move(now); }

  // The day of the week (0 Sunday … 6 Saturday) of a date, with months and
  // days outside their ranges carried over as the C library's local-time
  // normalisation does (month 13 is January of the next year, day 0 the
  // last day of the month before). Dates the C library cannot represent
  // follow the same Gregorian calendar.
  static std::int32_t weekday(std::int32_t year, std::int32_t month, std::int32_t day);

  void timeGetTime(commands::CommandContext& c);
  void getTimer(commands::CommandContext& c);
  void getLocalTime(commands::CommandContext& c);
  void getWeek(commands::CommandContext& c);
  void getPushKey(commands::CommandContext& c);
  void getCursorPos(commands::CommandContext& c);
  void setCursorPos(commands::CommandContext& c);
  void setClipboard(commands::CommandContext& c);
  void shellExecute(commands::CommandContext& c);
  void sleep(commands::CommandContext& c);
  void systemMessage(commands::CommandContext& c);

 private:
  // Lets a running cursor move play to its end (on its target).
  void finishCursorMove();
  // Blocks for `milliseconds`, moving the cursor on while a move runs.
  void wait(std::uint32_t milliseconds);
  // The client point for a game-screen point, or the middle of the work
  // area when the window is off the desktop.
  Point cursorTarget(Point game) const;
  // What the desktop is asked to open for a script's file name.
  std::string openTarget(std::string_view name) const;

  SystemCommandServices s_;
  CursorMover mover_;
  std::function<std::time_t()> calendar_ = [] { return std::time(nullptr); };
};

}  // namespace tsuzuri::shell
