#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <thread>
#include <utility>

#include "platform/desktop_open.h"
#include "platform/headless/null_window.h"
#include "platform/headless/paced_audio.h"
#include "platform/sdl/sdl_window.h"
#include "util/sjis.h"

namespace tsuzuri::platform {

std::string boxText(std::string_view sjis) {
  const std::string utf8 = util::sjisToUtf8(sjis);
  std::string text;
  text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\0') continue;
    if (c == '\r') {
      // A lone CR would send a terminal back over the line it ends.
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
      text.push_back('\n');
      continue;
    }
    text.push_back(c);
  }
  return text;
}

namespace {

// "[title] text", or the text alone when the box has no title.
std::string boxLine(std::string_view title, std::string_view text) {
  std::string line;
  if (!title.empty()) {
    line = "[" + boxText(title) + "] ";
  }
  line += boxText(text);
  return line;
}

}  // namespace

void LogDialogs::write(std::string line) {
  line.push_back('\n');
  static_cast<void>(std::fwrite(line.data(), 1, line.size(), log_));
  // The run may end badly right after its last box; the text must be out by then.
  static_cast<void>(std::fflush(log_));
}

void LogDialogs::showError(std::string_view text) {
  write(boxText(text));
}

bool LogDialogs::ask(std::string_view title, std::string_view text, bool defaultYes) {
  write(boxLine(title, text) + (defaultYes ? " -> yes (default)" : " -> no (default)"));
  return defaultYes;
}

void LogDialogs::inform(std::string_view title, std::string_view text) {
  write(boxLine(title, text));
}

int LogDialogs::choose(std::string_view title, std::string_view text,
                       std::span<const std::string> choices, int defaultChoice,
                       int /*cancelChoice*/) {
  std::string line = boxLine(title, text);
  // The offered choices are listed so that a log reader sees what was skipped.
  line += " (";
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (i > 0) line += " / ";
    line += boxText(choices[i]);
  }
  line += ") -> ";
  if (defaultChoice >= 0 && static_cast<std::size_t>(defaultChoice) < choices.size()) {
    line += boxText(choices[static_cast<std::size_t>(defaultChoice)]);
  } else {
    line += std::to_string(defaultChoice);
  }
  write(line + " (default)");
  return defaultChoice;
}

namespace {

class RealClock final : public Clock {
 public:
  std::uint32_t now() override {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    // Truncating to 32 bits is the wrap the engine's clock is defined with.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(elapsed.count()));
  }

  void sleep(std::uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(PacedAudio& audio) : audio_(audio) {}

  // Unsigned arithmetic: past 2^32 - 1 the clock wraps to 0 as the real one does.
  std::uint32_t now() override { return static_cast<std::uint32_t>(elapsed_); }
  // Time passes in steps of at most 10 ms, each heard by the sound card, so
  // that sounds move with the clock as they would in real time.
  void sleep(std::uint32_t milliseconds) override {
    if (audio_.idle()) {
      elapsed_ += milliseconds;
      audio_.advanceTo(elapsed_);
      return;
    }
    while (milliseconds > 0) {
      const std::uint32_t step = std::min<std::uint32_t>(milliseconds, 10);
      elapsed_ += step;
      milliseconds -= step;
      audio_.advanceTo(elapsed_);
    }
  }
  // A script reading the clock takes a little time, as it would on a machine.
  void busyRead() override { sleep(1); }

 private:
  PacedAudio& audio_;
  std::uint64_t elapsed_ = 0;
};

// Input as the messages handed out so far leave it: a key is down from its
// key-down message to its key-up message, and the cursor is where the last
// mouse message put it (or where the engine warped it since).
class HeadlessInput final : public Input {
 public:
  // Follows one message as it leaves the queue.
  void track(const MessageRecord& message) {
    switch (message.code) {
      case kMessageKeyDown:
      case kMessageSysKeyDown:
        setKey(message.wparam, true);
        break;
      case kMessageKeyUp:
      case kMessageSysKeyUp:
        setKey(message.wparam, false);
        break;
      case kMessageLeftDown:
      case kMessageLeftUp:
        moveTo(message);
        setKey(kButtonLeft, message.code == kMessageLeftDown);
        break;
      case kMessageRightDown:
      case kMessageRightUp:
        moveTo(message);
        setKey(kButtonRight, message.code == kMessageRightDown);
        break;
      case kMessageMiddleDown:
      case kMessageMiddleUp:
        moveTo(message);
        setKey(kButtonMiddle, message.code == kMessageMiddleDown);
        break;
      case kMessageMouseMove:
      case kMessageWheel:
        moveTo(message);
        break;
      default:
        break;
    }
  }

  bool keyDown(std::uint32_t virtualKey) override {
    return virtualKey < down_.size() && down_[virtualKey];
  }
  void cursor(std::int32_t& x, std::int32_t& y) override {
    x = x_;
    y = y_;
  }
  void warpCursor(std::int32_t x, std::int32_t y) override {
    x_ = x;
    y_ = y;
  }
  bool setClipboard(std::string_view utf8) override {
    clipboard_.assign(utf8);
    return true;
  }
  // A headless run starts no program on the machine it runs on.
  std::int32_t openWithDesktop(std::string_view /*target*/,
                               std::string_view /*parameters*/) override {
    return kOpenNoAssociation;
  }
  std::int32_t wheelScrollLines() override { return 3; }

 private:
  static constexpr std::uint32_t kButtonLeft = 0x01;
  static constexpr std::uint32_t kButtonRight = 0x02;
  static constexpr std::uint32_t kButtonMiddle = 0x04;

  void setKey(std::uint32_t virtualKey, bool down) {
    if (virtualKey < down_.size()) down_[virtualKey] = down;
  }
  void moveTo(const MessageRecord& message) {
    x_ = message.x;
    y_ = message.y;
  }

  std::array<bool, 256> down_{};
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
  std::string clipboard_;
};

class QueueEvents final : public Events {
 public:
  QueueEvents(Clock& clock, HeadlessInput& input) : clock_(clock), input_(input) {}

  bool fetch(MessageRecord& record) override {
    if (queue_.empty()) return false;
    record = queue_.front();
    queue_.pop_front();
    record.time = clock_.now();
    input_.track(record);
    return true;
  }

  void postQuit(std::uint32_t exitCode) override {
    MessageRecord message;
    message.code = kMessageQuit;
    message.wparam = exitCode;
    queue_.push_back(message);
  }

  void post(MessageRecord message) override { queue_.push_back(std::move(message)); }

 private:
  Clock& clock_;
  HeadlessInput& input_;
  std::deque<MessageRecord> queue_;
};

class HeadlessPlatform final : public Platform {
 public:
  explicit HeadlessPlatform(const HeadlessOptions& options)
      : audio_(!options.virtualClock, options.audioCapture),
        clock_(options.virtualClock ? std::unique_ptr<Clock>(std::make_unique<VirtualClock>(audio_))
                                    : std::make_unique<RealClock>()),
        dialogs_(options.log != nullptr ? options.log : stderr),
        events_(*clock_, input_) {}

  ~HeadlessPlatform() override {
    if (window_) {
      window_.reset();
      SDL_Quit();
    }
  }

  Clock& clock() override { return *clock_; }
  Dialogs& dialogs() override { return dialogs_; }
  Events& events() override { return events_; }
  Input& input() override { return input_; }
  AudioOut& audio() override { return audio_; }
  bool interactive() const override { return false; }

  // The window lives on SDL's offscreen driver: the renderer draws as on a
  // desktop and frames can be read back, with no display server.
  // Where even that cannot be had, the window keeps its state only and the
  // run goes on without pictures.
  Window* openWindow(std::string_view title, std::string& error) override {
    if (window()) return window();
    if (!fallback_) window_ = SdlWindow::open(title, true, error);
    if (!window_) {
      static_cast<void>(
          std::fprintf(dialogs_.log(),
                       "tsuzuri: no OpenGL for the offscreen window (%s); frames are not drawn\n",
                       error.c_str()));
      fallback_ = std::make_unique<NullWindow>();
    }
    return window();
  }
  Window* window() override {
    return window_ ? static_cast<Window*>(window_.get()) : fallback_.get();
  }
  // Headless runs show nothing, so any number may run side by side.
  bool claimInstance(std::string_view /*key*/) override { return true; }

 private:
  PacedAudio audio_;  // before clock_, which moves it
  std::unique_ptr<Clock> clock_;
  LogDialogs dialogs_;
  HeadlessInput input_;
  QueueEvents events_;  // after clock_ and input_, which it stamps and updates
  std::unique_ptr<SdlWindow> window_;
  std::unique_ptr<NullWindow> fallback_;
};

}  // namespace

std::unique_ptr<Platform> createHeadlessPlatform(const HeadlessOptions& options) {
  return std::make_unique<HeadlessPlatform>(options);
}

}  // namespace tsuzuri::platform
