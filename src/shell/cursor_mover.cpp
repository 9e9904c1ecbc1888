#include "shell/cursor_mover.h"

#include <algorithm>
#include <cmath>

namespace tsuzuri::shell {
namespace {

constexpr std::uint64_t kLongestMove = 0x7FFF'FFFF;

// floor(√value), exact for every 64-bit value the floating root is near.
std::uint64_t integerRoot(std::uint64_t value) {
  auto root = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(value)));
  while (root > 0 && root * root > value) --root;
  while ((root + 1) * (root + 1) <= value) ++root;
  return root;
}

std::int32_t along(std::int32_t from, std::int32_t to, double progress) {
  const double span = static_cast<double>(to) - static_cast<double>(from);
  return static_cast<std::int32_t>(static_cast<double>(from) + progress * span);
}

}  // namespace

std::uint32_t CursorMover::duration(std::int32_t speed, std::int64_t dx, std::int64_t dy) {
  // A leg of 2^31 pixels or more takes the duration of one just short of it
  // (far past the longest move anyway): the squares then stay below 2^62,
  // d below 2^32, and the product with a speed below 2^31 fits 64 bits.
  const auto square = [](std::int64_t v) {
    const std::uint64_t magnitude = std::min<std::uint64_t>(
        v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v), kLongestMove);
    return magnitude * magnitude;
  };
  const std::uint64_t distance = integerRoot(square(dx) + square(dy));
  const std::uint64_t product = static_cast<std::uint64_t>(std::max(speed, 0)) * distance;
  return static_cast<std::uint32_t>(std::min(product >> 3, kLongestMove) | 2U);
}

void CursorMover::start(std::int32_t fromX, std::int32_t fromY, std::int32_t toX, std::int32_t toY,
                        std::int32_t speed, std::uint32_t now) {
  from_ = {fromX, fromY};
  to_ = {toX, toY};
  lastPlaced_ = from_;
  startTime_ = now;
  duration_ = duration(speed, std::int64_t{toX} - fromX, std::int64_t{toY} - fromY);
  active_ = true;
}

std::uint32_t CursorMover::remaining(std::uint32_t now) const {
  return running(now) ? duration_ - elapsed(now) : 0;
}

Point CursorMover::position(std::uint32_t now) const {
  const std::uint32_t t = elapsed(now);
  if (t >= duration_) return to_;
  const double u = 1.0 - static_cast<double>(t) / static_cast<double>(duration_);
  const double progress = 1.0 - u * u * u;
  return {along(from_.x, to_.x, progress), along(from_.y, to_.y, progress)};
}

std::optional<Point> CursorMover::step(std::uint32_t now) {
  if (!active_) return std::nullopt;
  if (!running(now)) {
    active_ = false;
    lastPlaced_ = to_;
    return to_;
  }
  const Point here = position(now);
  if (here == lastPlaced_) return std::nullopt;
  lastPlaced_ = here;
  return here;
}

}  // namespace tsuzuri::shell
