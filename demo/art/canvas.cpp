#include "art/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace tsuzuri::art {

namespace {

constexpr float kEdgeWidth = 1.2f;
constexpr float kFar = 1.0e6f;

float length(float x, float y) {
  return std::sqrt(x * x + y * y);
}

Bounds unionOf(const Bounds& a, const Bounds& b) {
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

Bounds intersectionOf(const Bounds& a, const Bounds& b) {
  return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

Bounds widen(const Bounds& b, float amount) {
  return {b.x0 - amount, b.y0 - amount, b.x1 + amount, b.y1 + amount};
}

// The distance from p to the segment a–b, and where along it the nearest
// point lies (0 at a, 1 at b).
std::pair<float, float> segmentDistance(Point p, Point a, Point b) {
  const float ex = b.x - a.x;
  const float ey = b.y - a.y;
  const float wx = p.x - a.x;
  const float wy = p.y - a.y;
  const float lengthSquared = ex * ex + ey * ey;
  const float t =
      lengthSquared > 0 ? std::clamp((wx * ex + wy * ey) / lengthSquared, 0.0f, 1.0f) : 0.0f;
  return {length(wx - ex * t, wy - ey * t), t};
}

// Ordered-dither thresholds for a 4 × 4 tile, between 0 and 1.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

std::uint8_t toByte(float value, float threshold) {
  const float scaled = std::floor(std::clamp(value, 0.0f, 1.0f) * 255.0f + threshold);
  return static_cast<std::uint8_t>(std::clamp(scaled, 0.0f, 255.0f));
}

}  // namespace

Rgba mix(Rgba from, Rgba to, float t) {
  return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
          from.a + (to.a - from.a) * t};
}

Rgba shade(Rgba colour, float factor) {
  return {colour.r * factor, colour.g * factor, colour.b * factor, colour.a};
}

float coverage(float distance) {
  return std::clamp(0.5f - distance / kEdgeWidth, 0.0f, 1.0f);
}

Shape circle(float cx, float cy, float radius) {
  return {[=](float x, float y) { return length(x - cx, y - cy) - radius; },
          {cx - radius, cy - radius, cx + radius, cy + radius}};
}

Shape ellipse(float cx, float cy, float rx, float ry) {
  // A close estimate of the distance (exact on the axes), good enough for
  // the edge: the implicit function divided by its gradient.
  return {[=](float x, float y) {
            const float px = (x - cx) / rx;
            const float py = (y - cy) / ry;
            const float k0 = length(px, py);
            const float k1 = length(px / rx, py / ry);
            if (k1 <= 0) return -std::min(rx, ry);
            return k0 * (k0 - 1.0f) / k1;
          },
          {cx - rx, cy - ry, cx + rx, cy + ry}};
}

Shape box(float x0, float y0, float x1, float y1, float radius) {
  const float cx = (x0 + x1) / 2;
  const float cy = (y0 + y1) / 2;
  const float hx = (x1 - x0) / 2 - radius;
  const float hy = (y1 - y0) / 2 - radius;
  return {[=](float x, float y) {
            const float qx = std::abs(x - cx) - hx;
            const float qy = std::abs(y - cy) - hy;
            return length(std::max(qx, 0.0f), std::max(qy, 0.0f)) +
                   std::min(std::max(qx, qy), 0.0f) - radius;
          },
          {x0, y0, x1, y1}};
}

Shape capsule(Point a, Point b, float r0, float r1) {
  const float r = std::max(r0, r1);
  return {[=](float x, float y) {
            const auto [d, t] = segmentDistance({x, y}, a, b);
            return d - (r0 + (r1 - r0) * t);
          },
          {std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r,
           std::max(a.y, b.y) + r}};
}

Shape polygon(std::vector<Point> points) {
  Bounds bounds{kFar, kFar, -kFar, -kFar};
  for (const Point& p : points) {
    bounds = unionOf(bounds, {p.x, p.y, p.x, p.y});
  }
  return {[points = std::move(points)](float x, float y) {
            float nearest = kFar;
            bool inside = false;
            for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
              const Point& a = points[i];
              const Point& b = points[j];
              nearest = std::min(nearest, segmentDistance({x, y}, a, b).first);
              if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
                inside = !inside;
              }
            }
            return inside ? -nearest : nearest;
          },
          bounds};
}

Shape arc(float cx, float cy, float radius, float from, float to, float width) {
  const Point start{cx + radius * std::cos(from), cy + radius * std::sin(from)};
  const Point end{cx + radius * std::cos(to), cy + radius * std::sin(to)};
  const float reach = radius + width;
  return {[=](float x, float y) {
            float angle = std::atan2(y - cy, x - cx);
            constexpr float kTurn = 2 * std::numbers::pi_v<float>;
            while (angle < from) angle += kTurn;
            if (angle <= to) return std::abs(length(x - cx, y - cy) - radius) - width / 2;
            return std::min(length(x - start.x, y - start.y), length(x - end.x, y - end.y)) -
                   width / 2;
          },
          {cx - reach, cy - reach, cx + reach, cy + reach}};
}

Shape ground(const std::function<float(float)>& height, float width, float bottom) {
  float top = bottom;
  for (float x = 0; x <= width; x += 1.0f) top = std::min(top, height(x));
  return {[height](float x, float y) {
            const float slope = (height(x + 0.5f) - height(x - 0.5f));
            return (height(x) - y) / std::sqrt(1.0f + slope * slope);
          },
          {0, top - 1, width, bottom}};
}

Shape halfPlane(float limit, bool above) {
  return {[=](float, float y) { return above ? y - limit : limit - y; },
          above ? Bounds{-kFar, -kFar, kFar, limit + 1} : Bounds{-kFar, limit - 1, kFar, kFar}};
}

Shape unite(const Shape& a, const Shape& b) {
  return {
      [da = a.distance, db = b.distance](float x, float y) { return std::min(da(x, y), db(x, y)); },
      unionOf(a.bounds, b.bounds)};
}

Shape uniteSmooth(const Shape& a, const Shape& b, float radius) {
  return {[da = a.distance, db = b.distance, radius](float x, float y) {
            const float d1 = da(x, y);
            const float d2 = db(x, y);
            const float h = std::clamp(0.5f + 0.5f * (d2 - d1) / radius, 0.0f, 1.0f);
            return d2 + (d1 - d2) * h - radius * h * (1.0f - h);
          },
          widen(unionOf(a.bounds, b.bounds), radius)};
}

Shape intersect(const Shape& a, const Shape& b) {
  return {
      [da = a.distance, db = b.distance](float x, float y) { return std::max(da(x, y), db(x, y)); },
      intersectionOf(a.bounds, b.bounds)};
}

Shape subtract(const Shape& a, const Shape& b) {
  return {[da = a.distance, db = b.distance](float x, float y) {
            return std::max(da(x, y), -db(x, y));
          },
          a.bounds};
}

Shape grow(const Shape& shape, float amount) {
  return {[d = shape.distance, amount](float x, float y) { return d(x, y) - amount; },
          widen(shape.bounds, std::max(amount, 0.0f))};
}

Shape translate(const Shape& shape, float dx, float dy) {
  return {[d = shape.distance, dx, dy](float x, float y) { return d(x - dx, y - dy); },
          {shape.bounds.x0 + dx, shape.bounds.y0 + dy, shape.bounds.x1 + dx, shape.bounds.y1 + dy}};
}

Paint solid(Rgba colour) {
  return [colour](float, float) { return colour; };
}

Paint verticalGradient(float y0, Rgba from, float y1, Rgba to) {
  return
      [=](float, float y) { return mix(from, to, std::clamp((y - y0) / (y1 - y0), 0.0f, 1.0f)); };
}

Canvas::Canvas(std::int32_t width, std::int32_t height)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0.0f) {}

void Canvas::fill(const Shape& shape, const Paint& paint) {
  // One pixel of margin: the soft edge reaches a little outside the shape.
  const Bounds b = widen(shape.bounds, 1.0f);
  const auto x0 = static_cast<std::int32_t>(std::max(0.0f, std::floor(b.x0)));
  const auto y0 = static_cast<std::int32_t>(std::max(0.0f, std::floor(b.y0)));
  const auto x1 = static_cast<std::int32_t>(std::min(static_cast<float>(width_), std::ceil(b.x1)));
  const auto y1 = static_cast<std::int32_t>(std::min(static_cast<float>(height_), std::ceil(b.y1)));
  for (std::int32_t y = y0; y < y1; ++y) {
    for (std::int32_t x = x0; x < x1; ++x) {
      const float px = static_cast<float>(x) + 0.5f;
      const float py = static_cast<float>(y) + 0.5f;
      const float cover = coverage(shape.distance(px, py));
      if (cover <= 0) continue;
      const Rgba colour = paint(px, py);
      const float alpha = std::clamp(colour.a * cover, 0.0f, 1.0f);
      float* p = &pixels_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                           static_cast<std::size_t>(x)) *
                          4];
      p[0] = colour.r * alpha + p[0] * (1 - alpha);
      p[1] = colour.g * alpha + p[1] * (1 - alpha);
      p[2] = colour.b * alpha + p[2] * (1 - alpha);
      p[3] = alpha + p[3] * (1 - alpha);
    }
  }
}

void Canvas::fillOutlined(const Shape& shape, Rgba colour, Rgba outline, float width) {
  fill(grow(shape, width), outline);
  fill(shape, colour);
}

void Canvas::paintAll(const Paint& paint) {
  for (std::int32_t y = 0; y < height_; ++y) {
    for (std::int32_t x = 0; x < width_; ++x) {
      const Rgba c = paint(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
      float* p = &pixels_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                           static_cast<std::size_t>(x)) *
                          4];
      p[0] = c.r * c.a;
      p[1] = c.g * c.a;
      p[2] = c.b * c.a;
      p[3] = c.a;
    }
  }
}

Rgba Canvas::at(std::int32_t x, std::int32_t y) const {
  const float* p = &pixels_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                             static_cast<std::size_t>(x)) *
                            4];
  if (p[3] <= 0) return {0, 0, 0, 0};
  return {p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

assets::ImagePtr Canvas::toImage(bool dither) const {
  assets::ImagePtr image = assets::makeImage(width_, height_, 32);
  if (!image) return image;
  for (std::int32_t y = 0; y < height_; ++y) {
    for (std::int32_t x = 0; x < width_; ++x) {
      const float threshold =
          dither ? (static_cast<float>(kBayer[y & 3][x & 3]) + 0.5f) / 16.0f : 0.5f;
      const Rgba c = at(x, y);
      std::uint8_t* p = assets::pixelAt(*image, x, y);
      p[3] = toByte(c.a, 0.5f);
      if (p[3] == 0) {
        p[0] = p[1] = p[2] = 0;
        continue;
      }
      p[0] = toByte(c.b, threshold);
      p[1] = toByte(c.g, threshold);
      p[2] = toByte(c.r, threshold);
    }
  }
  return image;
}

}  // namespace tsuzuri::art
