#include "scene/world_matrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tsuzuri::scene {
namespace {

struct Pixel {
  float x, y, depth;
};

// Local quad point → clip space → target pixels, as the rasteriser's
// viewport does it.
Pixel project(const render::Matrix4& m, float lx, float ly, render::Size target) {
  float v[4];
  for (int c = 0; c < 4; ++c) v[c] = lx * m.at(0, c) + ly * m.at(1, c) + m.at(3, c);
  const float halfW = static_cast<float>(target.width) / 2;
  const float halfH = static_cast<float>(target.height) / 2;
  return {(v[0] / v[3] + 1) * halfW, (1 - v[1] / v[3]) * halfH, v[2] / v[3]};
}

constexpr float kPixelTolerance = 0.01F;

TEST(SpriteTransform, UnrotatedQuadCoversItsPixelSizeAroundTheAnchor) {
  struct Case {
    render::Size tile, target;
    SpriteOffsets offsets;
  };
  const Case cases[] = {
      {{64, 32}, {800, 600}, {400, 300, 1, 1}},   {{100, 50}, {1280, 720}, {10, 700, 1, 1}},
      {{256, 256}, {256, 256}, {128, 128, 1, 1}}, {{33, 17}, {800, 600}, {-20, 33.5F, 1, 1}},
      {{64, 64}, {800, 600}, {200, 100, 2, 2}},   {{100, 40}, {1280, 720}, {640, 360, 0.5F, 0.5F}},
      {{30, 90}, {256, 256}, {17, 240, 2, 0.5F}},
  };
  const float corners[][2] = {{-1, 1}, {-1, -1}, {1, 1}, {1, -1}};
  for (const auto& [tile, target, o] : cases) {
    const render::Matrix4 m = spriteTransform(o, {}, tile, target);
    const float halfW = static_cast<float>(tile.width) * o.sx / 2;
    const float halfH = static_cast<float>(tile.height) * o.sy / 2;
    for (const auto& [lx, ly] : corners) {
      const Pixel p = project(m, lx, ly, target);
      EXPECT_NEAR(p.x, o.ox - 0.5F + lx * halfW, kPixelTolerance) << tile.width << " at " << o.ox;
      EXPECT_NEAR(p.y, o.oy - 0.5F - ly * halfH, kPixelTolerance) << tile.height << " at " << o.oy;
      EXPECT_NEAR(p.depth, 0.7F, 1e-4F);
    }
  }
}

TEST(SpriteTransform, QuarterTurnSwapsTheExtents) {
  const render::Size target{800, 600};
  const render::Size tile{120, 40};
  for (const float angle : {90.0F, -90.0F, 270.0F}) {
    const SpriteOffsets o{300, 200, 1, 1};
    const render::Matrix4 m = spriteTransform(o, {0, 0, angle}, tile, target);
    const Pixel right = project(m, 1, 0, target);
    const Pixel top = project(m, 0, 1, target);
    // The local x axis now runs vertically, over the tile's width.
    EXPECT_NEAR(right.x, 299.5F, kPixelTolerance) << angle;
    EXPECT_NEAR(std::abs(right.y - 199.5F), 60, kPixelTolerance) << angle;
    EXPECT_NEAR(std::abs(top.x - 299.5F), 20, kPixelTolerance) << angle;
    EXPECT_NEAR(top.y, 199.5F, kPixelTolerance) << angle;
  }
  // A positive turn takes the local x axis up the screen.
  const Pixel right =
      project(spriteTransform({300, 200, 1, 1}, {0, 0, 90}, tile, target), 1, 0, target);
  EXPECT_LT(right.y, 199.5F);
}

TEST(SpriteTransform, TiltForeshortensLikeAPinholeCamera) {
  // A tilted sprite is seen through a lens with a vertical field of view of
  // 45°: with P = half the target height / tan(22.5°) pixels (the focal
  // length in pixels) and e = the tilted extent E × sin(angle) / (2P), the
  // extent shrinks to E × cos(angle) / (1 - e²), the edge a positive angle
  // tips away to 1 / (1 + e) of its size and the other to 1 / (1 - e), while the centre line keeps
  // its length. The anchor sits on the optical axis (the target centre plus
  // the half-pixel shift) so that these hold exactly.
  const render::Size target{1280, 720};
  const float w = 100;
  const float h = 80;
  const float focal = 360 / std::tan(3.14159265F / 8);
  const SpriteOffsets o{640.5F, 360.5F, 1, 1};
  auto across = [&](const render::Matrix4& m, float ly) {
    return project(m, 1, ly, target).x - project(m, -1, ly, target).x;
  };
  auto down = [&](const render::Matrix4& m, float lx) {
    return project(m, lx, -1, target).y - project(m, lx, 1, target).y;
  };
  for (const float angle : {60.0F, 30.0F, -45.0F}) {
    const float radians = angle * 3.14159265F / 180;

    // Pitching tips the top edge away from the camera for positive angles.
    const render::Matrix4 pitched = spriteTransform(o, {angle, 0, 0}, {100, 80}, target);
    const float ey = h * std::sin(radians) / (2 * focal);
    EXPECT_NEAR(across(pitched, 0), w, kPixelTolerance) << angle;
    EXPECT_NEAR(down(pitched, 0), h * std::cos(radians) / (1 - ey * ey), kPixelTolerance) << angle;
    EXPECT_NEAR(across(pitched, 1), w / (1 + ey), kPixelTolerance) << angle;
    EXPECT_NEAR(across(pitched, -1), w / (1 - ey), kPixelTolerance) << angle;

    // Turning brings the right edge towards the camera for positive angles.
    const render::Matrix4 turned = spriteTransform(o, {0, angle, 0}, {100, 80}, target);
    const float ex = w * std::sin(radians) / (2 * focal);
    EXPECT_NEAR(down(turned, 0), h, kPixelTolerance) << angle;
    EXPECT_NEAR(across(turned, 0), w * std::cos(radians) / (1 - ex * ex), kPixelTolerance) << angle;
    EXPECT_NEAR(down(turned, 1), h / (1 - ex), kPixelTolerance) << angle;
    EXPECT_NEAR(down(turned, -1), h / (1 + ex), kPixelTolerance) << angle;
  }
}

struct OffsetCase {
  const char* what;
  OffsetInput in;
  SpriteOffsets expected;
};

void expectOffsets(const OffsetCase& c) {
  const SpriteOffsets got = spriteOffsets(c.in);
  EXPECT_FLOAT_EQ(got.ox, c.expected.ox) << c.what;
  EXPECT_FLOAT_EQ(got.oy, c.expected.oy) << c.what;
  EXPECT_FLOAT_EQ(got.sx, c.expected.sx) << c.what;
  EXPECT_FLOAT_EQ(got.sy, c.expected.sy) << c.what;
}

TEST(SpriteOffsets, OnTheScreen) {
  // Screen quake offset (5, -6), screen centre (400, 300).
  const OffsetCase cases[] = {
      {"plain", {.x = 10, .y = 20, .scaleX = 2, .scaleY = 0.5F}, {10, 20, 2, 0.5F}},
      {"own quake", {.x = 10, .y = 20, .quakeX = 3, .quakeY = 4}, {13, 24, 1, 1}},
      {"quake suppressed",
       {.x = 10, .y = 20, .quakeX = 3, .quakeY = 4, .quakeSuppressed = true},
       {10, 20, 1, 1}},
      {"screen quake",
       {.x = 10,
        .y = 20,
        .quakeX = 3,
        .quakeY = 4,
        .screenQuakeOn = true,
        .screenQuakeX = 5,
        .screenQuakeY = -6},
       {18, 18, 1, 1}},
      {"screen quake ignored",
       {.x = 10,
        .y = 20,
        .flags = 0x10,
        .screenQuakeOn = true,
        .screenQuakeX = 5,
        .screenQuakeY = -6},
       {10, 20, 1, 1}},
      {"window sprite under the screen quake",
       {.x = 10,
        .y = 20,
        .flags = 0x1,
        .screenQuakeOn = true,
        .screenQuakeX = 5,
        .screenQuakeY = -6},
       {10, 20, 1, 1}},
      {"window sprite under the window quake",
       {.x = 10,
        .y = 20,
        .flags = 0x1,
        .windowQuakeOn = true,
        .screenQuakeX = 5,
        .screenQuakeY = -6},
       {15, 14, 1, 1}},
      {"window quake ignored",
       {.x = 10,
        .y = 20,
        .flags = 0x3,
        .windowQuakeOn = true,
        .screenQuakeX = 5,
        .screenQuakeY = -6},
       {10, 20, 1, 1}},
      {"window sprite does not scroll",
       {.x = 500, .y = 200, .flags = 0x2, .scrollX = 7, .zoomX = 200, .centreX = 400},
       {500, 200, 1, 1}},
      {"scroll", {.x = 10, .y = 20, .scrollX = 7, .scrollY = -8}, {17, 12, 1, 1}},
      {"zoom 200 around the centre",
       {.x = 500,
        .y = 200,
        .scaleX = 2,
        .zoomX = 200,
        .zoomY = 200,
        .centreX = 400,
        .centreY = 300},
       {600, 100, 4, 2}},
      {"zoom 50 with scroll",
       {.x = 500, .y = 300, .scrollX = 10, .zoomX = 50, .centreX = 400, .centreY = 300},
       {460, 300, 0.5F, 1}},
      {"scroll ignored",
       {.x = 500,
        .y = 200,
        .flags = 0x20,
        .scrollX = 7,
        .zoomX = 200,
        .zoomY = 200,
        .centreX = 400,
        .centreY = 300},
       {500, 200, 1, 1}},
      {"factor 1.5 snaps at rest", {.x = 333, .y = 101, .factor = 1.5F}, {500, 152, 1, 1}},
      {"factor 1.5 rounds away from zero",
       {.x = -333, .y = -101, .factor = 1.5F},
       {-500, -152, 1, 1}},
      {"factor 1.5 in motion",
       {.x = 333, .y = 101, .factor = 1.5F, .motionRunningX = true},
       {499.5F, 152, 1, 1}},
      {"factor 1.5 with an offset",
       {.x = 333, .y = 101, .quakeX = 2, .factor = 1.5F},
       {502.5F, 152, 1, 1}},
      {"class 1",
       {.x = 10,
        .y = 20,
        .scaleX = 2,
        .resolutionClass = 1,
        .quakeX = 2,
        .quakeY = 4,
        .factor = 1.5F},
       {18, 36, 3, 1.5F}},
      {"class 2",
       {.x = 10,
        .y = 20,
        .resolutionClass = 2,
        .quakeX = 2,
        .quakeY = 4,
        .factor = 1.5F,
        .displayRatio = 1.25F},
       {18, 36, 1.25F, 1.25F}},
      {"class 1 zoomed",
       {.x = 500,
        .y = 300,
        .resolutionClass = 1,
        .zoomX = 200,
        .zoomY = 200,
        .centreX = 400,
        .centreY = 300,
        .factor = 1.5F},
       {900, 450, 3, 3}},
  };
  for (const auto& c : cases) expectOffsets(c);
}

TEST(SpriteOffsets, InARenderLayer) {
  // The screen's quake, scroll and zoom never reach a layer's contents.
  const OffsetCase cases[] = {
      {"factor 1",
       {.x = 10,
        .y = 20,
        .layer = 3,
        .quakeX = 3,
        .quakeY = 4,
        .screenQuakeOn = true,
        .screenQuakeX = 5,
        .scrollX = 7,
        .zoomX = 200},
       {13, 24, 1, 1}},
      {"factor 1.5 class 0",
       {.x = 333, .y = 101, .layer = 3, .quakeX = 3, .factor = 1.5F},
       {503, 152, 1, 1}},
      {"factor 1.5 class 1",
       {.x = 333, .y = 101, .resolutionClass = 1, .layer = 3, .quakeX = 3, .factor = 1.5F},
       {336, 101, 1, 1}},
      {"factor 1.5 class 2",
       {.x = 333, .y = 101, .resolutionClass = 2, .layer = 3, .quakeX = 3, .factor = 1.5F},
       {503, 152, 1, 1}},
      {"own pixels, factor 1",
       {.x = 10,
        .y = 20,
        .layer = 3,
        .layerOwnPixelSpace = true,
        .quakeX = 3,
        .quakeY = 4,
        .assetScale = 2},
       {13, 24, 1, 1}},
      {"own pixels, class 1",
       {.x = 10,
        .y = 20,
        .scaleX = 2,
        .resolutionClass = 1,
        .layer = 3,
        .layerOwnPixelSpace = true,
        .quakeX = 3,
        .quakeY = 4,
        .factor = 1.5F,
        .assetScale = 2},
       {26, 48, 4, 2}},
      {"own pixels, class 2",
       {.x = 10,
        .y = 20,
        .resolutionClass = 2,
        .layer = 3,
        .layerOwnPixelSpace = true,
        .quakeX = 3,
        .quakeY = 4,
        .factor = 1.5F,
        .assetScale = 2},
       {26, 48, 1, 1}},
      {"own pixels, class 0",
       {.x = 10, .y = 101, .layer = 3, .layerOwnPixelSpace = true, .quakeX = 3, .factor = 1.5F},
       {19.5F, 152, 1, 1}},
      {"own pixels, class 0 in motion",
       {.x = 10,
        .y = 101,
        .layer = 3,
        .layerOwnPixelSpace = true,
        .quakeX = 3,
        .factor = 1.5F,
        .motionRunningY = true},
       {19.5F, 151.5F, 1, 1}},
      {"own pixels, quake suppressed",
       {.x = 333,
        .y = 20,
        .layer = 3,
        .layerOwnPixelSpace = true,
        .quakeX = 3,
        .quakeSuppressed = true,
        .factor = 1.5F},
       {500, 30, 1, 1}},
  };
  for (const auto& c : cases) expectOffsets(c);
}

}  // namespace
}  // namespace tsuzuri::scene
