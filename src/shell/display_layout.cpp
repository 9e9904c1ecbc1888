#include "shell/display_layout.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "util/sjis.h"

namespace tsuzuri::shell {
namespace {

using render::Rect;
using render::Size;

constexpr WindowSizeList kWide16x9Sizes = {{{480, 270},
                                            {640, 360},
                                            {800, 450},
                                            {960, 540},
                                            {1024, 576},
                                            {1280, 720},
                                            {1366, 768},
                                            {1440, 810},
                                            {1600, 900},
                                            {1920, 1080}}};
constexpr WindowSizeList kStandard4x3Sizes = {{{400, 300},
                                               {640, 480},
                                               {800, 600},
                                               {960, 720},
                                               {1024, 768},
                                               {1200, 900},
                                               {1280, 960},
                                               {1400, 1050},
                                               {1440, 1080},
                                               {1600, 1200}}};
constexpr WindowSizeList kTall3x4Sizes = {{{300, 400},
                                           {480, 640},
                                           {600, 800},
                                           {720, 960},
                                           {768, 1024},
                                           {900, 1200},
                                           {960, 1280},
                                           {1050, 1400},
                                           {1080, 1440},
                                           {1200, 1600}}};
constexpr WindowSizeList kTall9x16Sizes = {{{270, 480},
                                            {360, 640},
                                            {450, 800},
                                            {540, 960},
                                            {576, 1024},
                                            {720, 1280},
                                            {768, 1366},
                                            {810, 1440},
                                            {900, 1600},
                                            {1080, 1920}}};

// The bands along the monitor edges in which the pointer scrolls the Zoom
// picture.
constexpr std::int32_t kScrollBandLeft = 40;
constexpr std::int32_t kScrollBandRight = 40;
constexpr std::int32_t kScrollBandTop = 60;
constexpr std::int32_t kScrollBandBottom = 40;
// Close to the end of the range the picture moves one pixel at a time so that
// it stops exactly on the limit.
constexpr std::int32_t kScrollFineRange = 3;
constexpr std::int32_t kScrollFastStep = 4;
constexpr std::int32_t kScrollFineStep = 1;

std::int32_t narrow(std::int64_t value) {
  return static_cast<std::int32_t>(value);
}

// Rounds towards negative infinity, so that the coordinate mapping stays
// monotonic left and above the destination too.
std::int64_t floorDiv(std::int64_t numerator, std::int64_t denominator) {
  std::int64_t quotient = numerator / denominator;
  if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0))) --quotient;
  return quotient;
}

Rect centred(Size monitor, std::int32_t width, std::int32_t height) {
  const std::int32_t left = (monitor.width - width) >> 1;
  const std::int32_t top = (monitor.height - height) >> 1;
  return {left, top, left + width, top + height};
}

// MW / RW > MH / RH in exact arithmetic, without the ties that rounding of
// the two quotients could produce. Both render dimensions are positive.
bool monitorWiderThanRender(Size monitor, Size render) {
  return std::int64_t{monitor.width} * render.height > std::int64_t{monitor.height} * render.width;
}

// One axis of the edge scrolling: `offset` is the left or top edge of the
// picture, which may range from `limit` (the monitor extent minus the
// picture extent) to 0.
std::int32_t scrollStep(std::int32_t pointer, std::int32_t extent, std::int32_t offset,
                        std::int32_t limit, std::int32_t nearBand, std::int32_t farBand) {
  if (limit == 0) return 0;
  if (pointer < nearBand && offset < 0) {
    return offset >= -kScrollFineRange ? kScrollFineStep : kScrollFastStep;
  }
  if (pointer > extent - farBand && offset > limit) {
    return offset - limit > kScrollFineRange ? -kScrollFastStep : -kScrollFineStep;
  }
  return 0;
}

// Pixel centres map onto each other: the presentation pixel p covers the
// game point (p - origin + 0.5) × game / extent, and the game pixel g is
// shown at (g + 0.5) × extent / game + origin.
std::int32_t toGameAxis(std::int32_t point, std::int32_t origin, std::int32_t extent,
                        std::int32_t game) {
  // Without a picture every point lies outside the game screen.
  if (extent <= 0) return -1;
  const std::int64_t offset = std::int64_t{point} - origin;
  return narrow(floorDiv((2 * offset + 1) * game, 2 * std::int64_t{extent}));
}

std::int32_t toPresentationAxis(std::int32_t point, std::int32_t origin, std::int32_t extent,
                                std::int32_t game) {
  if (game <= 0) return origin;
  return narrow(origin + floorDiv((2 * std::int64_t{point} + 1) * extent, 2 * std::int64_t{game}));
}

}  // namespace

ScreenShape screenShape(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return ScreenShape::kOther;
  const std::int32_t divisor = std::gcd(width, height);
  const std::int32_t w = width / divisor;
  const std::int32_t h = height / divisor;
  if (w == 16 && h == 9) return ScreenShape::kWide16x9;
  if (w == 4 && h == 3) return ScreenShape::kStandard4x3;
  if (w == 3 && h == 4) return ScreenShape::kTall3x4;
  if (w == 9 && h == 16) return ScreenShape::kTall9x16;
  return ScreenShape::kOther;
}

std::int32_t effectiveScreenAspect(ScreenShape shape, std::int32_t screenAspect) {
  if (shape == ScreenShape::kWide16x9 || shape == ScreenShape::kTall9x16) return screenAspect;
  return 1;
}

WindowSizeList windowSizes(std::int32_t gameWidth, std::int32_t gameHeight,
                           std::int32_t screenAspect) {
  switch (screenShape(gameWidth, gameHeight)) {
    case ScreenShape::kWide16x9:
      return screenAspect == 1 ? kStandard4x3Sizes : kWide16x9Sizes;
    case ScreenShape::kStandard4x3:
      return kStandard4x3Sizes;
    case ScreenShape::kTall3x4:
      return kTall3x4Sizes;
    case ScreenShape::kTall9x16:
      return kTall9x16Sizes;
    case ScreenShape::kOther:
      break;
  }
  WindowSizeList sizes;
  sizes.fill({gameWidth, gameHeight});
  return sizes;
}

std::string windowSizeLabel(render::Size size, std::int32_t resolution) {
  char buffer[32];
  const int length = std::snprintf(buffer, sizeof buffer, "%4dx%4d", size.width, size.height);
  std::string label(buffer, static_cast<std::size_t>(length));
  if (size.width == resolution) label += util::toSjis(u8"(等倍)");
  return label;
}

std::int32_t clientHeightFor(std::int32_t clientWidth, std::int32_t gameWidth,
                             std::int32_t gameHeight, std::int32_t screenAspect) {
  const ScreenShape shape = screenShape(gameWidth, gameHeight);
  const bool aspectSwitched = effectiveScreenAspect(shape, screenAspect) == 1;
  const std::int64_t w = clientWidth;
  switch (shape) {
    case ScreenShape::kWide16x9:
    case ScreenShape::kStandard4x3:
      return narrow(aspectSwitched ? w * 3 / 4 : w * 9 / 16);
    case ScreenShape::kTall9x16:
    case ScreenShape::kTall3x4:
      return narrow(aspectSwitched ? w * 4 / 3 : w * 16 / 9);
    case ScreenShape::kOther:
      break;
  }
  // A game screen without width has no ratio to keep.
  if (gameWidth == 0) return 0;
  return narrow(w * gameHeight / gameWidth);
}

DisplayFactors displayFactors(std::int32_t gameWidth, std::int32_t gameHeight,
                              std::int32_t assetWidth, std::int32_t resolution,
                              std::int32_t screenAspect) {
  DisplayFactors factors;
  const ScreenShape shape = screenShape(gameWidth, gameHeight);
  factors.presentationHeight =
      shape == ScreenShape::kWide16x9 && effectiveScreenAspect(shape, screenAspect) == 1
          ? narrow(std::int64_t{gameWidth} * 3 / 4)
          : gameHeight;
  // Until the game screen has a width every factor stays 1, which keeps the
  // render size equal to the game screen.
  if (gameWidth > 0) {
    const double width = gameWidth;
    const std::int32_t shownWidth = resolution <= 0 ? gameWidth : resolution;
    const std::int32_t drawnWidth = assetWidth <= 0 ? gameWidth : assetWidth;
    factors.resolutionFactor = shownWidth / width;
    factors.assetScale = drawnWidth / width;
    factors.inverseAssetScale = width / drawnWidth;
  }
  factors.renderSize = {
      static_cast<std::int32_t>(gameWidth * factors.resolutionFactor + 0.5),
      static_cast<std::int32_t>(factors.presentationHeight * factors.resolutionFactor + 0.5)};
  return factors;
}

std::int32_t screenRate(const DisplayFactors& factors) {
  return static_cast<std::int32_t>(factors.resolutionFactor * 100.0);
}

std::int32_t screenHeightQuery(const DisplayFactors& factors, std::int32_t gameWidth) {
  // Without a game width the render width is 0 too; their ratio is the
  // resolution factor, which is 1 then.
  if (gameWidth == 0) return factors.presentationHeight;
  return narrow(std::int64_t{factors.presentationHeight} * factors.renderSize.width / gameWidth);
}

std::array<PresentRects, 4> presentationRects(render::Size monitor, render::Size renderSize) {
  const Rect source{0, 0, renderSize.width, renderSize.height};
  const Rect full{0, 0, monitor.width, monitor.height};
  const Rect original = centred(monitor, renderSize.width, renderSize.height);
  Rect normal = original;
  Rect zoom = original;
  // An empty render size has no aspect to fit; Normal and Zoom then show it
  // unscaled like Original.
  if (renderSize.width > 0 && renderSize.height > 0) {
    const std::int64_t mw = monitor.width;
    const std::int64_t mh = monitor.height;
    const std::int64_t rw = renderSize.width;
    const std::int64_t rh = renderSize.height;
    if (monitorWiderThanRender(monitor, renderSize)) {
      normal = centred(monitor, narrow(mh * rw / rh), monitor.height);
      const double scale = static_cast<double>(mw) / static_cast<double>(rw);
      zoom = centred(monitor, monitor.width,
                     static_cast<std::int32_t>(scale * static_cast<double>(rh) + 0.5));
    } else {
      normal = centred(monitor, monitor.width, narrow(mw * rh / rw));
      const double scale = static_cast<double>(mh) / static_cast<double>(rh);
      zoom = centred(monitor, static_cast<std::int32_t>(scale * static_cast<double>(rw) + 0.5),
                     monitor.height);
    }
  }
  return {{{source, full}, {source, original}, {source, normal}, {source, zoom}}};
}

render::Size largestClientSize(render::Size monitor, render::Size renderSize,
                               std::int32_t frameWidth, std::int32_t frameHeight) {
  if (renderSize.width <= 0 || renderSize.height <= 0) return {};
  const Rect normal = presentationRects(monitor, renderSize)[2].destination;
  const std::int64_t rw = renderSize.width;
  const std::int64_t rh = renderSize.height;
  std::int64_t i = normal.width() - frameWidth - (frameWidth & 1);
  std::int64_t j = normal.height() - frameHeight - (frameHeight & 1);
  if (j * rw > i * rh) {
    // The height leaves more room: try the width that the whole height
    // would need, and fall back to the height of the available width when
    // the monitor is too narrow for it.
    const std::int64_t widthForHeight = (j * rw + rh / 2) / rh;
    if (monitor.width < frameWidth + widthForHeight) {
      j = (i * rh + rw / 2) / rw;
    } else {
      i = widthForHeight;
    }
  } else {
    const std::int64_t heightForWidth = (i * rh + rw / 2) / rw;
    if (monitor.height < frameHeight + heightForWidth) {
      i = (j * rw + rh / 2) / rh;
    } else {
      j = heightForWidth;
    }
  }
  // A monitor smaller than the frame leaves no client area rather than a
  // negative one.
  return {narrow(std::max<std::int64_t>(i, 0)), narrow(std::max<std::int64_t>(j, 0))};
}

bool scrollZoomEdges(render::Rect& destination, render::Size monitor, std::int32_t x,
                     std::int32_t y) {
  const std::int32_t dx =
      scrollStep(x, monitor.width, destination.left, monitor.width - destination.width(),
                 kScrollBandLeft, kScrollBandRight);
  const std::int32_t dy =
      scrollStep(y, monitor.height, destination.top, monitor.height - destination.height(),
                 kScrollBandTop, kScrollBandBottom);
  destination.left += dx;
  destination.right += dx;
  destination.top += dy;
  destination.bottom += dy;
  return dx != 0 || dy != 0;
}

Point presentationToGame(Point point, const render::Rect& destination, render::Size game) {
  return {toGameAxis(point.x, destination.left, destination.width(), game.width),
          toGameAxis(point.y, destination.top, destination.height(), game.height)};
}

Point gameToPresentation(Point point, const render::Rect& destination, render::Size game) {
  return {toPresentationAxis(point.x, destination.left, destination.width(), game.width),
          toPresentationAxis(point.y, destination.top, destination.height(), game.height)};
}

}  // namespace tsuzuri::shell
