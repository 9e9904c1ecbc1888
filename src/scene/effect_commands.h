#pragma once

#include <cstdint>
#include <functional>

#include "commands/command_context.h"
#include "commands/command_registry.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "render/render_settings.h"
#include "render/renderer.h"
#include "scene/sprite_table.h"
#include "scene/transitions.h"

namespace tsuzuri::scene {

// What a transition's loop asks of the rest of the engine.
struct TransitionServices {
  // The window's message pump (null: no messages are taken).
  platform::MessagePump* pump = nullptr;
  // Whether the player asked to close the window; the request stays for
  // the event waits.
  std::function<bool()> closeRequested;
  // Whether the message window skips (a transition then only commits).
  std::function<bool()> skipping;
  // The look-ahead of the images the script will show next, named by the
  // sixth argument: begun with the transition, finished after it.
  std::function<void()> beginLookAhead;
  std::function<void()> finishLookAhead;
};

// One notch of the wheel: 120 ÷ three lines a notch.
inline constexpr std::int32_t kWheelStep = 40;

// `effect` and `existStretch`.
class EffectCommands {
 public:
  EffectCommands(SpriteTable& table, Transitions& transitions, render::Renderer& renderer,
                 const render::RenderSettings& settings, platform::Clock& clock)
      : table_(table),
        transitions_(transitions),
        renderer_(renderer),
        settings_(settings),
        clock_(clock) {}

  void setServices(TransitionServices services) { services_ = std::move(services); }
  void registerWith(commands::CommandRegistry& registry);

  void effect(commands::CommandContext& c);
  void existStretch(commands::CommandContext& c);

  // Runs `duration` ms of frames of `kind`. False when the run must end
  // (a quit message or a failed device).
  bool runLoop(std::int32_t kind, std::int32_t duration, std::int32_t easing);

 private:
  // Whether the message just taken cuts the transition short.
  bool cancels(const platform::MessageRecord& message);

  SpriteTable& table_;
  Transitions& transitions_;
  render::Renderer& renderer_;
  const render::RenderSettings& settings_;
  platform::Clock& clock_;
  TransitionServices services_;
  bool leftPressed_ = false;
  std::int32_t wheel_ = 0;
};

}  // namespace tsuzuri::scene
