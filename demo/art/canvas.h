#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "assets/image_buffer.h"

namespace tsuzuri::art {

// A colour with straight alpha, every channel from 0 to 1.
struct Rgba {
  float r = 0;
  float g = 0;
  float b = 0;
  float a = 1;
};

// A colour from 8-bit channels.
constexpr Rgba rgb(int r, int g, int b, float a = 1.0f) {
  return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
          static_cast<float>(b) / 255.0f, a};
}

Rgba mix(Rgba from, Rgba to, float t);
// The colour scaled towards black (factor < 1) keeping its alpha.
Rgba shade(Rgba colour, float factor);

// The area a shape may cover, in pixel coordinates (x1, y1 excluded).
struct Bounds {
  float x0 = 0;
  float y0 = 0;
  float x1 = 0;
  float y1 = 0;
};

// A shape is a signed distance in pixels (negative inside) and the bounds
// outside which it covers nothing. The distance only needs to be exact near
// the edge, where it decides the anti-aliased coverage.
struct Shape {
  std::function<float(float, float)> distance;
  Bounds bounds;
};

struct Point {
  float x = 0;
  float y = 0;
};

Shape circle(float cx, float cy, float radius);
Shape ellipse(float cx, float cy, float rx, float ry);
// An axis-aligned box with rounded corners (radius 0: sharp).
Shape box(float x0, float y0, float x1, float y1, float radius = 0);
// A segment with round ends whose radius goes from r0 at a to r1 at b.
Shape capsule(Point a, Point b, float r0, float r1);
// A closed polygon (either winding); the even-odd rule decides inside.
Shape polygon(std::vector<Point> points);
// The band of width `width` along the circle's arc from angle `from` to `to`
// (radians, y pointing down, so positive angles turn clockwise on screen).
Shape arc(float cx, float cy, float radius, float from, float to, float width);
// Everything above the curve y = height(x) is outside; below it, inside.
Shape ground(const std::function<float(float)>& height, float width, float bottom);
// Everything with y < limit (above: true) or y >= limit (above: false).
Shape halfPlane(float limit, bool above);

Shape unite(const Shape& a, const Shape& b);
// Union with a rounded seam of about `radius` pixels.
Shape uniteSmooth(const Shape& a, const Shape& b, float radius);
Shape intersect(const Shape& a, const Shape& b);
Shape subtract(const Shape& a, const Shape& b);
// The shape grown by `amount` pixels on every side (negative: shrunk).
Shape grow(const Shape& shape, float amount);
Shape translate(const Shape& shape, float dx, float dy);

using Paint = std::function<Rgba(float, float)>;
Paint solid(Rgba colour);
// From `from` at `y0` to `to` at `y1`, constant beyond.
Paint verticalGradient(float y0, Rgba from, float y1, Rgba to);

// A picture being drawn: premultiplied colours in floating point, composed
// with "over". Every fill anti-aliases its edge over about 1.2 pixels.
class Canvas {
 public:
  Canvas(std::int32_t width, std::int32_t height);

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }

  void fill(const Shape& shape, const Paint& paint);
  void fill(const Shape& shape, Rgba colour) { fill(shape, solid(colour)); }
  // Fills with `colour` and a darker rim of `outline` pixels around it, as
  // the character pictures draw every part.
  void fillOutlined(const Shape& shape, Rgba colour, Rgba outline, float width);
  // Sets every pixel from a function of its centre, ignoring what was there.
  void paintAll(const Paint& paint);

  // The straight colour at a pixel (transparent black where alpha is 0).
  Rgba at(std::int32_t x, std::int32_t y) const;

  // The picture as an engine image (depth 32, straight alpha). With
  // `dither` an ordered dither hides the steps of long gradients.
  assets::ImagePtr toImage(bool dither = false) const;

 private:
  std::int32_t width_;
  std::int32_t height_;
  std::vector<float> pixels_;  // premultiplied r, g, b, a
};

// How much of a pixel a signed distance covers.
float coverage(float distance);

}  // namespace tsuzuri::art
