#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/message_pump.h"
#include "platform/platform.h"
#include "scene/buttons.h"
#include "scene/composition.h"
#include "shell/display_layout.h"
#include "shell/display_settings.h"
#include "shell/main_window.h"
#include "text/message_window.h"

namespace tsuzuri::shell {

// What one poll reports: a button (or a pseudo-button of a window event),
// a code and a state, and the dropped file for the variants that take it.
struct PollResult {
  std::int32_t button = 256;
  std::int32_t code = 256;
  std::int32_t state = 256;
  std::string text;
  friend bool operator==(const PollResult&, const PollResult&) = default;
};

// Results of the poll that are not buttons.
inline constexpr std::int32_t kNothing = 256;
inline constexpr std::int32_t kModeEvent = 257;
inline constexpr std::int32_t kDisplayModeEvent = 258;
inline constexpr std::int32_t kDropEvent = 259;
inline constexpr std::int32_t kAutoAdvance = 260;
inline constexpr std::int32_t kCloseEvent = 261;

// The mouse cursor as the poll moves and reads it, in game-screen pixels.
class CursorControl {
 public:
  virtual ~CursorControl() = default;
  virtual Point position() = 0;
  // Whether an animated move is under way.
  virtual bool moving() = 0;
  // Moves the cursor, at once for speed 0.
  virtual void moveTo(Point target, std::int32_t speed) = 0;
  virtual void show(bool on) = 0;
};

// The event waits' poll: hover over the buttons, one window message turned
// into a result, else the first pending event (a mode change, a close
// request, skip's automatic advance, auto mode's deadline). It returns at
// once; scripts call it once a frame.
class EventWait {
 public:
  struct Services {
    platform::MessagePump& pump;
    platform::Clock& clock;
    MainWindow& window;
    scene::ButtonTable& buttons;
    scene::Composer& composer;
    text::MessageWindow& messages;
    DisplaySettings& display;
    CursorControl& cursor;
    platform::Input& input;  // the middle button's state
    // The quit message arrived: the run ends.
    std::function<void()> endRun;
  };
  explicit EventWait(Services services) : s_(std::move(services)) {}

  PollResult poll(bool passThrough);

  // 120 / the system's wheel lines: how much wheel makes one step.
  void setWheelStep(std::int32_t step) { wheelStep_ = step; }
  // Shows the tooltip of a button (null: hides it).
  void setTooltip(std::function<void(const scene::ButtonRecord*)> tooltip) {
    tooltip_ = std::move(tooltip);
  }
  // Told of every poll and whether it reported anything (unattended runs
  // press Return when a wait has lasted long enough).
  void setPollObserver(std::function<void(std::uint32_t now, bool happened)> observer) {
    observer_ = std::move(observer);
  }

  // One message as the poll reads it; false when it gives no result.
  bool translate(const platform::MessageRecord& message, bool passThrough, PollResult& out);
  // The first pending event, or nothing.
  PollResult pending(bool passThrough);

 private:
  bool active() const { return (s_.window.systemFlags() & 2U) != 0; }
  std::int32_t focused() const { return s_.buttons.focused; }
  // The Enter and left-button releases end a click: focus goes, and skip
  // takes effect again when skip mode is on.
  void endClick();
  std::optional<PollResult> hover();
  void hideIdleCursor(Point at, std::uint32_t now);
  bool arrowKey(std::uint32_t key, PollResult& out);
  void showTooltip(const scene::ButtonRecord* button);

  Services s_;
  std::int32_t wheelStep_ = 40;
  std::int32_t wheel_ = 0;
  bool autoToggle_ = false;
  std::optional<bool> awake_;  // the PowerSaver state last applied
  Point lastCursor_{-1, -1};
  std::uint32_t lastMove_ = 0;
  bool cursorHidden_ = false;
  std::function<void(const scene::ButtonRecord*)> tooltip_;
  std::function<void(std::uint32_t, bool)> observer_;
};

}  // namespace tsuzuri::shell
