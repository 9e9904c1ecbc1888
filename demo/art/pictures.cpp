#include "art/pictures.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "art/canvas.h"

namespace tsuzuri::art {

namespace {

// A small linear congruential generator with a fixed seed, so that the
// scattered stars are the same on every run and every machine.
class Scatter {
 public:
  float next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<float>(state_ >> 8) / static_cast<float>(1u << 24);
  }

 private:
  std::uint32_t state_ = 20240611u;
};

float smooth(float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

// ---------------------------------------------------------------- landscape

constexpr float kSunX = 900;
constexpr float kSunY = 478;
constexpr float kSunRadius = 64;

float farHill(float x) {
  return 492 + 26 * std::sin(0.0047f * x + 0.8f) + 13 * std::sin(0.0131f * x + 2.1f) +
         5 * std::sin(0.033f * x + 0.4f);
}

float nearHill(float x) {
  return 596 + 38 * std::sin(0.0036f * x + 2.3f) + 17 * std::sin(0.0107f * x + 0.2f) +
         6 * std::sin(0.029f * x + 1.3f);
}

Rgba skyAt(float x, float y) {
  struct Stop {
    float y;
    Rgba colour;
  };
  static const Stop kStops[] = {{0, rgb(30, 32, 80)},
                                {220, rgb(92, 68, 136)},
                                {390, rgb(206, 112, 130)},
                                {480, rgb(248, 160, 112)},
                                {560, rgb(255, 204, 140)}};
  Rgba colour = kStops[0].colour;
  for (std::size_t i = 1; i < std::size(kStops); ++i) {
    if (y >= kStops[i - 1].y) {
      colour = mix(kStops[i - 1].colour, kStops[i].colour,
                   smooth((y - kStops[i - 1].y) / (kStops[i].y - kStops[i - 1].y)));
    }
  }
  // The glow around the setting sun.
  const float distance = std::hypot(x - kSunX, (y - kSunY) * 1.3f);
  const float glow = 0.6f * std::exp(-std::max(0.0f, distance - kSunRadius) / 150.0f);
  return mix(colour, rgb(255, 214, 160), glow);
}

void cloud(Canvas& canvas, float cx, float cy, float s) {
  Shape shape = ellipse(cx, cy, 92 * s, 16 * s);
  shape = unite(shape, ellipse(cx - 42 * s, cy - 9 * s, 44 * s, 20 * s));
  shape = unite(shape, ellipse(cx + 22 * s, cy - 15 * s, 50 * s, 24 * s));
  shape = unite(shape, ellipse(cx + 70 * s, cy - 2 * s, 40 * s, 13 * s));
  canvas.fill(shape, verticalGradient(cy - 40 * s, rgb(255, 214, 200, 0.8f), cy + 16 * s,
                                      rgb(214, 128, 150, 0.8f)));
}

Shape pine(float x, float base, float height) {
  Shape tree = box(x - 3, base - height * 0.25f, x + 3, base + 6);
  for (int tier = 0; tier < 3; ++tier) {
    const float top = base - height + static_cast<float>(tier) * height * 0.24f;
    const float half = height * (0.16f + 0.07f * static_cast<float>(tier));
    tree = unite(
        tree,
        polygon({{x, top}, {x + half, top + height * 0.42f}, {x - half, top + height * 0.42f}}));
  }
  return tree;
}

Shape roundTree(float x, float base, float radius) {
  Shape tree = box(x - 3, base - radius, x + 3, base + 6);
  tree = unite(tree, circle(x, base - radius * 1.6f, radius));
  tree = unite(tree, circle(x - radius * 0.6f, base - radius * 1.2f, radius * 0.7f));
  return unite(tree, circle(x + radius * 0.65f, base - radius * 1.25f, radius * 0.65f));
}

void village(Canvas& canvas) {
  const Rgba wall = rgb(118, 74, 118);
  const Rgba light = rgb(255, 214, 150);
  struct House {
    float x;
    float width;
    float height;
  };
  const House houses[] = {
      {566, 26, 20}, {596, 20, 28}, {620, 30, 18}, {656, 22, 24}, {684, 26, 16}};
  for (const House& h : houses) {
    const float base = farHill(h.x + h.width / 2) + 8;
    canvas.fill(box(h.x, base - h.height, h.x + h.width, base), wall);
    canvas.fill(polygon({{h.x - 3, base - h.height + 1},
                         {h.x + h.width / 2, base - h.height - h.width * 0.45f},
                         {h.x + h.width + 3, base - h.height + 1}}),
                wall);
    canvas.fill(box(h.x + h.width * 0.3f, base - h.height * 0.65f, h.x + h.width * 0.3f + 4,
                    base - h.height * 0.65f + 4),
                light);
  }
  // A church tower stands above the roofs.
  const float base = farHill(640) + 8;
  canvas.fill(box(636, base - 58, 650, base), wall);
  canvas.fill(polygon({{634, base - 57}, {643, base - 84}, {652, base - 57}}), wall);
  canvas.fill(box(641, base - 48, 645, base - 42), light);
}

void cottage(Canvas& canvas, float x) {
  const Rgba dark = rgb(34, 28, 54);
  const Rgba window = rgb(255, 202, 112);
  const float base = nearHill(x + 35) + 8;
  canvas.fill(box(x + 46, base - 92, x + 58, base - 50), dark);  // chimney
  canvas.fill(box(x, base - 54, x + 70, base + 8), dark);
  canvas.fill(polygon({{x - 10, base - 50}, {x + 35, base - 92}, {x + 80, base - 50}}), dark);
  canvas.fill(circle(x + 24, base - 30, 26), [&](float px, float py) {
    const float d = std::hypot(px - (x + 24), py - (base - 30));
    return Rgba{window.r, window.g, window.b, 0.35f * (1 - d / 26)};
  });
  canvas.fill(box(x + 14, base - 40, x + 34, base - 20, 2), window);
  canvas.fill(box(x + 23, base - 40, x + 25, base - 20), dark);
  canvas.fill(box(x + 14, base - 31, x + 34, base - 29), dark);
  canvas.fill(box(x + 46, base - 34, x + 60, base + 8, 2), rgb(60, 44, 70));
}

assets::ImagePtr landscape() {
  Canvas canvas(1280, 720);
  canvas.paintAll(skyAt);

  Scatter scatter;
  for (int i = 0; i < 70; ++i) {
    const float x = scatter.next() * 1280;
    const float y = scatter.next() * 280;
    const float radius = 0.5f + scatter.next() * 0.9f;
    const float alpha = (1 - y / 320) * (0.4f + 0.6f * scatter.next());
    canvas.fill(circle(x, y, radius), rgb(255, 248, 230, alpha));
  }

  canvas.fill(circle(kSunX, kSunY, kSunRadius),
              verticalGradient(kSunY - kSunRadius, rgb(255, 244, 200), kSunY + kSunRadius,
                               rgb(255, 190, 120)));
  cloud(canvas, 250, 190, 1.25f);
  cloud(canvas, 660, 112, 0.9f);
  cloud(canvas, 1090, 236, 1.1f);
  cloud(canvas, 470, 336, 0.7f);
  cloud(canvas, 1180, 392, 0.55f);

  canvas.fill(ground(farHill, 1280, 720),
              verticalGradient(460, rgb(168, 102, 140), 620, rgb(120, 80, 128)));
  village(canvas);
  const Rgba farTree = rgb(112, 70, 116);
  for (const float x : {180.0f, 204.0f, 232.0f, 880.0f, 1010.0f, 1034.0f}) {
    canvas.fill(roundTree(x, farHill(x) + 6, 11), farTree);
  }

  canvas.fill(ground(nearHill, 1280, 720),
              verticalGradient(540, rgb(80, 58, 98), 720, rgb(42, 34, 64)));
  const Rgba silhouette = rgb(34, 28, 54);
  const struct {
    float x;
    float height;
  } pines[] = {{70, 120}, {112, 92}, {150, 136}, {1120, 112}, {1160, 84}, {1214, 140}, {1250, 96}};
  for (const auto& p : pines) canvas.fill(pine(p.x, nearHill(p.x) + 4, p.height), silhouette);
  for (const float x : {300.0f, 336.0f, 940.0f}) {
    canvas.fill(roundTree(x, nearHill(x) + 4, 24), silhouette);
  }
  cottage(canvas, 440);
  return canvas.toImage(true);
}

// ---------------------------------------------------------------- character

struct Look {
  Rgba hair;
  Rgba skin;
  Rgba blouse;
  Rgba uniform;  // collar and skirt
  Rgba ribbon;
  Rgba iris;
  Rgba legs;
  Rgba shoes;
  bool smiling;  // closed eyes, open mouth, blush
};

Rgba lineFor(Rgba colour) {
  return mix(shade(colour, 0.42f), rgb(58, 28, 48), 0.35f);
}

constexpr float kLine = 2.4f;

// Mirrors a shape drawn for the figure's right side (the viewer's left)
// onto the other side; the figure is symmetric about x = 180.
Shape mirrored(const Shape& shape) {
  return {[d = shape.distance](float x, float y) { return d(360 - x, y); },
          {360 - shape.bounds.x1, shape.bounds.y0, 360 - shape.bounds.x0, shape.bounds.y1}};
}

Shape bothSides(const Shape& shape) {
  return unite(shape, mirrored(shape));
}

void drawPart(Canvas& canvas, const Shape& shape, Rgba colour) {
  canvas.fillOutlined(shape, colour, lineFor(colour), kLine);
}

Shape faceShape() {
  return uniteSmooth(circle(180, 138, 60), ellipse(180, 180, 36, 38), 12);
}

Shape bangsShape() {
  const Shape cap = intersect(ellipse(180, 126, 76, 72), halfPlane(112, true));
  const Shape fringe = polygon({{108, 100},
                                {252, 100},
                                {250, 152},
                                {238, 122},
                                {228, 142},
                                {218, 116},
                                {206, 144},
                                {194, 114},
                                {178, 148},
                                {166, 116},
                                {152, 142},
                                {142, 116},
                                {130, 146},
                                {120, 120},
                                {110, 156}});
  const Shape locks = bothSides(capsule({116, 118}, {110, 238}, 12, 4));
  return unite(unite(cap, fringe), locks);
}

void drawEyes(Canvas& canvas, const Look& look) {
  const Rgba lash = rgb(52, 30, 44);
  for (const float ex : {154.0f, 206.0f}) {
    if (look.smiling) {
      canvas.fill(arc(ex, 164, 11, -2.75f, -0.4f, 3.4f), lash);
      continue;
    }
    const Shape lid = circle(ex, 161, 16);
    canvas.fill(intersect(ellipse(ex, 158, 13, 15), lid), rgb(252, 252, 255));
    canvas.fill(intersect(ellipse(ex, 160, 10, 13), lid),
                verticalGradient(146, shade(look.iris, 0.45f), 172, look.iris));
    canvas.fill(ellipse(ex, 161, 5, 7), shade(look.iris, 0.25f));
    canvas.fill(circle(ex - 3.5f, 154, 3.6f), rgb(255, 255, 255));
    canvas.fill(circle(ex + 4, 166, 1.8f), rgb(255, 255, 255, 0.9f));
    canvas.fill(arc(ex, 161, 16, -2.6f, -0.55f, 3.6f), lash);
  }
}

void drawMouth(Canvas& canvas, const Look& look) {
  if (!look.smiling) {
    canvas.fill(arc(180, 178, 9, 0.55f, 2.6f, 2.2f), rgb(160, 70, 80));
    return;
  }
  const Shape mouth = intersect(circle(180, 182, 10), halfPlane(182, false));
  canvas.fillOutlined(mouth, rgb(170, 56, 72), rgb(120, 40, 56), 1.2f);
  canvas.fill(intersect(mouth, circle(180, 195, 6)), rgb(240, 124, 128));
  for (const float bx : {144.0f, 216.0f}) {
    canvas.fill(ellipse(bx, 181, 13, 5.5f), rgb(255, 118, 130, 0.45f));
  }
}

assets::ImagePtr character(const Look& look) {
  Canvas canvas(360, 620);
  const Rgba skinShade = mix(look.skin, rgb(214, 140, 150), 0.35f);

  // Back to front: the long hair behind, legs, body, arms, head, hair.
  const Shape backHair = unite(ellipse(180, 128, 84, 86), polygon({{100, 130},
                                                                   {260, 130},
                                                                   {266, 300},
                                                                   {246, 332},
                                                                   {214, 312},
                                                                   {180, 326},
                                                                   {146, 312},
                                                                   {114, 332},
                                                                   {94, 300}}));
  drawPart(canvas, backHair, shade(look.hair, 0.82f));

  for (const float side : {0.0f, 1.0f}) {
    const float x = side == 0 ? 162 : 198;
    const float foot = side == 0 ? 160 : 200;
    drawPart(canvas, capsule({x, 470}, {foot, 588}, 13, 10), look.legs);
  }
  drawPart(canvas, bothSides(ellipse(154, 597, 19, 11)), look.shoes);

  const Shape neck = box(166, 196, 194, 252, 8);
  drawPart(canvas, neck, look.skin);
  canvas.fill(intersect(neck, translate(faceShape(), 0, 9)), skinShade);

  const Shape torso =
      grow(polygon({{140, 238}, {220, 238}, {242, 262}, {232, 348}, {128, 348}, {118, 262}}), 3);
  drawPart(canvas, torso, look.blouse);
  const Shape skirt = grow(polygon({{132, 338}, {228, 338}, {268, 472}, {92, 472}}), 3);
  drawPart(canvas, skirt, look.uniform);
  const Rgba pleat = shade(look.uniform, 0.7f);
  for (const float x : {128.0f, 156.0f, 180.0f, 204.0f, 232.0f}) {
    const float top = 180 + (x - 180) * 0.55f;
    canvas.fill(intersect(skirt, capsule({top, 350}, {x, 476}, 1.0f, 1.3f)), pleat);
  }
  canvas.fill(intersect(skirt, box(0, 452, 360, 459)), mix(look.uniform, rgb(255, 255, 255), 0.8f));
  drawPart(canvas, box(127, 330, 233, 348, 6), shade(look.uniform, 0.85f));

  const Shape sleeve = capsule({131, 262}, {115, 350}, 19, 15);
  const Shape cuff = intersect(sleeve, halfPlane(346, false));
  const Shape forearm = capsule({114, 356}, {116, 438}, 10.5f, 9);
  const Shape hand = ellipse(116, 447, 11, 14);
  for (const bool right : {false, true}) {
    const auto side = [&](const Shape& s) { return right ? mirrored(s) : s; };
    drawPart(canvas, side(forearm), look.skin);
    drawPart(canvas, side(hand), look.skin);
    drawPart(canvas, side(sleeve), look.blouse);
    drawPart(canvas, side(cuff), look.uniform);
  }

  const Shape opening = polygon({{160, 234}, {200, 234}, {180, 280}});
  canvas.fill(intersect(grow(opening, 1), torso), look.skin);
  const Shape collar =
      subtract(polygon({{140, 234}, {220, 234}, {230, 256}, {180, 304}, {130, 256}}), opening);
  drawPart(canvas, collar, look.uniform);
  canvas.fill(intersect(collar, subtract(grow(opening, 10), grow(opening, 7))), rgb(250, 250, 252));
  const Shape bow = unite(polygon({{180, 292}, {156, 279}, {152, 301}, {162, 307}}),
                          polygon({{180, 292}, {204, 279}, {208, 301}, {198, 307}}));
  const Shape tails = unite(polygon({{177, 294}, {163, 328}, {171, 331}, {182, 298}}),
                            polygon({{183, 294}, {197, 328}, {189, 331}, {178, 298}}));
  drawPart(canvas, tails, shade(look.ribbon, 0.85f));
  drawPart(canvas, bow, look.ribbon);
  drawPart(canvas, circle(180, 293, 6), look.ribbon);

  const Shape face = faceShape();
  drawPart(canvas, face, look.skin);
  const Shape bangs = bangsShape();
  canvas.fill(intersect(face, translate(bangs, 0, 7)), skinShade);
  drawEyes(canvas, look);
  canvas.fill(capsule({181, 172}, {179.5f, 176}, 1.2f, 1.2f), shade(skinShade, 0.85f));
  drawMouth(canvas, look);

  drawPart(canvas, bangs, look.hair);
  canvas.fill(intersect(bangs, arc(180, 128, 54, -2.75f, -0.4f, 5)),
              mix(look.hair, rgb(255, 255, 255), 0.35f));
  const Rgba brow = shade(look.hair, 0.6f);
  const float browY = look.smiling ? 147 : 150;
  for (const float ex : {154.0f, 206.0f})
    canvas.fill(arc(ex, browY, 22, -2.1f, -1.05f, 2.4f), brow);

  const Shape hairBow =
      unite(polygon({{232, 80}, {213, 64}, {210, 94}}), polygon({{232, 80}, {251, 66}, {254, 96}}));
  drawPart(canvas, hairBow, look.ribbon);
  drawPart(canvas, circle(232, 80, 6), shade(look.ribbon, 0.9f));
  return canvas.toImage();
}

// ---------------------------------------------------------------- panels and ramps

assets::ImagePtr card() {
  Canvas canvas(480, 270);
  const Shape panel = box(4, 4, 476, 266, 26);
  canvas.fill(panel, rgb(92, 70, 150));
  const Shape inside = grow(panel, -5);
  canvas.fill(inside,
              verticalGradient(0, rgb(252, 248, 240, 0.95f), 270, rgb(236, 228, 244, 0.95f)));
  canvas.fill(intersect(inside, halfPlane(64, true)), rgb(124, 102, 196));
  for (int i = 0; i < 3; ++i) {
    canvas.fill(circle(36 + 22 * static_cast<float>(i), 34, 7), rgb(255, 255, 255, 0.85f));
  }
  canvas.fillOutlined(circle(96, 160, 44), rgb(240, 118, 100), rgb(150, 60, 60), 2.5f);
  canvas.fillOutlined(box(172, 118, 256, 202, 14), rgb(70, 178, 170), rgb(30, 100, 100), 2.5f);
  canvas.fillOutlined(polygon({{330, 116}, {376, 202}, {284, 202}}), rgb(246, 196, 70),
                      rgb(150, 110, 30), 2.5f);
  std::vector<Point> star;
  for (int i = 0; i < 10; ++i) {
    const float angle = -1.5708f + static_cast<float>(i) * 0.6283f;
    const float r = i % 2 == 0 ? 34.0f : 14.0f;
    star.push_back({422 + r * std::cos(angle), 164 + r * std::sin(angle)});
  }
  canvas.fillOutlined(polygon(star), rgb(150, 120, 220), rgb(80, 60, 140), 2.5f);
  canvas.fill(box(40, 226, 300, 236, 5), rgb(180, 170, 200));
  canvas.fill(box(320, 226, 440, 236, 5), rgb(200, 190, 216));
  return canvas.toImage();
}

// The message window's frame and the plate its speaker's name sits on.
assets::ImagePtr messageWindow() {
  Canvas canvas(1200, 220);
  const Shape panel = box(3, 3, 1197, 217, 22);
  canvas.fill(panel, rgb(236, 230, 250, 0.92f));
  canvas.fill(grow(panel, -4),
              verticalGradient(0, rgb(44, 36, 82, 0.84f), 220, rgb(22, 18, 46, 0.9f)));
  return canvas.toImage();
}

assets::ImagePtr namePlate() {
  Canvas canvas(260, 52);
  const Shape plate = box(2, 2, 258, 50, 16);
  canvas.fill(plate, rgb(236, 230, 250, 0.95f));
  canvas.fill(grow(plate, -3), rgb(124, 102, 196, 0.95f));
  return canvas.toImage();
}

assets::ImagePtr greyscale(std::int32_t width, std::int32_t height,
                           const std::function<float(float, float)>& value) {
  assets::ImagePtr image = assets::makeImage(width, height, 24);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const float v = std::clamp(value(static_cast<float>(x), static_cast<float>(y)), 0.0f, 1.0f);
      std::uint8_t* p = assets::pixelAt(*image, x, y);
      p[0] = p[1] = p[2] = static_cast<std::uint8_t>(std::lround(v * 255));
      p[3] = 255;
    }
  }
  return image;
}

// ---------------------------------------------------------------- test pictures

struct Pixel {
  int r;
  int g;
  int b;
  int a;
};

assets::ImagePtr exact(std::int32_t width, std::int32_t height,
                       const std::function<Pixel(int, int)>& pixel) {
  assets::ImagePtr image = assets::makeImage(width, height, 32);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const Pixel c = pixel(x, y);
      std::uint8_t* p = assets::pixelAt(*image, x, y);
      p[0] = static_cast<std::uint8_t>(c.b);
      p[1] = static_cast<std::uint8_t>(c.g);
      p[2] = static_cast<std::uint8_t>(c.r);
      p[3] = static_cast<std::uint8_t>(c.a);
    }
  }
  return image;
}

}  // namespace

std::vector<Picture> demoPictures() {
  const Look everyday{rgb(112, 66, 52), rgb(255, 230, 214), rgb(246, 244, 250),
                      rgb(52, 62, 116), rgb(214, 56, 70),   rgb(52, 128, 168),
                      rgb(54, 48, 68),  rgb(104, 62, 46),   false};
  const Look festive{rgb(214, 150, 82), rgb(255, 230, 214), rgb(250, 246, 236),
                     rgb(40, 110, 86),  rgb(240, 184, 56),  rgb(176, 110, 40),
                     rgb(70, 58, 52),   rgb(120, 70, 40),   true};
  std::vector<Picture> pictures;
  pictures.push_back({"bg.png", landscape(), 24});
  pictures.push_back({"chara.png", character(everyday), 32});
  pictures.push_back({"chara2.png", character(festive), 32});
  // Black in the middle, white in the corners.
  pictures.push_back({"mask.png",
                      greyscale(512, 512,
                                [](float x, float y) {
                                  return std::hypot(x - 255.5f, y - 255.5f) /
                                         std::hypot(255.5f, 255.5f);
                                }),
                      8});
  pictures.push_back({"card.png", card(), 32});
  pictures.push_back({"window.png", messageWindow(), 32});
  pictures.push_back({"name.png", namePlate(), 32});
  // Black at the top left, white at the bottom right.
  pictures.push_back(
      {"rule.png", greyscale(1280, 720, [](float x, float y) { return (x / 1279 + y / 719) / 2; }),
       8});
  return pictures;
}

std::vector<Picture> testPictures() {
  std::vector<Picture> pictures;
  pictures.push_back({"bg.png",
                      exact(320, 240,
                            [](int x, int y) {
                              if (x < 160 && y < 120) {
                                return (x / 16 + y / 16) % 2 == 0 ? Pixel{32, 32, 32, 255}
                                                                  : Pixel{240, 240, 240, 255};
                              }
                              const int red = y * 255 / 239;
                              return Pixel{red, 96, 255 - red, 255};
                            }),
                      24});
  pictures.push_back({"solid.png",
                      exact(64, 64,
                            [](int, int) {
                              return Pixel{200, 100, 50, 255};
                            }),
                      24});
  pictures.push_back({"half.png",
                      exact(64, 64,
                            [](int, int) {
                              return Pixel{50, 150, 250, 128};
                            }),
                      32});
  pictures.push_back({"ramp.png",
                      exact(64, 64,
                            [](int x, int) {
                              return Pixel{255, 255, 255, x * 4 + 2};
                            }),
                      32});
  pictures.push_back({"mask.png",
                      exact(64, 64,
                            [](int x, int) {
                              return Pixel{x * 4, x * 4, x * 4, 255};
                            }),
                      8});
  pictures.push_back({"cells.png",
                      exact(128, 64,
                            [](int x, int) {
                              return x < 64 ? Pixel{0, 255, 0, 255} : Pixel{0, 0, 255, 255};
                            }),
                      24});
  pictures.push_back(
      {"wide.png",
       exact(300, 40,
             [](int x, int) {
               return (x / 10) % 2 == 0 ? Pixel{250, 210, 60, 255} : Pixel{40, 60, 200, 255};
             }),
       24});
  return pictures;
}

}  // namespace tsuzuri::art
