#include "shell/event_wait.h"

namespace tsuzuri::shell {

namespace {

constexpr std::uint32_t kKeyLeft = 0x25;
constexpr std::uint32_t kKeyUp = 0x26;
constexpr std::uint32_t kKeyDown = 0x28;
constexpr std::int32_t kF10Code = 121;
constexpr std::uint32_t kMiddleButton = 0x04;  // its virtual-key code

PollResult result(std::int32_t button, std::int32_t code, std::int32_t state) {
  return PollResult{button, code, state, {}};
}

}  // namespace

void EventWait::endClick() {
  s_.buttons.focused = -1;
  text::MessageModes& modes = s_.messages.modes();
  modes.setSkipInEffect(modes.skip());
}

void EventWait::showTooltip(const scene::ButtonRecord* button) {
  if (tooltip_) tooltip_(button);
}

void EventWait::hideIdleCursor(Point at, std::uint32_t now) {
  if (at != lastCursor_) {
    lastCursor_ = at;
    lastMove_ = now;
    if (cursorHidden_) s_.cursor.show(true);
    cursorHidden_ = false;
    return;
  }
  const std::int32_t after = s_.display.cursorClear;
  if (after > 0 && !cursorHidden_ && now - lastMove_ >= static_cast<std::uint32_t>(after)) {
    s_.cursor.show(false);
    cursorHidden_ = true;
  }
}

std::optional<PollResult> EventWait::hover() {
  if (s_.cursor.moving()) return std::nullopt;
  const Point at = s_.cursor.position();
  hideIdleCursor(at, s_.clock.now());
  const std::int32_t hit = s_.buttons.hit(at.x, at.y, (s_.composer.windowVisibility() & 1) != 0);
  const std::int32_t was = focused();
  if (hit == was) return std::nullopt;
  if (was >= 0) {
    // Leaving comes first; the button entered is reported by the next poll.
    showTooltip(nullptr);
    s_.buttons.focused = -1;
    return result(was, 0, 0);
  }
  showTooltip(s_.buttons.record(hit));
  s_.buttons.focused = hit;
  return result(hit, 0, 1);
}

bool EventWait::arrowKey(std::uint32_t key, PollResult& out) {
  const auto flagOf = [key] {
    switch (key) {
      case kKeyUp:
        return scene::kKeyFlagUp;
      case kKeyDown:
        return scene::kKeyFlagDown;
      case kKeyLeft:
        return scene::kKeyFlagLeft;
      default:
        return scene::kKeyFlagRight;
    }
  };
  const std::int32_t was = focused();
  if (const scene::ButtonRecord* b = s_.buttons.record(was);
      b != nullptr && (b->keyFlags & flagOf()) != 0) {
    out = result(was, static_cast<std::int32_t>(key), 2);
    return true;
  }
  const scene::Direction direction = key == kKeyUp     ? scene::Direction::kUp
                                     : key == kKeyDown ? scene::Direction::kDown
                                     : key == kKeyLeft ? scene::Direction::kLeft
                                                       : scene::Direction::kRight;
  const Point at = s_.cursor.position();
  if (const std::optional<std::int32_t> next = s_.buttons.nextFocus(direction, at.x, at.y)) {
    s_.buttons.focused = *next;
    const scene::ButtonRecord* b = s_.buttons.record(*next);
    s_.cursor.moveTo({b->centreX, b->centreY}, 4 * s_.display.cursorMove);
  }
  if (was < 0) return false;
  // The old button stays focused until the cursor arrives: the hover test
  // then reports leaving it and entering the new one.
  s_.buttons.focused = was;
  out = result(was, static_cast<std::int32_t>(key), 0);
  return true;
}

bool EventWait::translate(const platform::MessageRecord& m, bool passThrough, PollResult& out) {
  text::MessageModes& modes = s_.messages.modes();
  const std::int32_t f = focused();
  const std::uint32_t key = m.wparam;
  const std::int32_t enter = f < 0 ? 13 : 1;
  switch (m.code) {
    case platform::kMessageKeyDown:
      if (key == platform::kKeyReturn) {
        out = result(f, enter, 2);
      } else if (key == platform::kKeyControl && passThrough && active()) {
        out = result(-1, 1, 3);
        modes.setSkipInEffect(true);
      } else if (key == platform::kKeyF10) {
        out = result(f, kF10Code, 2);
      } else if (key >= kKeyLeft && key <= kKeyDown && !s_.buttons.empty() && !s_.cursor.moving() &&
                 s_.composer.windowVisibility() != 2) {
        return arrowKey(key, out);
      } else if (key != 0) {
        out = result(f, static_cast<std::int32_t>(key), 2);
      } else {
        return false;
      }
      return true;
    case platform::kMessageKeyUp:
      if (key == platform::kKeyReturn) {
        out = result(f, enter, 3);
        endClick();
        return true;
      }
      if (key == 0) return false;
      out = result(f, key == platform::kKeyF10 ? kF10Code : static_cast<std::int32_t>(key), 3);
      if (key == platform::kKeyControl) modes.setSkipInEffect(false);
      return true;
    case platform::kMessageSysKeyDown:
    case platform::kMessageSysKeyUp:
      if (key != platform::kKeyF10) return false;
      out = result(f, kF10Code, m.code == platform::kMessageSysKeyDown ? 2 : 3);
      return true;
    case platform::kMessageLeftDown:
      s_.buttons.pressed = f;
      out = result(f, 1, 2);
      return true;
    case platform::kMessageLeftUp:
      // A release over another button than the one pressed is no click.
      if (f != s_.buttons.pressed) return false;
      out = result(f, 1, 3);
      endClick();
      return true;
    case platform::kMessageRightDown:
      out = result(-1, 2, 2);
      return true;
    case platform::kMessageRightUp:
      if (!modes.autoMode() && !modes.skip()) {
        out = result(-1, 2, 3);
        return true;
      }
      // A right click stops auto and skip; the mode event reports it. While
      // another mode event waits, nothing changes.
      if (modes.event() == 0) modes.setAuto(0);
      return false;
    case platform::kMessageMiddleDown:
      if (passThrough) {
        out = result(-1, 1, 3);
        modes.setSkipInEffect(true);
      } else {
        out = result(f, 4, 2);
      }
      return true;
    case platform::kMessageMiddleUp:
      if (passThrough) modes.setSkipInEffect(false);
      out = result(f, 4, 3);
      return true;
    case platform::kMessageWheel: {
      if (wheelStep_ <= 0) return false;
      wheel_ += static_cast<std::int16_t>(key >> 16);
      if (wheel_ >= wheelStep_) {
        out = result(f, 0, 5);
      } else if (wheel_ <= -wheelStep_) {
        out = result(f, 0, 4);
        modes.setSkipInEffect(modes.skip());
      } else {
        return false;
      }
      wheel_ = 0;
      return true;
    }
    case platform::kMessageDropFiles:
      out = result(kDropEvent, kDropEvent, kDropEvent);
      out.text = m.text;
      return true;
    default:
      return false;
  }
}

PollResult EventWait::pending(bool passThrough) {
  text::MessageModes& modes = s_.messages.modes();
  if (const std::int32_t e = modes.takeEvent(); e != 0) {
    return result(kModeEvent, e >> 4, (e & 7) - 1);
  }
  if (const std::int32_t close = s_.window.takeCloseRequest(); close != 0) {
    return result(kCloseEvent, kCloseEvent, close - 1);
  }
  if (modes.skip() || modes.jumping()) {
    modes.setSkipInEffect(true);
    return result(-1, 1, 3);
  }
  if (s_.window.takeDisplayModeChange()) {
    return result(kDisplayModeEvent, kDisplayModeEvent, s_.display.fullScreen);
  }
  if (passThrough && active() && s_.input.keyDown(kMiddleButton)) {
    modes.setSkipInEffect(true);
    return result(-1, 1, 3);
  }
  const std::uint32_t deadline = s_.messages.page().autoDeadline;
  if (modes.autoMode() && deadline != 0) {
    autoToggle_ = !autoToggle_;
    if (autoToggle_ && s_.clock.now() > deadline) {
      modes.setSkipInEffect(false);
      return result(kAutoAdvance, kAutoAdvance, 3);
    }
  }
  return {};
}

PollResult EventWait::poll(bool passThrough) {
  // A game that pauses while its window is inactive waits here.
  while ((s_.window.systemFlags() & 1U) != 0 && !active()) {
    if (!s_.pump.pumpOne()) {
      if (s_.endRun) s_.endRun();
      return {};
    }
    s_.clock.sleep(1);
  }
  // PowerSaver: the system stays awake while the game polls.
  if (const bool awake = s_.display.powerSaver != 0; awake_ != awake) {
    s_.input.keepAwake(awake);
    awake_ = awake;
  }
  PollResult out;
  bool found = false;
  if (const std::optional<PollResult> hovered = hover()) {
    out = *hovered;
    found = true;
  } else if (!s_.pump.pumpOne()) {
    if (s_.endRun) s_.endRun();
    return {};
  } else if (s_.pump.tookMessage()) {
    const platform::MessageRecord& m = s_.pump.record();
    // F10 is kept from the window system, but the scripts see it.
    const bool f10 =
        (m.code == platform::kMessageKeyDown || m.code == platform::kMessageKeyUp ||
         m.code == platform::kMessageSysKeyDown || m.code == platform::kMessageSysKeyUp) &&
        m.wparam == platform::kKeyF10;
    if (!s_.pump.handled() || f10) found = translate(m, passThrough, out);
  }
  if (!found) out = pending(passThrough);
  if (observer_) observer_(s_.clock.now(), out.button != kNothing);
  return out;
}

}  // namespace tsuzuri::shell
