#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/platform.h"

namespace tsuzuri::platform {

// The engine's one message record and the pump every waiting loop calls.
// The record lives for the whole run; when the run ends, the wparam of the
// last message fetched (the quit message's exit code) is the exit status.
class MessagePump {
 public:
  MessagePump(Events& events, Clock& clock) : events_(events), clock_(clock) {}

  // Takes one waiting message, if any, and handles it. Returns false only
  // for the quit message (the caller then sets the end flag and returns).
  bool pumpOne();

  // Window logic that handles a message instead of the default (which turns
  // a close request into the quit message); it returns true when it took
  // the message.
  void setDispatcher(std::function<bool(const MessageRecord&)> dispatcher) {
    dispatcher_ = std::move(dispatcher);
  }

  // Called at every pump, before the message is fetched (an animated
  // cursor move steps on).
  void setIdle(std::function<void()> idle) { idle_ = std::move(idle); }

  // Ends the run as the quit message does once the clock passes `deadline`.
  void setDeadline(std::uint32_t deadline) { deadline_ = deadline; }
  bool pastDeadline();

  const MessageRecord& record() const { return record_; }
  // Whether the last pumpOne took a message, and whether the window logic
  // handled it (otherwise it is input for the event waits).
  bool tookMessage() const { return took_; }
  bool handled() const { return handled_; }
  // Whether a quit message has been fetched.
  bool quitSeen() const { return quitSeen_; }

 private:
  Events& events_;
  Clock& clock_;
  MessageRecord record_;
  std::function<bool(const MessageRecord&)> dispatcher_;
  std::function<void()> idle_;
  std::optional<std::uint32_t> deadline_;
  bool quitSeen_ = false;
  bool took_ = false;
  bool handled_ = false;
};

}  // namespace tsuzuri::platform
