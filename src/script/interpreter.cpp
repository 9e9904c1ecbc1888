#include "script/interpreter.h"

#include <algorithm>

#include "script/script_container.h"
#include "util/crc.h"

namespace tsuzuri::script {

std::uint64_t startScriptHash() {
  static const std::uint64_t hash = util::crc64_hash("script/0.txt");
  return hash;
}

std::uint64_t secondScriptHash() {
  static const std::uint64_t hash = util::crc64_hash("script/1.txt");
  return hash;
}

std::pair<std::int32_t, std::int32_t> Interpreter::resumePosition() const {
  if (statement_ + 2 < tokenCount_) return {line_ - 1, statement_ + 2};
  return {line_, 0};
}

void Interpreter::switchToScript(std::uint64_t hash) {
  if (hash == startScriptHash()) {
    pending_ = SlotSwitch::kSlot0;
  } else if (hash == secondScriptHash()) {
    pending_ = SlotSwitch::kSlot1;
  } else if (hash != slots_[2].hash) {
    slots_[2].hash = hash;
    pending_ = SlotSwitch::kReadSlot2;
    auto name = tables_.scriptNames.find(hash);
    slots_[2].name = name == tables_.scriptNames.end() ? std::string() : name->second;
  } else {
    pending_ = SlotSwitch::kSlot2;
  }
}

bool Interpreter::applyPendingSwitch(ScriptContainer& container) {
  SlotSwitch pending = pending_;
  pending_ = SlotSwitch::kNone;
  switch (pending) {
    case SlotSwitch::kNone:
      return false;
    case SlotSwitch::kSlot0:
      currentSlot_ = 0;
      return true;
    case SlotSwitch::kSlot1:
      currentSlot_ = 1;
      return true;
    case SlotSwitch::kSlot2:
      currentSlot_ = 2;
      return true;
    case SlotSwitch::kReadSlot2:
      slots_[2].lines.clear();
      currentSlot_ = 2;
      // A failed read is reported by the container; the slot stays empty
      // and the statement loop, finding no lines, ends the run.
      if (!container.readScript(slots_[2].hash, slots_[2].lines, tables_)) {
        slots_[2].lines.clear();
      }
      return true;
  }
  return false;
}

bool Interpreter::jumpToLabel(std::uint32_t labelHash) {
  auto label = tables_.labels.find(labelHash);
  if (label == tables_.labels.end()) return false;
  line_ = label->second.line - 1;
  statement_ = 0;
  jump_ = true;
  switchToScript(label->second.scriptHash);
  return true;
}

bool Interpreter::callLabel(std::uint32_t labelHash) {
  if (!tables_.labels.contains(labelHash)) return false;
  auto [resumeLine, resumeStatement] = resumePosition();
  calls_.push_back(CallFrame{resumeLine, resumeStatement, loopCount_, slots_[currentSlot_].hash});
  loopCount_ = 0;
  return jumpToLabel(labelHash);
}

void Interpreter::pushLoop(const LoopRecord& loop) {
  loops_.push_back(loop);
  ++loopCount_;
}

void Interpreter::popLoop() {
  if (loops_.empty()) return;
  loops_.pop_back();
  if (loopCount_ > 0) --loopCount_;
  if (loops_.empty()) {
    loops_.shrink_to_fit();
    loopCount_ = 0;
  }
}

void Interpreter::dropSubroutineLoops() {
  const auto count = static_cast<std::size_t>(std::max(loopCount_, 0));
  loops_.resize(loops_.size() > count ? loops_.size() - count : 0);
  loopCount_ = 0;
  if (loops_.empty()) loops_.shrink_to_fit();
}

Conditional Interpreter::conditional() const {
  return calls_.size() < conditionals_.size() ? conditionals_[calls_.size()] : Conditional::kNone;
}

void Interpreter::setConditional(Conditional state) {
  if (conditionals_.size() <= calls_.size()) conditionals_.resize(calls_.size() + 1);
  conditionals_[calls_.size()] = state;
}

void Interpreter::clear() {
  for (ScriptSlot& slot : slots_) slot = ScriptSlot{};
  currentSlot_ = 0;
  line_ = 0;
  statement_ = 0;
  tokenCount_ = 0;
  jump_ = false;
  loopSkip_ = false;
  pending_ = SlotSwitch::kNone;
  deferredLabel_ = 0;
  calls_.clear();
  calls_.shrink_to_fit();
  loopCount_ = 0;
  loops_.clear();
  loops_.shrink_to_fit();
  conditionals_.clear();
  subroutineName_.clear();
  parameters_.clear();
  lastTextLine_ = -1;
  currentTextLine_ = -1;
  stop_.reset();
}

void Interpreter::leaveSubroutines() {
  calls_.clear();
  calls_.shrink_to_fit();
  loopCount_ = 0;
  loops_.clear();
  loops_.shrink_to_fit();
  loopSkip_ = false;
  conditionals_.clear();
  subroutineName_.clear();
}

}  // namespace tsuzuri::script
