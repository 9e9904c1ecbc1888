#pragma once

// The pieces of the SDL platform, declared here so that the window code
// can join them (a parent for the boxes, window events for the queue).

#include <SDL.h>

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>

#include "platform/headless/headless_platform.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_window.h"
#include "platform/single_instance.h"

namespace tsuzuri::platform {

// Ends SDL when destroyed. It adopts an SDL_Init that has succeeded, and is
// the first member of SdlPlatform so that whatever else was made with SDL is
// gone before SDL_Quit runs.
class SdlSession {
 public:
  SdlSession() = default;
  SdlSession(const SdlSession&) = delete;
  SdlSession& operator=(const SdlSession&) = delete;
  ~SdlSession() { SDL_Quit(); }
};

class SdlClock final : public Clock {
 public:
  std::uint32_t now() override { return SDL_GetTicks(); }
  void sleep(std::uint32_t milliseconds) override { SDL_Delay(milliseconds); }
};

// The SDL keys a virtual-key code stands for: two for the codes of either
// Shift, Control or Alt key and for Return (the main and the keypad key),
// one for most, none (SDLK_UNKNOWN) for codes without a key here.
struct KeyPair {
  SDL_Keycode first = SDLK_UNKNOWN;
  SDL_Keycode second = SDLK_UNKNOWN;
};
KeyPair keysOf(std::uint32_t virtualKey);
// The virtual-key code of an SDL key (0 for keys without one): the other
// way through the same table.
std::uint32_t virtualKeyOf(SDL_Keycode key);

// Key and mouse state read from SDL as it is now, not as the messages
// fetched so far leave it, like the asynchronous key state of Windows.
class SdlInput final : public Input {
 public:
  void keepAwake(bool on) override;
  // The window the cursor is placed in; null for none. Not owned.
  void setWindow(SdlWindow* window) { window_ = window; }

  bool keyDown(std::uint32_t virtualKey) override;
  void cursor(std::int32_t& x, std::int32_t& y) override;
  void warpCursor(std::int32_t x, std::int32_t y) override;
  bool setClipboard(std::string_view utf8) override;
  std::int32_t openWithDesktop(std::string_view target, std::string_view parameters) override;
  std::int32_t wheelScrollLines() override { return 3; }

 private:
  SdlWindow* window_ = nullptr;
};

// SDL message boxes with UTF-8 texts. Where SDL cannot show one (no display,
// no message box system), the box goes to standard error as in a headless
// run and questions take their default answer.
class SdlDialogs final : public Dialogs {
 public:
  SdlDialogs() : fallback_(stderr) {}

  // The window the boxes are modal to; null for none. Not owned.
  void setParent(SDL_Window* window) { parent_ = window; }

  void showError(std::string_view text) override;
  bool ask(std::string_view title, std::string_view text, bool defaultYes) override;
  void inform(std::string_view title, std::string_view text) override;
  int choose(std::string_view title, std::string_view text, std::span<const std::string> choices,
             int defaultChoice, int cancelChoice) override;

 private:
  bool showSimple(std::uint32_t flags, const std::string& title, const std::string& text);

  SDL_Window* parent_ = nullptr;
  LogDialogs fallback_;
};

// Fills `record` for an SDL event the engine has a message for; false for
// an event it ignores.
bool translateEvent(const SDL_Event& event, MessageRecord& record);

// Messages the engine posted itself come first, then SDL's events in the
// engine's message record. A request of a second run to come forward is
// handled here, as the window system would.
class SdlEvents final : public Events {
 public:
  SdlEvents(Clock& clock, SingleInstance& instance) : clock_(clock), instance_(instance) {}

  void setWindow(SdlWindow* window) { window_ = window; }
  // The sound card that follows the devices coming and going; not owned.
  void setAudio(SdlAudio* audio) { audio_ = audio; }

  bool fetch(MessageRecord& record) override;
  void postQuit(std::uint32_t exitCode) override;
  void post(MessageRecord message) override { posted_.push_back(std::move(message)); }

 private:
  Clock& clock_;
  SingleInstance& instance_;
  SdlWindow* window_ = nullptr;
  SdlAudio* audio_ = nullptr;
  std::deque<MessageRecord> posted_;
};

class SdlPlatform final : public Platform {
 public:
  SdlPlatform() : events_(clock_, instance_) { events_.setAudio(&audio_); }
  ~SdlPlatform() override;

  Clock& clock() override { return clock_; }
  Dialogs& dialogs() override { return dialogs_; }
  Events& events() override { return events_; }
  Input& input() override { return input_; }
  AudioOut& audio() override { return audio_; }
  bool interactive() const override { return true; }
  Window* openWindow(std::string_view title, std::string& error) override;
  Window* window() override { return window_.get(); }
  bool claimInstance(std::string_view key) override { return instance_.claim(key); }

 private:
  SdlSession session_;  // first: destroyed last
  SdlClock clock_;
  SdlDialogs dialogs_;
  SingleInstance instance_;
  SdlEvents events_;
  SdlInput input_;
  SdlAudio audio_;
  std::unique_ptr<SdlWindow> window_;
};

}  // namespace tsuzuri::platform
