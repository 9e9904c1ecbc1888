#pragma once

// Scripted input for unattended runs: a text file of timed events (clicks,
// keys, the wheel, dropped files, a close request) read before the run, and
// an Events queue that hands them to the engine as the clock reaches them.
//
// One event a line, `TIME VERB ARGS`, TIME in clock milliseconds:
//
//   500   click 320 240     # left press and release at a game-screen pixel
//   900   key Return
//   1200  drop saves/one.dat
//
// A `#` at the start of a line or after a space or tab starts a comment, so
// that a dropped path may still hold one inside a name.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tsuzuri::platform {

// One message of an input file, due from `time` on.
struct ScriptedMessage {
  std::uint32_t time = 0;
  // x and y hold the cursor in game-screen pixels: where a mouse event
  // happens, and for every other event where the last one left it (as a
  // window message carries the cursor whatever it reports).
  MessageRecord message;
};

// The Windows virtual-key code of a key name of the input file (Return,
// Escape, Space, the arrows, Control, Shift, Tab, Backspace, Delete, Home,
// End, PageUp, PageDown, F1–F12, A–Z, 0–9), in any case; nothing for other names.
std::optional<std::uint32_t> virtualKeyFromName(std::string_view name);

// The messages of an input file's text in the order they are delivered.
// Nothing, with `error` set to "FILE:LINE: what is wrong", when a line
// cannot be understood. `fileName` only names the file in errors.
std::optional<std::vector<ScriptedMessage>> parseInputScript(std::string_view text,
                                                             std::string_view fileName,
                                                             std::string& error);

// Reads and parses an input file (a native path); an unreadable file is an
// error as well.
std::optional<std::vector<ScriptedMessage>> readInputScript(const std::string& path,
                                                            std::string& error);

// The engine's message queue with an input script in front of it: every
// fetch first queues, behind what already waits, each scripted message whose
// time the clock has reached, so an event is delivered at the first fetch at
// or after its time. Everything else goes to the queue it wraps.
class ScriptedEvents final : public Events {
 public:
  // Turns game-screen pixels into the window's client pixels, which the
  // window's current scaling decides.
  using PositionMapper = std::function<void(std::int32_t& x, std::int32_t& y)>;

  // `inner` and `clock` must outlive this object.
  ScriptedEvents(Events& inner, Clock& clock, std::vector<ScriptedMessage> script);

  // The mapping applied as each message is delivered; none keeps the game's pixels.
  void setPositionMapper(PositionMapper mapper) { mapper_ = std::move(mapper); }

  bool fetch(MessageRecord& record) override;
  void postQuit(std::uint32_t exitCode) override { inner_.postQuit(exitCode); }
  void post(MessageRecord message) override { inner_.post(std::move(message)); }

 private:
  Events& inner_;
  Clock& clock_;
  std::vector<ScriptedMessage> script_;
  std::size_t next_ = 0;
  PositionMapper mapper_;
};

}  // namespace tsuzuri::platform
