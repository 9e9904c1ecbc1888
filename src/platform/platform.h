#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/audio_out.h"
#include "platform/window.h"

namespace tsuzuri::platform {

// The message codes of the engine's message record. They keep the values of
// the Windows messages the scripts' world was built on, so that later input
// code can speak of them as the game's logic does.
inline constexpr std::uint32_t kMessageNone = 0x0000;
// wparam: 0 restored, 1 minimised, 2 maximised; lparam: width | height << 16.
inline constexpr std::uint32_t kMessageSize = 0x0005;
inline constexpr std::uint32_t kMessageActivate = 0x0006;  // wparam: 1 active, 0 inactive
inline constexpr std::uint32_t kMessagePaint = 0x000F;
inline constexpr std::uint32_t kMessageClose = 0x0010;  // the player closes the window
inline constexpr std::uint32_t kMessageQuit = 0x0012;   // the run must end; wparam = exit code
inline constexpr std::uint32_t kMessageDisplayChange = 0x007E;
// wparam: the virtual-key code. The system forms come while Alt is held.
inline constexpr std::uint32_t kMessageKeyDown = 0x0100;
inline constexpr std::uint32_t kMessageKeyUp = 0x0101;
inline constexpr std::uint32_t kMessageSysKeyDown = 0x0104;
inline constexpr std::uint32_t kMessageSysKeyUp = 0x0105;
inline constexpr std::uint32_t kMessageMouseMove = 0x0200;
inline constexpr std::uint32_t kMessageLeftDown = 0x0201;
inline constexpr std::uint32_t kMessageLeftUp = 0x0202;
inline constexpr std::uint32_t kMessageRightDown = 0x0204;
inline constexpr std::uint32_t kMessageRightUp = 0x0205;
inline constexpr std::uint32_t kMessageMiddleDown = 0x0207;
inline constexpr std::uint32_t kMessageMiddleUp = 0x0208;
// wparam: the wheel delta in its high word, 120 a notch, positive away
// from the player.
inline constexpr std::uint32_t kMessageWheel = 0x020A;
inline constexpr std::uint32_t kMessageDropFiles = 0x0233;  // text: the file's path

// Virtual-key codes the window logic itself looks at.
inline constexpr std::uint32_t kKeyTab = 0x09;
inline constexpr std::uint32_t kKeyReturn = 0x0D;
inline constexpr std::uint32_t kKeyShift = 0x10;
inline constexpr std::uint32_t kKeyControl = 0x11;
inline constexpr std::uint32_t kKeyAlt = 0x12;
inline constexpr std::uint32_t kKeyEscape = 0x1B;
inline constexpr std::uint32_t kKeyF10 = 0x79;

// One message: what every pump of the engine fetches into.
struct MessageRecord {
  std::uint32_t code = kMessageNone;
  std::uint32_t wparam = 0;
  std::int32_t lparam = 0;
  std::uint32_t time = 0;  // the millisecond clock when it was fetched
  std::int32_t x = 0;      // cursor position, client pixels
  std::int32_t y = 0;
  std::string text;  // Shift_JIS; the dropped file's path
};

// The millisecond clock (32 bits, wraps) and sleeping.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t now() = 0;
  virtual void sleep(std::uint32_t milliseconds) = 0;
  // Called by the script commands that hand the clock to a script. A clock
  // that moves only when the engine sleeps moves a little here, so that a
  // script polling the clock in a loop still sees time pass.
  virtual void busyRead() {}
};

// The engine's message boxes. Texts and titles are Shift_JIS; backends
// convert them at the edge. Every call returns only when the box is closed.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The "Error" box: error icon, topmost, OK.
  virtual void showError(std::string_view text) = 0;
  // A yes/no question; `defaultYes` is the answer when nobody can answer.
  virtual bool ask(std::string_view title, std::string_view text, bool defaultYes) = 0;
  // An information box with OK.
  virtual void inform(std::string_view title, std::string_view text) = 0;
  // A box with one button per choice; returns the index of the button
  // pressed. `defaultChoice` is the button the Return key presses and the
  // answer when nobody can answer; `cancelChoice` is what the Escape key and
  // closing the box give.
  virtual int choose(std::string_view title, std::string_view text,
                     std::span<const std::string> choices, int defaultChoice, int cancelChoice) = 0;
};

// The queue of messages from the window system.
class Events {
 public:
  virtual ~Events() = default;
  // Takes the next waiting message into `record`; false when none waits.
  virtual bool fetch(MessageRecord& record) = 0;
  // Queues the quit message with `exitCode` as its wparam.
  virtual void postQuit(std::uint32_t exitCode) = 0;
  // Queues a message behind those waiting, as if the player had made it
  // (scripted input, tests).
  virtual void post(MessageRecord message) = 0;
};

// The input state that scripts ask for directly, and the desktop services
// beside it.
class Input {
 public:
  virtual ~Input() = default;
  // Whether the key or mouse button with this virtual-key code (Windows
  // numbering, as in the key messages; 1, 2 and 4 are the left, right and
  // middle buttons) is held down now.
  virtual bool keyDown(std::uint32_t virtualKey) = 0;
  // The mouse position in client pixels of the game's window.
  virtual void cursor(std::int32_t& x, std::int32_t& y) = 0;
  // Moves the mouse to a point in client pixels of the game's window.
  virtual void warpCursor(std::int32_t x, std::int32_t y) = 0;
  // Puts plain text on the clipboard; false when it cannot be had.
  virtual bool setClipboard(std::string_view utf8) = 0;
  // Opens a file (native path) or URL with the desktop's opener, without
  // waiting for it. Returns a code as the Windows shell does: above 32 when
  // the opener started, 2 when a local file is missing, 31 when there is no
  // opener.
  virtual std::int32_t openWithDesktop(std::string_view target, std::string_view parameters) = 0;
  // The lines one notch of the mouse wheel scrolls.
  virtual std::int32_t wheelScrollLines() = 0;
  // Keeps the display from blanking and the system from sleeping while the
  // game runs (the PowerSaver setting), or lets them again.
  virtual void keepAwake(bool /*on*/) {}
};

// One platform: the services above, owned together.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual Clock& clock() = 0;
  virtual Dialogs& dialogs() = 0;
  virtual Events& events() = 0;
  virtual Input& input() = 0;
  virtual AudioOut& audio() = 0;
  // Whether a player can see boxes and windows (false when headless).
  virtual bool interactive() const = 0;

  // Opens the game's one window with its OpenGL 3.3 core context (current
  // on this thread), hidden until shown; the window already open when
  // there is one. Null, with `error` saying why, when it cannot be made.
  // The title is Shift_JIS.
  virtual Window* openWindow(std::string_view title, std::string& error) = 0;
  // The open window, or null.
  virtual Window* window() = 0;

  // One run per game: true when this run may go on; false when another run
  // holds `key` (a game folder) and has been asked to bring its window
  // forward. Runs that show nothing hold no key and always go on.
  virtual bool claimInstance(std::string_view key) = 0;
};

struct HeadlessOptions {
  // The clock starts at 0 and moves only when the engine sleeps, so a run
  // is deterministic and its waits take no real time.
  bool virtualClock = false;
  // Where the boxes are written; null means standard error. Not owned.
  std::FILE* log = nullptr;
  // Where the sound the game plays is recorded, as a 16-bit stereo 44100 Hz
  // WAV file whose first frame is the clock's 0; nothing when empty.
  std::string audioCapture = {};
};

// No window, no sound card, no boxes: every box goes to standard error
// as UTF-8, and questions take their default answer. The sound is mixed
// as on a desktop and consumed at the clock's pace.
std::unique_ptr<Platform> createHeadlessPlatform(const HeadlessOptions& options);

// The desktop platform through SDL2. Returns null (after saying why on
// standard error) when SDL cannot start.
std::unique_ptr<Platform> createSdlPlatform();

}  // namespace tsuzuri::platform
