#pragma once

#include <cstdint>

namespace tsuzuri::scene {

// Sprite flags, given when a sprite is created.
inline constexpr std::uint32_t kFlagWindowLayer = 0x1;    // shown only with the message window
inline constexpr std::uint32_t kFlagNoWindowQuake = 0x2;  // kept still by the window quake
// Either of the two low bits puts a sprite in the window layer, which the
// screen scroll and zoom never move.
inline constexpr std::uint32_t kFlagWindowLayerMask = 0x3;
// On a render layer's own sprite: its members are placed in the layer's own
// pixels, not in game-screen pixels.
inline constexpr std::uint32_t kFlagOwnPixelSpace = 0x4;
inline constexpr std::uint32_t kFlagNotSaved = 0x8;
inline constexpr std::uint32_t kFlagNoScreenQuake = 0x10;
inline constexpr std::uint32_t kFlagNoScroll = 0x20;    // not moved by scroll and zoom
inline constexpr std::uint32_t kFlagHalfLevel = 0x40;   // textures get a half-size level
inline constexpr std::uint32_t kFlagBypassCache = 0x4;  // at load time: read the file afresh

}  // namespace tsuzuri::scene
