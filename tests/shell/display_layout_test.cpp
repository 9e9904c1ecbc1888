#include "shell/display_layout.h"

#include <gtest/gtest.h>

#include <string>

#include "util/sjis.h"

namespace tsuzuri::shell {
namespace {

using render::Rect;
using render::Size;

TEST(DisplayLayout, ReducesTheGameSizeToAShape) {
  struct Case {
    Size game;
    ScreenShape shape;
  };
  const Case cases[] = {
      {{1280, 720}, ScreenShape::kWide16x9},   {{32, 18}, ScreenShape::kWide16x9},
      {{800, 600}, ScreenShape::kStandard4x3}, {{480, 640}, ScreenShape::kTall3x4},
      {{720, 1280}, ScreenShape::kTall9x16},   {{1000, 700}, ScreenShape::kOther},
      {{800, 800}, ScreenShape::kOther},       {{0, 0}, ScreenShape::kOther},
      {{-16, -9}, ScreenShape::kOther},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(screenShape(c.game.width, c.game.height), c.shape)
        << c.game.width << "x" << c.game.height;
  }
  EXPECT_EQ(effectiveScreenAspect(ScreenShape::kWide16x9, 0), 0);
  EXPECT_EQ(effectiveScreenAspect(ScreenShape::kWide16x9, 1), 1);
  EXPECT_EQ(effectiveScreenAspect(ScreenShape::kTall9x16, 0), 0);
  EXPECT_EQ(effectiveScreenAspect(ScreenShape::kStandard4x3, 0), 1);
  EXPECT_EQ(effectiveScreenAspect(ScreenShape::kTall3x4, 0), 1);
  EXPECT_EQ(effectiveScreenAspect(ScreenShape::kOther, 0), 1);
}

TEST(DisplayLayout, OffersTheSizeListOfTheShape) {
  struct Case {
    Size game;
    std::int32_t screenAspect;
    Size first;
    Size sixth;
    Size last;
  };
  const Case cases[] = {
      {{1280, 720}, 0, {480, 270}, {1280, 720}, {1920, 1080}},
      {{1280, 720}, 1, {400, 300}, {1200, 900}, {1600, 1200}},
      {{1024, 768}, 0, {400, 300}, {1200, 900}, {1600, 1200}},
      {{600, 800}, 0, {300, 400}, {900, 1200}, {1200, 1600}},
      {{720, 1280}, 0, {270, 480}, {720, 1280}, {1080, 1920}},
      // ScreenAspect 1 does not change the list of a tall 9:16 game.
      {{720, 1280}, 1, {270, 480}, {720, 1280}, {1080, 1920}},
  };
  for (const auto& c : cases) {
    const WindowSizeList sizes = windowSizes(c.game.width, c.game.height, c.screenAspect);
    EXPECT_EQ(sizes[0], c.first) << c.game.width << "x" << c.game.height;
    EXPECT_EQ(sizes[5], c.sixth) << c.game.width << "x" << c.game.height;
    EXPECT_EQ(sizes[9], c.last) << c.game.width << "x" << c.game.height;
  }
  EXPECT_EQ(windowSizes(1280, 720, 0)[6], (Size{1366, 768}));

  // Any other ratio offers the game size ten times, and ScreenAspect is 1.
  for (const Size& size : windowSizes(1000, 700, 0)) EXPECT_EQ(size, (Size{1000, 700}));
  EXPECT_EQ(effectiveScreenAspect(screenShape(1000, 700), 0), 1);
}

TEST(DisplayLayout, MarksTheEntryOfTheResolution) {
  const std::string mark = "(\x93\x99\x94\x7B)";
  ASSERT_EQ(util::toSjis(u8"(等倍)"), mark);
  EXPECT_EQ(windowSizeLabel({480, 270}, 1280), " 480x 270");
  EXPECT_EQ(windowSizeLabel({1280, 720}, 1280), "1280x 720" + mark);
  EXPECT_EQ(windowSizeLabel({12345, 720}, 0), "12345x 720");

  // Resolution 0 counts as the game width: the mark sits on 1280x720, and
  // moves to 1920x1080 with Resolution 1920.
  for (const std::int32_t resolution : {1280, 1920}) {
    const WindowSizeList sizes = windowSizes(1280, 720, 0);
    int marked = 0;
    for (const Size& size : sizes) {
      const std::string label = windowSizeLabel(size, resolution);
      if (label.ends_with(mark)) {
        ++marked;
        EXPECT_EQ(size.width, resolution);
      }
    }
    EXPECT_EQ(marked, 1) << resolution;
  }
}

TEST(DisplayLayout, DerivesTheClientHeightFromTheWidth) {
  struct Case {
    std::int32_t clientWidth;
    Size game;
    std::int32_t screenAspect;
    std::int32_t height;
  };
  const Case cases[] = {
      {1920, {1280, 720}, 0, 1080},  // ResolutionWindow with Resolution 1920
      {1920, {1280, 720}, 1, 1440},
      {1000, {1280, 720}, 0, 562},
      {1024, {1024, 768}, 0, 768},  // ScreenAspect is 1 for 4:3 whatever the setting
      {800, {600, 800}, 0, 1066},
      {1000, {720, 1280}, 0, 1777},
      {1001, {1000, 700}, 0, 700},
      {500, {0, 0}, 0, 0},
      // A 9:16 game with ScreenAspect 1 keeps its 9:16 picture (see the
      // factors below) yet gets a 3:4 client area: 720 wide gives 960, not
      // 1280.
      {720, {720, 1280}, 1, 960},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(clientHeightFor(c.clientWidth, c.game.width, c.game.height, c.screenAspect), c.height)
        << c.clientWidth << " on " << c.game.width << "x" << c.game.height;
  }
}

TEST(DisplayLayout, ComputesTheDisplayFactors) {
  struct Case {
    Size game;
    std::int32_t assetWidth;
    std::int32_t resolution;
    std::int32_t screenAspect;
    double resolutionFactor;
    double assetScale;
    std::int32_t presentationHeight;
    Size renderSize;
    std::int32_t rate;
    std::int32_t screenHeight;
  };
  const Case cases[] = {
      {{1280, 720}, 0, 0, 0, 1.0, 1.0, 720, {1280, 720}, 100, 720},
      {{1280, 720}, 1280, 1920, 0, 1.5, 1.0, 720, {1920, 1080}, 150, 1080},
      {{1280, 720}, 0, 0, 1, 1.0, 1.0, 960, {1280, 960}, 100, 960},
      {{1280, 720}, 0, 1920, 1, 1.5, 1.0, 960, {1920, 1440}, 150, 1440},
      {{1280, 720}, 2560, 1366, 0, 1.0671875, 2.0, 720, {1366, 768}, 106, 768},
      {{1000, 700}, 0, 0, 0, 1.0, 1.0, 700, {1000, 700}, 100, 700},
      {{800, 600}, 400, 0, 1, 1.0, 0.5, 600, {800, 600}, 100, 600},
      // Only a 16:9 game is shown 4:3: the 9:16 game with ScreenAspect 1
      // keeps its 720 x 1280 picture.
      {{720, 1280}, 0, 0, 1, 1.0, 1.0, 1280, {720, 1280}, 100, 1280},
      // Nothing to scale before the game screen has a size.
      {{0, 0}, 0, 1920, 0, 1.0, 1.0, 0, {0, 0}, 100, 0},
  };
  for (const auto& c : cases) {
    const DisplayFactors f =
        displayFactors(c.game.width, c.game.height, c.assetWidth, c.resolution, c.screenAspect);
    SCOPED_TRACE(testing::Message() << c.game.width << "x" << c.game.height << " at "
                                    << c.resolution << ", aspect " << c.screenAspect);
    EXPECT_DOUBLE_EQ(f.resolutionFactor, c.resolutionFactor);
    EXPECT_DOUBLE_EQ(f.assetScale, c.assetScale);
    EXPECT_DOUBLE_EQ(f.inverseAssetScale, 1.0 / c.assetScale);
    EXPECT_EQ(f.presentationHeight, c.presentationHeight);
    EXPECT_EQ(f.renderSize, c.renderSize);
    EXPECT_EQ(screenRate(f), c.rate);
    EXPECT_EQ(screenHeightQuery(f, c.game.width), c.screenHeight);
  }
}

TEST(DisplayLayout, PlacesThePresentationOfEveryMode) {
  struct Case {
    Size monitor;
    Size render;
    Rect full2;
    Rect original;
    Rect normal;
    Rect zoom;
  };
  const Case cases[] = {
      // Monitor larger than the render size, same aspect.
      {{1920, 1080},
       {1280, 720},
       {0, 0, 1920, 1080},
       {320, 180, 1600, 900},
       {0, 0, 1920, 1080},
       {0, 0, 1920, 1080}},
      // Monitor smaller than the render size.
      {{1280, 720},
       {1920, 1080},
       {0, 0, 1280, 720},
       {-320, -180, 1600, 900},
       {0, 0, 1280, 720},
       {0, 0, 1280, 720}},
      // Odd negative differences shift towards minus infinity (-87 >> 1 is -44).
      {{1280, 1024},
       {1367, 769},
       {0, 0, 1280, 1024},
       {-44, 127, 1323, 896},
       {0, 152, 1280, 872},
       {-270, 0, 1550, 1024}},
      // A 4:3 picture on a 16:9 monitor.
      {{1920, 1080},
       {1024, 768},
       {0, 0, 1920, 1080},
       {448, 156, 1472, 924},
       {240, 0, 1680, 1080},
       {0, -180, 1920, 1260}},
      // A 16:9 picture on a portrait monitor.
      {{1080, 1920},
       {1280, 720},
       {0, 0, 1080, 1920},
       {-100, 600, 1180, 1320},
       {0, 656, 1080, 1263},
       {-1167, 0, 2246, 1920}},
      // An empty render size is shown as it is.
      {{1920, 1080},
       {0, 0},
       {0, 0, 1920, 1080},
       {960, 540, 960, 540},
       {960, 540, 960, 540},
       {960, 540, 960, 540}},
  };
  for (const auto& c : cases) {
    const auto rects = presentationRects(c.monitor, c.render);
    SCOPED_TRACE(testing::Message() << c.render.width << "x" << c.render.height << " on "
                                    << c.monitor.width << "x" << c.monitor.height);
    const Rect source{0, 0, c.render.width, c.render.height};
    const Rect destinations[] = {c.full2, c.original, c.normal, c.zoom};
    for (std::size_t mode = 0; mode < rects.size(); ++mode) {
      EXPECT_EQ(rects[mode], (PresentRects{source, destinations[mode]})) << "mode " << mode + 1;
    }
  }
}

TEST(DisplayLayout, LimitsTheWindowToTheMonitor) {
  struct Case {
    Size monitor;
    Size render;
    std::int32_t frameWidth;
    std::int32_t frameHeight;
    Size client;
  };
  const Case cases[] = {
      // The width is tried as a height first; too tall, so the height decides.
      {{1920, 1080}, {1280, 720}, 16, 59, {1813, 1020}},
      {{1080, 1920}, {1280, 720}, 16, 59, {1064, 599}},
      {{1024, 768}, {1920, 1080}, 16, 59, {1008, 567}},
      {{1280, 1024}, {1024, 768}, 17, 58, {1262, 947}},
      // The height is tried as a width first; too wide, so the width decides.
      {{1920, 1080}, {1280, 720}, 400, 10, {1520, 855}},
      {{2560, 1080}, {1280, 720}, 200, 10, {1902, 1070}},
      {{100, 100}, {1280, 720}, 160, 590, {0, 0}},
      {{1920, 1080}, {0, 0}, 16, 59, {0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(largestClientSize(c.monitor, c.render, c.frameWidth, c.frameHeight), c.client)
        << c.render.width << "x" << c.render.height << " on " << c.monitor.width << "x"
        << c.monitor.height;
  }
}

TEST(DisplayLayout, ScrollsTheZoomPictureAtTheEdges) {
  struct Case {
    Size monitor;
    Rect before;
    std::int32_t x;
    std::int32_t y;
    Rect after;
  };
  constexpr Size kWide{1920, 1080};
  constexpr Size kSquare{1280, 1024};
  const Case cases[] = {
      // A 4:3 picture on a 16:9 monitor scrolls only vertically.
      {kWide, {0, -180, 1920, 1260}, 960, 10, {0, -176, 1920, 1264}},
      {kWide, {0, -180, 1920, 1260}, 960, 59, {0, -176, 1920, 1264}},
      {kWide, {0, -180, 1920, 1260}, 960, 60, {0, -180, 1920, 1260}},
      {kWide, {0, -3, 1920, 1437}, 960, 0, {0, -2, 1920, 1438}},
      {kWide, {0, -4, 1920, 1436}, 960, 0, {0, 0, 1920, 1440}},
      {kWide, {0, 0, 1920, 1440}, 960, 0, {0, 0, 1920, 1440}},
      {kWide, {0, -180, 1920, 1260}, 960, 1041, {0, -184, 1920, 1256}},
      {kWide, {0, -180, 1920, 1260}, 960, 1040, {0, -180, 1920, 1260}},
      {kWide, {0, -356, 1920, 1084}, 960, 1079, {0, -360, 1920, 1080}},
      {kWide, {0, -357, 1920, 1083}, 960, 1079, {0, -358, 1920, 1082}},
      {kWide, {0, -360, 1920, 1080}, 960, 1079, {0, -360, 1920, 1080}},
      {kWide, {0, -180, 1920, 1260}, 0, 540, {0, -180, 1920, 1260}},
      // A wide picture on a square monitor scrolls only horizontally.
      {kSquare, {-270, 0, 1550, 1024}, 39, 0, {-266, 0, 1554, 1024}},
      {kSquare, {-270, 0, 1550, 1024}, 40, 0, {-270, 0, 1550, 1024}},
      {kSquare, {-270, 0, 1550, 1024}, 1241, 1023, {-274, 0, 1546, 1024}},
      {kSquare, {-270, 0, 1550, 1024}, 1240, 1023, {-270, 0, 1550, 1024}},
      {kSquare, {-537, 0, 1283, 1024}, 1279, 0, {-538, 0, 1282, 1024}},
      // A corner scrolls both ways at once.
      {kSquare, {-10, -10, 1300, 1100}, 0, 0, {-6, -6, 1304, 1104}},
  };
  for (const auto& c : cases) {
    Rect destination = c.before;
    const bool moved = scrollZoomEdges(destination, c.monitor, c.x, c.y);
    EXPECT_EQ(destination, c.after)
        << "pointer " << c.x << "," << c.y << " top " << c.before.top << " left " << c.before.left;
    EXPECT_EQ(moved, c.before != c.after);
  }
}

TEST(DisplayLayout, MapsPointsBetweenPresentationAndGame) {
  const Size game{1280, 720};
  EXPECT_EQ(presentationToGame({320, 180}, {320, 180, 1600, 900}, game), (Point{0, 0}));
  EXPECT_EQ(presentationToGame({319, 179}, {320, 180, 1600, 900}, game), (Point{-1, -1}));
  EXPECT_EQ(presentationToGame({1600, 900}, {320, 180, 1600, 900}, game), (Point{1280, 720}));
  EXPECT_EQ(presentationToGame({3, 1079}, {0, 0, 1920, 1080}, game), (Point{2, 719}));
  EXPECT_EQ(gameToPresentation({1, 719}, {0, 0, 1920, 1080}, game), (Point{2, 1079}));
  EXPECT_EQ(presentationToGame({0, 0}, {0, -180, 1920, 1260}, {1024, 768}), (Point{0, 96}));
  EXPECT_EQ(presentationToGame({5, 5}, {5, 5, 5, 5}, game), (Point{-1, -1}));
  EXPECT_EQ(gameToPresentation({5, 5}, {7, 8, 100, 100}, {0, 0}), (Point{7, 8}));

  // Every pixel comes back from a round trip when the destination is at
  // least as large as the game screen, and the mapping never goes backwards,
  // also left of and above the destination.
  struct Case {
    std::int32_t origin;
    std::int32_t extent;
    std::int32_t game;
  };
  const Case cases[] = {
      {0, 1280, 1280},    {320, 1280, 1280}, {0, 1920, 1280}, {0, 1100, 1000},
      {-270, 1820, 1280}, {3, 1001, 1000},   {0, 960, 1280},  {-5, 333, 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.extent << " showing " << c.game << " at " << c.origin);
    const Rect destination{c.origin, 0, c.origin + c.extent, 1};
    const Size size{c.game, 1};
    const bool enlarged = c.extent >= c.game;
    // The smaller side of the two comes back unchanged.
    const std::int32_t count = enlarged ? c.game : c.extent;
    for (std::int32_t i = 0; i < count; ++i) {
      if (enlarged) {
        const Point shown = gameToPresentation({i, 0}, destination, size);
        ASSERT_EQ(presentationToGame(shown, destination, size).x, i);
      } else {
        const Point p{c.origin + i, 0};
        ASSERT_EQ(gameToPresentation(presentationToGame(p, destination, size), destination, size).x,
                  p.x);
      }
    }
    std::int32_t previous = presentationToGame({c.origin - 50, 0}, destination, size).x;
    for (std::int32_t x = c.origin - 49; x < c.origin + c.extent + 50; ++x) {
      const std::int32_t mapped = presentationToGame({x, 0}, destination, size).x;
      ASSERT_GE(mapped, previous) << x;
      ASSERT_EQ(mapped >= 0 && mapped < c.game, x >= c.origin && x < c.origin + c.extent) << x;
      previous = mapped;
    }
  }
}

}  // namespace
}  // namespace tsuzuri::shell
