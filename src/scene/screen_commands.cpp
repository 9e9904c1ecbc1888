#include "scene/screen_commands.h"

#include <array>
#include <cmath>

namespace tsuzuri::scene {

using commands::CommandContext;

namespace {

constexpr commands::SystemCommandEntry<ScreenCommands> kCommands[] = {
    {"sc_x", &ScreenCommands::sc_x},   {"sc_y", &ScreenCommands::sc_y},
    {"sc_xy", &ScreenCommands::sc_xy}, {"sc_w", &ScreenCommands::sc_w},
    {"sc_h", &ScreenCommands::sc_h},   {"sc_wh", &ScreenCommands::sc_wh},
    {"sc_qx", &ScreenCommands::sc_qx}, {"sc_qy", &ScreenCommands::sc_qy},
    {"sc_mb", &ScreenCommands::sc_mb},
};

}  // namespace

void ScreenCommands::registerWith(commands::CommandRegistry& registry) {
  registry.addFamily(*this, kCommands);
}

void ScreenCommands::markChanged(bool everySprite) {
  for (const auto& [layer, members] : table_.layers()) {
    if (!everySprite && layer != 0) continue;
    for (const auto& [key, slot] : members) {
      const SpriteRecord* f = table_.front(slot);
      if (f == nullptr) continue;
      if (!everySprite && (f->flags & kFlagWindowLayerMask) != 0) continue;
      table_.slot(slot).pending |= kPendingChanged;
      for (SpriteRecord* r : {table_.front(slot), table_.back(slot)}) {
        if (r != nullptr) r->dirty = true;
      }
    }
  }
}

void ScreenCommands::move(CommandContext& c, std::initializer_list<int> axes) {
  const int timing = 1 + static_cast<int>(axes.size());
  const std::int32_t duration = c.integer(timing);
  const std::int32_t easing = c.integer(timing + 1);
  const std::int32_t delay = c.integer(timing + 2);
  std::array<std::int32_t, 2> targets{};
  bool allAtTarget = true;
  int argument = 1;
  for (const int axis : axes) {
    ScreenMotion& m = screen_.motion(axis);
    const std::int32_t target = c.integer(argument);
    targets[static_cast<std::size_t>(argument - 1)] = target;
    ++argument;
    m.easing = easing;
    // A second move during a running one starts from the first one's end.
    m.base = m.change != 0 ? m.base + m.change
                           : static_cast<std::int32_t>(std::trunc(screen_.value(axis)));
    m.change = target - m.base;
    if (m.change != 0) allAtTarget = false;
  }
  const std::uint32_t now = clock_.now();
  argument = 0;
  for (const int axis : axes) {
    ScreenMotion& m = screen_.motion(axis);
    const auto target = static_cast<float>(targets[static_cast<std::size_t>(argument++)]);
    if (table_.jumpMode() != 0) {
      screen_.setBoth(axis, target);
      m.change = 0;
    } else if (duration < 10 || allAtTarget || m.change == 0) {
      // No motion for this axis: the target shows from the next commit
      // (an axis already at its target beside a moving one lands there too,
      // instead of stopping where a running move had brought it).
      screen_.setPending(axis, target);
      m.change = 0;
    } else {
      m.duration = duration;
      m.startTime = now + static_cast<std::uint32_t>(delay);
    }
  }
  // In jump mode no frame updates the sprites while the jump lasts: they
  // are marked too, so that the first frame after it shows the new values.
  if (table_.jumpMode() != 0 || duration < 10 || allAtTarget) markChanged(false);
}

void ScreenCommands::sc_x(CommandContext& c) {
  move(c, {kScrollX});
}

void ScreenCommands::sc_y(CommandContext& c) {
  move(c, {kScrollY});
}

void ScreenCommands::sc_xy(CommandContext& c) {
  move(c, {kScrollX, kScrollY});
}

void ScreenCommands::sc_w(CommandContext& c) {
  move(c, {kZoomX});
}

void ScreenCommands::sc_h(CommandContext& c) {
  move(c, {kZoomY});
}

void ScreenCommands::sc_wh(CommandContext& c) {
  move(c, {kZoomX, kZoomY});
}

void ScreenCommands::quake(CommandContext& c, bool yAxis) {
  const std::int32_t targets = c.integer(1);
  const std::int32_t amplitude = c.integer(2);
  const std::int32_t period = c.integer(3);
  const std::int32_t count = c.integer(4);
  const std::int32_t easing = c.integer(5);
  const std::int32_t waveform = c.integer(6);
  const std::int32_t delay = c.integer(7);
  // No sprite may keep the offset of a shake that is replaced.
  if (screen_.quaking()) markChanged(true);
  QuakeAxis& axis = screen_.quake(yAxis);
  if (amplitude == 0 || period < kMinQuakePeriod || (table_.jumpMode() != 0 && count != 0)) {
    axis.stop();
    return;
  }
  screen_.setQuakeTargets(targets);
  axis.amplitude = amplitude;
  axis.period = period;
  axis.count = count;
  axis.easing = easing;
  axis.mode = waveform;
  axis.startTime = clock_.now() + static_cast<std::uint32_t>(delay);
}

void ScreenCommands::sc_qx(CommandContext& c) {
  quake(c, false);
}

void ScreenCommands::sc_qy(CommandContext& c) {
  quake(c, true);
}

void ScreenCommands::sc_mb(CommandContext& c) {
  screen_.setMotionBlur(c.integer(1) != 0, c.integer(2));
}

}  // namespace tsuzuri::scene
