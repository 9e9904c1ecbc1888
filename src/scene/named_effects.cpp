#include "scene/named_effects.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "scene/easing.h"
#include "util/crc.h"

namespace tsuzuri::scene {
namespace {

using render::Rect;
using Kind = EffectStep::Kind;
constexpr EffectPicture kOld = EffectPicture::kOld;
constexpr EffectPicture kNew = EffectPicture::kNew;

enum class Family : std::uint8_t {
  kDirection,          // a band of the new picture grows from one edge
  kDirectionDiagonal,  // a triangle at a top corner grows or shrinks
  kIrisCorner,         // a rectangle at a corner grows or shrinks
  kIrisBand,           // a centred band grows or shrinks
  kSlide,              // one picture moves over the other
  kSlideHalves,        // the two halves of one picture move together
  kScroll,             // both pictures move together
  kShutter,            // 20 slats open together
  kCurtain,            // 20 bands open one after another
  kSquare,             // a centred rectangle grows or shrinks
  kFadeSlide,          // one picture fades and moves over the other
  kFadeScroll,         // both pictures fade and move together
};

// A member of a family. The direction is the way the boundary, band or
// picture travels: dx is −1 for Left and +1 for Right, dy −1 for Up and +1
// for Down. The band families and the halves have no direction, only an
// axis; their dx or dy is 1 on that axis.
struct Member {
  std::string_view name;
  Family family;
  std::int8_t dx;
  std::int8_t dy;
  bool in;
};

constexpr std::array<Member, kNamedEffectCount> kMembers{{
    {"DirectionUp", Family::kDirection, 0, -1, true},
    {"DirectionDown", Family::kDirection, 0, 1, true},
    {"DirectionLeft", Family::kDirection, -1, 0, true},
    {"DirectionRight", Family::kDirection, 1, 0, true},
    {"DirectionLeftUp", Family::kDirectionDiagonal, -1, -1, true},
    {"DirectionRightUp", Family::kDirectionDiagonal, 1, -1, true},
    {"DirectionLeftDown", Family::kDirectionDiagonal, -1, 1, true},
    {"DirectionRightDown", Family::kDirectionDiagonal, 1, 1, true},
    {"IrisInLeftUp", Family::kIrisCorner, -1, -1, true},
    {"IrisInRightUp", Family::kIrisCorner, 1, -1, true},
    {"IrisInLeftDown", Family::kIrisCorner, -1, 1, true},
    {"IrisInRightDown", Family::kIrisCorner, 1, 1, true},
    {"IrisOutLeftUp", Family::kIrisCorner, -1, -1, false},
    {"IrisOutRightUp", Family::kIrisCorner, 1, -1, false},
    {"IrisOutLeftDown", Family::kIrisCorner, -1, 1, false},
    {"IrisOutRightDown", Family::kIrisCorner, 1, 1, false},
    {"IrisInUpDown", Family::kIrisBand, 0, 1, true},
    {"IrisOutUpDown", Family::kIrisBand, 0, 1, false},
    {"IrisInLeftRight", Family::kIrisBand, 1, 0, true},
    {"IrisOutLeftRight", Family::kIrisBand, 1, 0, false},
    {"SlideInUp", Family::kSlide, 0, -1, true},
    {"SlideInDown", Family::kSlide, 0, 1, true},
    {"SlideInLeft", Family::kSlide, -1, 0, true},
    {"SlideInRight", Family::kSlide, 1, 0, true},
    {"SlideOutUp", Family::kSlide, 0, -1, false},
    {"SlideOutDown", Family::kSlide, 0, 1, false},
    {"SlideOutLeft", Family::kSlide, -1, 0, false},
    {"SlideOutRight", Family::kSlide, 1, 0, false},
    {"SlideInLeftUp", Family::kSlide, -1, -1, true},
    {"SlideInRightUp", Family::kSlide, 1, -1, true},
    {"SlideInLeftDown", Family::kSlide, -1, 1, true},
    {"SlideInRightDown", Family::kSlide, 1, 1, true},
    {"SlideOutLeftUp", Family::kSlide, -1, -1, false},
    {"SlideOutRightUp", Family::kSlide, 1, -1, false},
    {"SlideOutLeftDown", Family::kSlide, -1, 1, false},
    {"SlideOutRightDown", Family::kSlide, 1, 1, false},
    {"SlideInUpDown", Family::kSlideHalves, 0, 1, true},
    {"SlideOutUpDown", Family::kSlideHalves, 0, 1, false},
    {"SlideInLeftRight", Family::kSlideHalves, 1, 0, true},
    {"SlideOutLeftRight", Family::kSlideHalves, 1, 0, false},
    {"ScrollUp", Family::kScroll, 0, -1, true},
    {"ScrollDown", Family::kScroll, 0, 1, true},
    {"ScrollLeft", Family::kScroll, -1, 0, true},
    {"ScrollRight", Family::kScroll, 1, 0, true},
    {"ShutterUp", Family::kShutter, 0, -1, true},
    {"ShutterDown", Family::kShutter, 0, 1, true},
    {"ShutterLeft", Family::kShutter, -1, 0, true},
    {"ShutterRight", Family::kShutter, 1, 0, true},
    {"CurtainUp", Family::kCurtain, 0, -1, true},
    {"CurtainDown", Family::kCurtain, 0, 1, true},
    {"CurtainLeft", Family::kCurtain, -1, 0, true},
    {"CurtainRight", Family::kCurtain, 1, 0, true},
    {"SquareIn", Family::kSquare, 0, 0, true},
    {"SquareOut", Family::kSquare, 0, 0, false},
    {"FadeSlideInUp", Family::kFadeSlide, 0, -1, true},
    {"FadeSlideInDown", Family::kFadeSlide, 0, 1, true},
    {"FadeSlideInLeft", Family::kFadeSlide, -1, 0, true},
    {"FadeSlideInRight", Family::kFadeSlide, 1, 0, true},
    {"FadeSlideOutUp", Family::kFadeSlide, 0, -1, false},
    {"FadeSlideOutDown", Family::kFadeSlide, 0, 1, false},
    {"FadeSlideOutLeft", Family::kFadeSlide, -1, 0, false},
    {"FadeSlideOutRight", Family::kFadeSlide, 1, 0, false},
    {"FadeSlideInLeftUp", Family::kFadeSlide, -1, -1, true},
    {"FadeSlideInRightUp", Family::kFadeSlide, 1, -1, true},
    {"FadeSlideInLeftDown", Family::kFadeSlide, -1, 1, true},
    {"FadeSlideInRightDown", Family::kFadeSlide, 1, 1, true},
    {"FadeSlideOutLeftUp", Family::kFadeSlide, -1, -1, false},
    {"FadeSlideOutRightUp", Family::kFadeSlide, 1, -1, false},
    {"FadeSlideOutLeftDown", Family::kFadeSlide, -1, 1, false},
    {"FadeSlideOutRightDown", Family::kFadeSlide, 1, 1, false},
    {"FadeScrollUp", Family::kFadeScroll, 0, -1, true},
    {"FadeScrollDown", Family::kFadeScroll, 0, 1, true},
    {"FadeScrollLeft", Family::kFadeScroll, -1, 0, true},
    {"FadeScrollRight", Family::kFadeScroll, 1, 0, true},
}};

// The shutter and curtain families cut the screen into this many slats;
// the pixels past the last whole slat only change at the finishing frame.
constexpr std::int32_t kSlats = 20;

std::int32_t floorDiv(std::int64_t numerator, std::int64_t denominator) {
  std::int64_t quotient = numerator / denominator;
  if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0))) --quotient;
  return static_cast<std::int32_t>(quotient);
}

// A half-open range [lo, hi) of pixels on one axis.
struct Span {
  std::int32_t lo;
  std::int32_t hi;
};

Rect rectOf(Span x, Span y) {
  return Rect{x.lo, y.lo, x.hi, y.hi};
}

// Builds the steps of one frame. Positions come from the easing of the
// elapsed time for edges that grow from 0 and of the remaining time with
// the mirrored curve for edges that shrink from the full size, so both
// accelerate alike.
class FrameBuilder {
 public:
  FrameBuilder(std::int32_t width, std::int32_t height, std::int32_t elapsed, std::int32_t duration,
               std::int32_t easing, std::vector<EffectStep>& steps)
      : width_(width),
        height_(height),
        elapsed_(elapsed),
        remaining_(duration - elapsed),
        duration_(duration),
        easing_(easing),
        // Indices outside the curve table are linear either way; this only
        // keeps the negation defined.
        mirrored_(easing == INT32_MIN ? 0 : -easing),
        steps_(steps) {}

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  Span fullWidth() const { return {0, width_}; }
  Span fullHeight() const { return {0, height_}; }
  Rect screen() const { return Rect{0, 0, width_, height_}; }

  // A quantity that grows from 0 to `size`.
  std::int32_t grow(std::int32_t size) const {
    return easeInteger(0, size, elapsed_, duration_, easing_);
  }
  // A quantity that shrinks from `size` to 0.
  std::int32_t shrink(std::int32_t size) const {
    return easeInteger(0, size, remaining_, duration_, mirrored_);
  }
  // A shrinking quantity on the remaining time with the curve itself, as
  // the shrinking centre bands of the iris family have it.
  std::int32_t shrinkUnmirrored(std::int32_t size) const {
    return easeInteger(0, size, remaining_, duration_, easing_);
  }

  void composeRender(EffectPicture picture) {
    EffectStep step;
    step.kind = Kind::kComposeRender;
    step.picture = picture;
    steps_.push_back(step);
  }
  void composeBack(EffectPicture picture) {
    EffectStep step;
    step.kind = Kind::kComposeBack;
    step.picture = picture;
    steps_.push_back(step);
  }
  // Copies `area` of the render texture to the same place on the back surface.
  void copy(const Rect& area) { copyMoved(area, 0, 0); }
  // Copies `area` of the render texture to the back surface moved by
  // (dx, dy), keeping only what lies on the screen at both ends.
  void copyMoved(const Rect& area, std::int32_t dx, std::int32_t dy) {
    const std::int32_t left = std::max({area.left, 0, -dx});
    const std::int32_t top = std::max({area.top, 0, -dy});
    const std::int32_t right = std::min({area.right, width_, width_ - dx});
    const std::int32_t bottom = std::min({area.bottom, height_, height_ - dy});
    if (right <= left || bottom <= top) return;
    EffectStep step;
    step.kind = Kind::kCopy;
    step.source = Rect{left, top, right, bottom};
    step.destination = Rect{left + dx, top + dy, right + dx, bottom + dy};
    steps_.push_back(step);
  }
  // Overshooting curves can take an alpha past either end; the quad is
  // drawn with the nearest valid one.
  void quad(std::int32_t x, std::int32_t y, std::int32_t alpha) {
    EffectStep step;
    step.kind = Kind::kQuad;
    step.x = x;
    step.y = y;
    step.alpha = std::clamp(alpha, 0, 255);
    steps_.push_back(step);
  }

  // A band of `size` anchored at the edge behind a boundary that travels
  // in `direction` from that edge to the far one.
  Span bandBehind(std::int32_t direction, std::int32_t size) const {
    return direction < 0 ? Span{shrink(size), size} : Span{0, grow(size)};
  }
  // A band anchored at the edge ahead of a boundary that travels in
  // `direction` and so shrinks into that edge.
  Span bandAhead(std::int32_t direction, std::int32_t size) const {
    return direction < 0 ? Span{0, shrink(size)} : Span{grow(size), size};
  }

 private:
  std::int32_t width_;
  std::int32_t height_;
  std::int32_t elapsed_;
  std::int32_t remaining_;
  std::int32_t duration_;
  std::int32_t easing_;
  std::int32_t mirrored_;
  std::vector<EffectStep>& steps_;
};

// The picture a member composes into the render texture and the one it
// composes into the back surface.
void composePair(FrameBuilder& frame, EffectPicture render, EffectPicture back) {
  frame.composeRender(render);
  frame.composeBack(back);
}

// The moving picture is the render texture: the new one for an In member,
// which moves over the old, and the old one for an Out member, which moves
// off the new.
void composeMovingPicture(FrameBuilder& frame, bool in) {
  if (in) {
    composePair(frame, kNew, kOld);
  } else {
    composePair(frame, kOld, kNew);
  }
}

void directionFrame(const Member& m, FrameBuilder& f) {
  composePair(f, kNew, kOld);
  const Span x = m.dx != 0 ? f.bandBehind(m.dx, f.width()) : f.fullWidth();
  const Span y = m.dy != 0 ? f.bandBehind(m.dy, f.height()) : f.fullHeight();
  f.copy(rectOf(x, y));
}

// The Up members keep a shrinking triangle of the old picture at the named
// top corner; the Down members grow a triangle of the new picture at the
// top corner they move away from. Row y of a triangle with legs (a, b) is
// a − ⌊y a / b⌋ wide, so consecutive rows mostly differ and only the rows
// clipped to the screen width merge.
void directionDiagonalFrame(const Member& m, FrameBuilder& f) {
  const bool up = m.dy < 0;
  if (up) {
    composePair(f, kOld, kNew);
  } else {
    composePair(f, kNew, kOld);
  }
  const std::int32_t w = f.width();
  const std::int32_t legX = up ? f.shrink(2 * w) : f.grow(2 * w);
  const std::int32_t legY = up ? f.shrink(2 * f.height()) : f.grow(2 * f.height());
  // LeftUp and RightDown hold their triangle at the left edge.
  const bool fromLeft = (m.dx < 0) == up;
  const auto emitRun = [&](std::int32_t top, std::int32_t bottom, std::int32_t rowWidth) {
    f.copy(fromLeft ? Rect{0, top, rowWidth, bottom} : Rect{w - rowWidth, top, w, bottom});
  };

  const std::int32_t rows = std::min(f.height(), legY);
  std::int32_t runTop = 0;
  std::int32_t runWidth = 0;
  std::int32_t y = 0;
  for (; y < rows; ++y) {
    const std::int32_t rowWidth =
        std::min(w, legX - floorDiv(static_cast<std::int64_t>(y) * legX, legY));
    // The widths never grow down the triangle: the first empty row ends it.
    if (rowWidth <= 0) break;
    if (rowWidth != runWidth) {
      if (y > runTop) emitRun(runTop, y, runWidth);
      runTop = y;
      runWidth = rowWidth;
    }
  }
  if (y > runTop) emitRun(runTop, y, runWidth);
}

void irisCornerFrame(const Member& m, FrameBuilder& f) {
  if (m.in) {
    composePair(f, kNew, kOld);
    f.copy(rectOf(f.bandBehind(m.dx, f.width()), f.bandBehind(m.dy, f.height())));
  } else {
    composePair(f, kOld, kNew);
    f.copy(rectOf(f.bandAhead(m.dx, f.width()), f.bandAhead(m.dy, f.height())));
  }
}

// A band of length `length` centred in `size`.
Span centred(std::int32_t size, std::int32_t length) {
  const std::int32_t lo = floorDiv(static_cast<std::int64_t>(size) - length, 2);
  return {lo, lo + length};
}

void irisBandFrame(const Member& m, FrameBuilder& f) {
  const bool vertical = m.dy != 0;
  const std::int32_t size = vertical ? f.height() : f.width();
  std::int32_t length = 0;
  if (m.in) {
    composePair(f, kOld, kNew);
    length = f.shrinkUnmirrored(size);
  } else {
    composePair(f, kNew, kOld);
    length = f.grow(size);
  }
  const Span band = centred(size, length);
  f.copy(vertical ? rectOf(f.fullWidth(), band) : rectOf(band, f.fullHeight()));
}

// Where a sliding picture stands on one axis: an In picture comes from
// beyond the edge behind it and stops in place, an Out picture leaves in
// place and travels past the edge ahead.
std::int32_t slideOffset(const FrameBuilder& f, std::int32_t direction, std::int32_t size,
                         bool in) {
  if (direction == 0) return 0;
  const std::int32_t travelled = f.grow(size);
  if (!in) return direction * travelled;
  return direction < 0 ? size - travelled : travelled - size;
}

void slideFrame(const Member& m, FrameBuilder& f) {
  composeMovingPicture(f, m.in);
  f.copyMoved(f.screen(), slideOffset(f, m.dx, f.width(), m.in),
              slideOffset(f, m.dy, f.height(), m.in));
}

// The In members bring the two halves from the outer edges to the middle;
// the Out members split the old picture in the middle and move the halves
// out through the outer edges. The second half of an In picture is placed
// against the far edge, so on an odd size its last line arrives only with
// the finishing frame.
void slideHalvesFrame(const Member& m, FrameBuilder& f) {
  composeMovingPicture(f, m.in);
  const bool vertical = m.dy != 0;
  const std::int32_t size = vertical ? f.height() : f.width();
  const std::int32_t half = size / 2;
  const std::int32_t travelled = f.grow(half);
  const std::int32_t firstOffset = m.in ? travelled - half : -travelled;
  const std::int32_t secondOffset = m.in ? size - travelled - half : travelled;
  if (vertical) {
    f.copyMoved(Rect{0, 0, f.width(), half}, 0, firstOffset);
    f.copyMoved(Rect{0, half, f.width(), size}, 0, secondOffset);
  } else {
    f.copyMoved(Rect{0, 0, half, f.height()}, firstOffset, 0);
    f.copyMoved(Rect{half, 0, size, f.height()}, secondOffset, 0);
  }
}

void scrollFrame(const Member& m, FrameBuilder& f) {
  const bool vertical = m.dy != 0;
  const std::int32_t direction = vertical ? m.dy : m.dx;
  const std::int32_t size = vertical ? f.height() : f.width();
  const std::int32_t travelled = f.grow(size);
  // The two pictures tile the screen unless a curve overshoots; the gap
  // then shows the old picture.
  if (travelled < 0 || travelled > size) f.composeBack(kOld);
  const std::int32_t oldOffset = direction * travelled;
  const std::int32_t newOffset = direction * (travelled - size);
  f.composeRender(kOld);
  f.copyMoved(f.screen(), vertical ? 0 : oldOffset, vertical ? oldOffset : 0);
  f.composeRender(kNew);
  f.copyMoved(f.screen(), vertical ? 0 : newOffset, vertical ? newOffset : 0);
}

// Copies span `along` of the screen's moving axis across the whole other axis.
void copyBand(FrameBuilder& f, bool vertical, Span along) {
  f.copy(vertical ? rectOf(f.fullWidth(), along) : rectOf(along, f.fullHeight()));
}

void shutterFrame(const Member& m, FrameBuilder& f) {
  composePair(f, kNew, kOld);
  const bool vertical = m.dy != 0;
  const std::int32_t direction = vertical ? m.dy : m.dx;
  const std::int32_t slat = (vertical ? f.height() : f.width()) / kSlats;
  const std::int32_t open = f.grow(slat);
  for (std::int32_t i = 0; i < kSlats; ++i) {
    if (direction < 0) {
      // From the far slat back to the first, each opening from its far edge.
      const std::int32_t end = (kSlats - i) * slat;
      copyBand(f, vertical, {end - open, end});
    } else {
      const std::int32_t start = i * slat;
      copyBand(f, vertical, {start, start + open});
    }
  }
}

// Band i starts ⌊i d² / size⌋ pixels late, a little under one band width
// for the last, and opens twice as fast as a shutter slat.
void curtainFrame(const Member& m, FrameBuilder& f) {
  composePair(f, kNew, kOld);
  const bool vertical = m.dy != 0;
  const std::int32_t direction = vertical ? m.dy : m.dx;
  const std::int32_t size = vertical ? f.height() : f.width();
  const std::int32_t band = size / kSlats;
  const std::int32_t progress = f.grow(2 * band);
  const std::int64_t square = static_cast<std::int64_t>(band) * band;
  for (std::int32_t i = 0; i < kSlats; ++i) {
    const auto delay = static_cast<std::int32_t>(i * square / size);
    const std::int32_t open = std::min(band, progress - delay);
    if (open <= 0) continue;
    if (direction < 0) {
      const std::int32_t end = (kSlats - i) * band;
      copyBand(f, vertical, {end - open, end});
    } else {
      const std::int32_t start = i * band;
      copyBand(f, vertical, {start, start + open});
    }
  }
}

void squareFrame(const Member& m, FrameBuilder& f) {
  std::int32_t w = 0;
  std::int32_t h = 0;
  if (m.in) {
    composePair(f, kOld, kNew);
    w = f.shrink(f.width());
    h = f.shrink(f.height());
  } else {
    composePair(f, kNew, kOld);
    w = f.grow(f.width());
    h = f.grow(f.height());
  }
  f.copy(rectOf(centred(f.width(), w), centred(f.height(), h)));
}

// An In picture fades in while its offset, which starts against the
// direction, shrinks to nothing; an Out picture fades out while moving off
// in the direction.
void fadeSlideFrame(const Member& m, FrameBuilder& f) {
  composeMovingPicture(f, m.in);
  if (m.in) {
    f.quad(-m.dx * f.shrink(f.width()), -m.dy * f.shrink(f.height()), f.grow(255));
  } else {
    f.quad(m.dx * f.grow(f.width()), m.dy * f.grow(f.height()), f.shrink(255));
  }
}

// The old picture is laid down opaque and then drawn again, moving and
// fading out, so the trail it leaves is the old picture itself rather than
// whatever the back surface held.
void fadeScrollFrame(const Member& m, FrameBuilder& f) {
  const bool vertical = m.dy != 0;
  const std::int32_t direction = vertical ? m.dy : m.dx;
  const std::int32_t size = vertical ? f.height() : f.width();
  const std::int32_t travelled = f.grow(size);
  const std::int32_t alpha = f.grow(255);
  const std::int32_t oldOffset = direction * travelled;
  const std::int32_t newOffset = direction * (travelled - size);
  f.composeRender(kOld);
  f.quad(0, 0, 255);
  f.quad(vertical ? 0 : oldOffset, vertical ? oldOffset : 0, 255 - alpha);
  f.composeRender(kNew);
  f.quad(vertical ? 0 : newOffset, vertical ? newOffset : 0, alpha);
}

const std::unordered_map<std::uint32_t, NamedEffect>& effectsByHash() {
  static const auto* const table = [] {
    auto* map = new std::unordered_map<std::uint32_t, NamedEffect>();
    for (NamedEffect id = 0; id < kNamedEffectCount; ++id) {
      map->emplace(util::crc32_hash2(kMembers[static_cast<std::size_t>(id)].name), id);
    }
    return map;
  }();
  return *table;
}

}  // namespace

std::optional<NamedEffect> findNamedEffect(std::string_view name) {
  const auto& table = effectsByHash();
  const auto it = table.find(util::crc32_hash2(name));
  if (it == table.end()) return std::nullopt;
  return it->second;
}

std::string_view namedEffectName(NamedEffect effect) {
  if (effect < 0 || effect >= kNamedEffectCount) return {};
  return kMembers[static_cast<std::size_t>(effect)].name;
}

void namedEffectFrame(NamedEffect effect, std::int32_t width, std::int32_t height,
                      std::int32_t elapsed, std::int32_t duration, std::int32_t easing,
                      std::vector<EffectStep>& steps) {
  steps.clear();
  if (effect < 0 || effect >= kNamedEffectCount || width <= 0 || height <= 0) return;
  // A transition without time is shown finished.
  if (duration <= 0) {
    duration = 1;
    elapsed = 1;
  }
  elapsed = std::clamp(elapsed, 0, duration);

  FrameBuilder frame(width, height, elapsed, duration, easing, steps);
  const Member& member = kMembers[static_cast<std::size_t>(effect)];
  switch (member.family) {
    case Family::kDirection:
      directionFrame(member, frame);
      break;
    case Family::kDirectionDiagonal:
      directionDiagonalFrame(member, frame);
      break;
    case Family::kIrisCorner:
      irisCornerFrame(member, frame);
      break;
    case Family::kIrisBand:
      irisBandFrame(member, frame);
      break;
    case Family::kSlide:
      slideFrame(member, frame);
      break;
    case Family::kSlideHalves:
      slideHalvesFrame(member, frame);
      break;
    case Family::kScroll:
      scrollFrame(member, frame);
      break;
    case Family::kShutter:
      shutterFrame(member, frame);
      break;
    case Family::kCurtain:
      curtainFrame(member, frame);
      break;
    case Family::kSquare:
      squareFrame(member, frame);
      break;
    case Family::kFadeSlide:
      fadeSlideFrame(member, frame);
      break;
    case Family::kFadeScroll:
      fadeScrollFrame(member, frame);
      break;
  }
}

}  // namespace tsuzuri::scene
