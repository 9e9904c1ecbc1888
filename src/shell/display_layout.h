#pragma once

// The arithmetic of the display: the window size lists and their labels,
// the client size rules, the display factors, the presentation rectangles
// of the full-screen modes, the largest window that fits a monitor, and
// the mapping between client and game coordinates. Pure functions: the
// window code and the tests call them alike.

#include <array>
#include <cstdint>
#include <string>

#include "render/geometry.h"

namespace tsuzuri::shell {

// The shape of a game screen, from its size reduced by the greatest common
// divisor.
enum class ScreenShape : std::uint8_t { kWide16x9, kStandard4x3, kTall3x4, kTall9x16, kOther };
ScreenShape screenShape(std::int32_t width, std::int32_t height);

// ScreenAspect as it takes effect: 1 for every shape but 16:9 and 9:16.
std::int32_t effectiveScreenAspect(ScreenShape shape, std::int32_t screenAspect);

inline constexpr std::size_t kWindowSizeCount = 10;
using WindowSizeList = std::array<render::Size, kWindowSizeCount>;

// The ten window sizes offered for a game screen: the 4:3 list also for a
// 16:9 game with ScreenAspect 1; the game size ten times for other shapes.
WindowSizeList windowSizes(std::int32_t gameWidth, std::int32_t gameHeight,
                           std::int32_t screenAspect);

// The menu label of a size, "%4dx%4d" (Shift_JIS), with "(等倍)" appended
// when its width equals `resolution`.
std::string windowSizeLabel(render::Size size, std::int32_t resolution);

// The client height for a client width, by the shape and ScreenAspect
// (integer arithmetic).
std::int32_t clientHeightFor(std::int32_t clientWidth, std::int32_t gameWidth,
                             std::int32_t gameHeight, std::int32_t screenAspect);

// The display factors of a game screen.
struct DisplayFactors {
  double resolutionFactor = 1.0;  // Resolution / game width (Resolution 0 counts as the width)
  double assetScale = 1.0;        // asset width / game width
  double inverseAssetScale = 1.0;
  std::int32_t presentationHeight = 0;  // game height, or width × 3 / 4 for 16:9 shown 4:3
  render::Size renderSize;              // truncated (w × factor + 0.5, h × factor + 0.5)
};
DisplayFactors displayFactors(std::int32_t gameWidth, std::int32_t gameHeight,
                              std::int32_t assetWidth, std::int32_t resolution,
                              std::int32_t screenAspect);

// getScreenRate: the resolution factor × 100, truncated.
std::int32_t screenRate(const DisplayFactors& factors);
// getScreenHeight: presentation height × render width / game width.
std::int32_t screenHeightQuery(const DisplayFactors& factors, std::int32_t gameWidth);

// One source and destination pair of the presentation.
struct PresentRects {
  render::Rect source;
  render::Rect destination;
  friend bool operator==(const PresentRects&, const PresentRects&) = default;
};

// The presentation rectangles of full-screen modes 1 ("Full2"), 2
// ("Original"), 3 ("Normal") and 4 ("Zoom"), at indexes 0..3, for a monitor
// of `monitor` pixels and the render size.
std::array<PresentRects, 4> presentationRects(render::Size monitor, render::Size renderSize);

// The largest client size of the render aspect that fits the monitor with
// a frame of `frameWidth` × `frameHeight` (Fw, Fh).
render::Size largestClientSize(render::Size monitor, render::Size renderSize,
                               std::int32_t frameWidth, std::int32_t frameHeight);

// The Zoom mode's edge scrolling: the destination rectangle after one poll
// with the pointer at (x, y), relative to the monitor's top-left corner.
// Returns whether it moved.
bool scrollZoomEdges(render::Rect& destination, render::Size monitor, std::int32_t x,
                     std::int32_t y);

// The game-screen point under a point of the presentation (a destination
// rectangle showing a game screen of `game` pixels), and back. Points
// outside the destination map outside the game screen.
struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};
Point presentationToGame(Point point, const render::Rect& destination, render::Size game);
Point gameToPresentation(Point point, const render::Rect& destination, render::Size game);

}  // namespace tsuzuri::shell
