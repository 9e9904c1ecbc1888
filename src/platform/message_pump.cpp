#include "platform/message_pump.h"

namespace tsuzuri::platform {

bool MessagePump::pastDeadline() {
  // The clock is a wrapping 32-bit count; a deadline is only ever set for
  // runs far shorter than its 49-day period.
  return deadline_ && clock_.now() >= *deadline_;
}

bool MessagePump::pumpOne() {
  took_ = false;
  handled_ = false;
  if (idle_) idle_();
  if (pastDeadline()) {
    record_ = MessageRecord{kMessageQuit, 0, 0, clock_.now(), record_.x, record_.y, {}};
    quitSeen_ = true;
    return false;
  }
  MessageRecord message;
  if (!events_.fetch(message)) return true;
  took_ = true;
  record_ = message;
  if (message.code == kMessageQuit) {
    quitSeen_ = true;
    return false;
  }
  if (dispatcher_ && dispatcher_(message)) {
    handled_ = true;
    return true;
  }
  if (message.code == kMessageClose) events_.postQuit(0);
  return true;
}

}  // namespace tsuzuri::platform
