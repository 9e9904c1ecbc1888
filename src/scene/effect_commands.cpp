#include "scene/effect_commands.h"

#include "scene/stage_fade.h"

namespace tsuzuri::scene {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<EffectCommands> kCommands[] = {
    {"effect", &EffectCommands::effect},
    {"existStretch", &EffectCommands::existStretch},
};

// Windows virtual-key codes of the keys that cut a transition short.
constexpr std::uint32_t kKeyReturn = 0x0D;
constexpr std::uint32_t kKeyControl = 0x11;

}  // namespace

void EffectCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void EffectCommands::existStretch(CommandContext& c) {
  c.setIntegerResult(2, transitions_.hasNamedEffect(c.text(1)) ? 1 : 0);
}

bool EffectCommands::cancels(const platform::MessageRecord& m) {
  switch (m.code) {
    case platform::kMessageKeyDown:
      return m.wparam == kKeyReturn || m.wparam == kKeyControl;
    case platform::kMessageLeftDown:
      leftPressed_ = true;
      return false;
    case platform::kMessageLeftUp:
      return leftPressed_;
    case platform::kMessageWheel:
      // The delta is the signed high word; towards the player is negative.
      wheel_ += static_cast<std::int16_t>(m.wparam >> 16);
      if (wheel_ <= -kWheelStep) return true;
      if (wheel_ >= kWheelStep) wheel_ = 0;
      return false;
    default:
      return false;
  }
}

bool EffectCommands::runLoop(std::int32_t kind, std::int32_t duration, std::int32_t easing) {
  const std::uint32_t start = clock_.now();
  leftPressed_ = false;
  wheel_ = 0;
  for (;;) {
    const auto elapsed = static_cast<std::int32_t>(clock_.now() - start);
    if (elapsed >= duration) return true;
    if (services_.pump != nullptr && !services_.pump->pumpOne()) return false;
    if (services_.closeRequested && services_.closeRequested()) return true;
    if (services_.pump != nullptr && settings_.effectCancel != 0 && services_.pump->tookMessage() &&
        cancels(services_.pump->record())) {
      return true;
    }
    const std::uint32_t before = clock_.now();
    renderer_.frame(kind, elapsed, duration, easing);
    if (renderer_.stopRequested()) return false;
    // Unpaced frames (no device, no frame limit) would take no time on a
    // virtual clock: the loop still moves on.
    if (clock_.now() == before) clock_.sleep(1);
  }
}

void EffectCommands::effect(CommandContext& c) {
  if (table_.jumpMode() != 0 || (services_.skipping && services_.skipping())) {
    table_.commitAll();
    return;
  }
  std::int32_t kind = c.integer(1);
  const std::int32_t duration = c.integer(2) | 2;
  const std::int32_t easing = c.integer(3);
  const std::string_view name = c.text(4);
  const std::int32_t vague = c.integer(5);
  const bool lookAhead = c.integer(6) != 0;
  // Only kinds 0..3 exist; another number waits as the plain kind does.
  if (kind < kFramePlain || kind > kFrameStage) kind = kFramePlain;
  bool goOn = true;
  if (transitions_.setup(kind, name)) {
    if (lookAhead && services_.beginLookAhead) services_.beginLookAhead();
    transitions_.setVague(kind == kFrameStage ? stageVague(vague) : 0);
    goOn = runLoop(kind, duration, easing);
  }
  transitions_.setVague(0);
  transitions_.finish(kind);
  table_.commitAll();
  if (goOn) {
    renderer_.frame(kFramePlain, 0, 0, 0);
    goOn = !renderer_.stopRequested();
  }
  if (lookAhead && services_.finishLookAhead) services_.finishLookAhead();
  if (!goOn) c.endAction();
}

}  // namespace tsuzuri::scene
