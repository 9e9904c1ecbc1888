#include "text/message_modes.h"

#include "util/crc.h"

namespace tsuzuri::text {

std::int32_t MessageModes::modeBits() const {
  std::int32_t bits = 0;
  if (auto_) bits |= kModeAuto;
  if (skip_) bits |= kModeSkip;
  if (skipInEffect_) bits |= kModeSkipInEffect;
  if (table_.jumpMode() == kJumpToSave) bits |= kModeRestoring;
  if (table_.jumpMode() == kJumpBySetJump) bits |= kModeJump;
  return bits;
}

void MessageModes::stopBoth() {
  if (event_ == 0) event_ = ((skip_ ? 2 : 0) + (auto_ ? 1 : 0)) * 16 + 1;
  auto_ = false;
  skip_ = false;
  skipInEffect_ = false;
}

void MessageModes::startSkip() {
  skip_ = true;
  skipInEffect_ = true;
  auto_ = false;
}

void MessageModes::setAuto(std::int32_t how) {
  if (how == 0) {
    stopBoth();
    return;
  }
  if (!visible()) return;
  if (how == 1) {
    event_ = (skip_ ? 32 : 0) + kEventAutoStarted;
    auto_ = true;
  } else if (how == 2) {
    event_ = auto_ ? kEventAutoStopped : kEventAutoStarted;
    auto_ = !auto_;
  } else {
    return;
  }
  skip_ = false;
  skipInEffect_ = false;
}

void MessageModes::setSkip(std::int32_t how) {
  if (how == 0) {
    stopBoth();
    return;
  }
  if (!visible()) return;
  if (how == 1) {
    if (!skipAllowed()) return;
    event_ = (auto_ ? 16 : 0) + kEventSkipStarted;
    startSkip();
  } else if (how == 2) {
    if (skip_) {
      event_ = kEventSkipStopped;
      skip_ = false;
      skipInEffect_ = false;
      auto_ = false;
    } else if (skipAllowed()) {
      event_ = kEventSkipStarted;
      startSkip();
    }
  }
}

void MessageModes::setJump() {
  table_.setJumpMode(kJumpBySetJump);
  auto_ = false;
  skip_ = false;
  skipInEffect_ = false;
}

void MessageModes::stopMode() {
  if ((skip_ && settings_.selectSkipMode != 0) || (auto_ && settings_.selectAutoMode != 0)) {
    if (event_ == 0) stopBoth();
  }
  table_.commitAll();
}

void MessageModes::messageLine(bool alreadyRead) {
  alreadyRead_ = alreadyRead;
  if (alreadyRead) {
    if (!skip_ && !auto_ && settings_.alreadyReadAutoSkip != 0) {
      skip_ = true;
      event_ = kEventSkipStarted;
      settings_.alreadyReadAutoSkip = 3;
    }
    return;
  }
  if (skip_) {
    const bool autoSkipEnds = (settings_.alreadyReadAutoSkip & 2) != 0;
    if (autoSkipEnds) settings_.alreadyReadAutoSkip = 1;
    if (autoSkipEnds || settings_.alreadyReadSkip == 0) {
      skip_ = false;
      skipInEffect_ = false;
      event_ = kEventSkipStopped;
    }
  }
  if (table_.jumpMode() == kJumpBySetJump) finishJump();
}

void MessageModes::finishJump() {
  skip_ = false;
  skipInEffect_ = false;
  table_.setJumpMode(0);
  event_ = kEventJumpStopped;
  if (spriteRebuild_) spriteRebuild_();
  table_.commitAll();
  if (soundRestart_) soundRestart_();
  // The game goes on with the message line being shown, in its own script:
  // the jump ends inside that line's step, so the position is already right.
  static const std::uint32_t kLoadLabel = util::crc32_hash("load_lb");
  if (tables_.labels.contains(kLoadLabel)) interpreter_.setDeferredLabel(kLoadLabel);
  composer_.setWindowVisibility(0);
}

}  // namespace tsuzuri::text
