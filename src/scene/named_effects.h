#pragma once

// The 74 named screen-transition effects (`effect` kind 2), as geometry
// only: for a frame at some time the effect returns the list of
// compositions, copies and translucent quads that the transition loop
// executes on the render texture and the back surface. Nothing here touches
// the graphics device, so every effect can be checked pixel by pixel.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "render/geometry.h"

namespace tsuzuri::scene {

// The two pictures of a transition: the old one from the front sprite
// records, the new one from the back records of the pending changes.
enum class EffectPicture : std::uint8_t { kOld, kNew };

// One step of a frame of a named effect, executed in order.
struct EffectStep {
  enum class Kind : std::uint8_t {
    kComposeRender,  // compose `picture` into the render texture (cleared first)
    kComposeBack,    // compose `picture` into the back surface (the frame's target)
    kCopy,           // copy `source` of the render texture to `destination` of the back surface,
                     // no filtering, opaque (sizes equal)
    kQuad,           // draw the whole render texture over the back surface at offset (x, y) with
                     // alpha 0..255, normal alpha blending
  };
  Kind kind = Kind::kComposeRender;
  EffectPicture picture = EffectPicture::kOld;  // compose steps
  render::Rect source{}, destination{};         // kCopy
  std::int32_t x = 0, y = 0, alpha = 255;       // kQuad

  friend bool operator==(const EffectStep&, const EffectStep&) = default;
};

// An effect's frame routine, as an index into the table of names.
using NamedEffect = std::int32_t;

inline constexpr std::int32_t kNamedEffectCount = 74;

// The effect a name selects, looked up by the CRC-32 of the name's
// bytes; names are case-sensitive.
std::optional<NamedEffect> findNamedEffect(std::string_view name);

// The name of an effect; empty for an id outside the table.
std::string_view namedEffectName(NamedEffect effect);

// Replaces `steps` by the steps of one frame of `effect` at `elapsed` of
// `duration` ms with easing index `easing` on a `width` × `height` screen.
// The elapsed time is clamped into [0, duration]; a duration of 0 or less
// gives the finished frame. Every copy is clipped to the screen, and copies
// that would be empty are left out. An unknown effect or an empty screen
// gives no steps.
void namedEffectFrame(NamedEffect effect, std::int32_t width, std::int32_t height,
                      std::int32_t elapsed, std::int32_t duration, std::int32_t easing,
                      std::vector<EffectStep>& steps);

}  // namespace tsuzuri::scene
