#include "shell/display_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "util/sjis.h"

namespace tsuzuri::shell {
namespace {

using render::Rect;
using render::Size;

TEST(DisplayLayout, FollowsTheShapeOfTheGame) {
  struct Case {
    std::int32_t width, height, aspect;
    Size first, last;
    std::int32_t effectiveAspect, clientWidth, clientHeight;
  };
  const Case cases[] = {
      {1280, 720, 0, {480, 270}, {1920, 1080}, 0, 1000, 562},
      {1280, 720, 1, {400, 300}, {1600, 1200}, 1, 1920, 1440},
      {1024, 768, 0, {400, 300}, {1600, 1200}, 1, 1024, 768},
      {600, 800, 0, {300, 400}, {1200, 1600}, 1, 800, 1066},
      {720, 1280, 0, {270, 480}, {1080, 1920}, 0, 1000, 1777},
      // A 9:16 game with ScreenAspect 1 keeps its 9:16 size list and picture
      // (see the factors below) yet gets a 3:4 client area: 720 wide gives
      // 960, not 1280.
      {720, 1280, 1, {270, 480}, {1080, 1920}, 1, 720, 960},
      // Any other ratio offers the game size ten times, and ScreenAspect is 1.
      {1000, 700, 0, {1000, 700}, {1000, 700}, 1, 1001, 700},
      {0, 0, 0, {0, 0}, {0, 0}, 1, 500, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " aspect " << c.aspect);
    const WindowSizeList sizes = windowSizes(c.width, c.height, c.aspect);
    EXPECT_EQ(sizes[0], c.first);
    EXPECT_EQ(sizes[9], c.last);
    EXPECT_EQ(std::ranges::count(sizes, sizes[0]) == 10, c.first == c.last);
    EXPECT_EQ(effectiveScreenAspect(screenShape(c.width, c.height), c.aspect), c.effectiveAspect);
    EXPECT_EQ(clientHeightFor(c.clientWidth, c.width, c.height, c.aspect), c.clientHeight);
  }
}

TEST(DisplayLayout, MarksTheEntryOfTheResolution) {
  const std::string mark = util::toSjis(u8"(等倍)");
  ASSERT_EQ(mark, "(\x93\x99\x94\x7B)");
  const std::string unmarked =
      " 480x 270| 640x 360| 800x 450| 960x 540|1024x 576|"
      "1280x 720|1366x 768|1440x 810|1600x 900|1920x1080|";
  // Resolution 0 counts as the game width: the mark sits on 1280x720, and
  // moves to 1920x1080 with Resolution 1920.
  for (const std::int32_t resolution : {1280, 1920}) {
    std::string expected = unmarked;
    expected.insert(expected.find(resolution == 1280 ? "1280x 720" : "1920x1080") + 9, mark);
    std::string labels;
    for (const Size& s : windowSizes(1280, 720, 0)) labels += windowSizeLabel(s, resolution) + "|";
    EXPECT_EQ(labels, expected);
  }
}

TEST(DisplayLayout, ComputesTheDisplayFactors) {
  struct Case {
    std::int32_t width, height, assetWidth, resolution, aspect;
    double resolutionFactor, assetScale;
    Size renderSize;
    std::int32_t presentationHeight, rate, screenHeight;
  };
  const Case cases[] = {
      // ScreenAspect 1 shows a 16:9 game 4:3.
      {1280, 720, 0, 1920, 1, 1.5, 1.0, {1920, 1440}, 960, 150, 1440},
      {1280, 720, 2560, 1366, 0, 1.0671875, 2.0, {1366, 768}, 720, 106, 768},
      {800, 600, 400, 0, 1, 1.0, 0.5, {800, 600}, 600, 100, 600},
      // Only a 16:9 game is shown 4:3: the 9:16 game keeps its picture.
      {720, 1280, 0, 0, 1, 1.0, 1.0, {720, 1280}, 1280, 100, 1280},
      // Nothing to scale before the game screen has a size.
      {0, 0, 0, 1920, 0, 1.0, 1.0, {0, 0}, 0, 100, 0},
  };
  for (const auto& c : cases) {
    const DisplayFactors f =
        displayFactors(c.width, c.height, c.assetWidth, c.resolution, c.aspect);
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.resolution);
    EXPECT_DOUBLE_EQ(f.resolutionFactor, c.resolutionFactor);
    EXPECT_DOUBLE_EQ(f.assetScale, c.assetScale);
    EXPECT_DOUBLE_EQ(f.inverseAssetScale, 1.0 / c.assetScale);
    EXPECT_EQ(f.presentationHeight, c.presentationHeight);
    EXPECT_EQ(f.renderSize, c.renderSize);
    EXPECT_EQ(screenRate(f), c.rate);
    EXPECT_EQ(screenHeightQuery(f, c.width), c.screenHeight);
  }
}

TEST(DisplayLayout, PlacesThePresentationOfEveryMode) {
  // Monitors larger, smaller and differently shaped; Full2 always fills them.
  struct Case {
    std::int32_t monitorWidth, monitorHeight, renderWidth, renderHeight;
    Rect original, normal, zoom;
  };
  const Case cases[] = {
      {1920, 1080, 1280, 720, {320, 180, 1600, 900}, {0, 0, 1920, 1080}, {0, 0, 1920, 1080}},
      {1280, 720, 1920, 1080, {-320, -180, 1600, 900}, {0, 0, 1280, 720}, {0, 0, 1280, 720}},
      {1920, 1080, 1024, 768, {448, 156, 1472, 924}, {240, 0, 1680, 1080}, {0, -180, 1920, 1260}},
      // Odd negative differences shift towards minus infinity (-87 >> 1 is -44).
      {1280, 1024, 1367, 769, {-44, 127, 1323, 896}, {0, 152, 1280, 872}, {-270, 0, 1550, 1024}},
      // An empty render size is shown as it is.
      {1920, 1080, 0, 0, {960, 540, 960, 540}, {960, 540, 960, 540}, {960, 540, 960, 540}},
  };
  for (const auto& c : cases) {
    const Rect source{0, 0, c.renderWidth, c.renderHeight};
    const Rect full{0, 0, c.monitorWidth, c.monitorHeight};
    const std::array<PresentRects, 4> expected{
        {{source, full}, {source, c.original}, {source, c.normal}, {source, c.zoom}}};
    EXPECT_EQ(presentationRects({full.right, full.bottom}, {source.right, source.bottom}),
              expected);
  }
}

TEST(DisplayLayout, LimitsTheWindowToTheMonitor) {
  // The monitor, render and frame sizes, then the largest client size.
  const std::int32_t cases[][8] = {
      // The width is tried as a height first; too tall, so the height decides.
      {1920, 1080, 1280, 720, 16, 59, 1813, 1020},
      {1280, 1024, 1024, 768, 17, 58, 1262, 947},
      // The height is tried as a width first; too wide, so the width decides.
      {1920, 1080, 1280, 720, 400, 10, 1520, 855},
      {2560, 1080, 1280, 720, 200, 10, 1902, 1070},
      {100, 100, 1280, 720, 160, 590, 0, 0},
      {1920, 1080, 0, 0, 16, 59, 0, 0},
  };
  for (const auto& [mw, mh, rw, rh, fw, fh, cw, ch] : cases) {
    EXPECT_EQ(largestClientSize({mw, mh}, {rw, rh}, fw, fh), (Size{cw, ch}))
        << rw << "x" << rh << " on " << mw << "x" << mh << " in a frame of " << fw << "x" << fh;
  }
}

TEST(DisplayLayout, ScrollsTheZoomPictureAtTheEdges) {
  // A 1920x1440 picture on a 1920x1080 monitor scrolls only vertically, a
  // 1820x1024 one on a 1280x1024 monitor only across: its offset after one
  // poll with the pointer at `pointer` on that axis (and 0 on the other).
  struct Case {
    bool vertical;
    std::int32_t offset, pointer, after;
  };
  const Case cases[] = {
      {true, -180, 59, -176},   {true, -180, 60, -180},   {true, -3, 0, -2},
      {true, -4, 0, 0},         {true, 0, 0, 0},          {true, -180, 1041, -184},
      {true, -180, 1040, -180}, {true, -357, 1079, -358}, {true, -360, 1079, -360},
      {false, -270, 39, -266},  {false, -270, 40, -270},  {false, -270, 1241, -274},
  };
  for (const auto& c : cases) {
    const auto at = [&](std::int32_t offset) {
      return c.vertical ? Rect{0, offset, 1920, offset + 1440}
                        : Rect{offset, 0, offset + 1820, 1024};
    };
    Rect destination = at(c.offset);
    const Size monitor = c.vertical ? Size{1920, 1080} : Size{1280, 1024};
    const Point pointer = c.vertical ? Point{0, c.pointer} : Point{c.pointer, 0};
    EXPECT_EQ(scrollZoomEdges(destination, monitor, pointer.x, pointer.y), c.offset != c.after);
    EXPECT_EQ(destination, at(c.after)) << "offset " << c.offset << " pointer " << c.pointer;
  }
  Rect corner{-10, -10, 1300, 1100};  // scrolls both ways at once
  EXPECT_TRUE(scrollZoomEdges(corner, {1280, 1024}, 0, 0));
  EXPECT_EQ(corner, (Rect{-6, -6, 1304, 1104}));
}

TEST(DisplayLayout, MapsPointsBetweenPresentationAndGame) {
  EXPECT_EQ(presentationToGame({0, 0}, {0, -180, 1920, 1260}, {1024, 768}), (Point{0, 96}));
  EXPECT_EQ(presentationToGame({5, 5}, {5, 5, 5, 5}, {1280, 720}), (Point{-1, -1}));
  EXPECT_EQ(gameToPresentation({5, 5}, {7, 8, 100, 100}, {0, 0}), (Point{7, 8}));

  // Every pixel of the smaller side comes back from a round trip, and the
  // mapping never goes backwards, also left of and above the destination.
  // The origin and extent of the destination, and the game size, across.
  const std::int32_t cases[][3] = {{320, 1280, 1280}, {0, 1920, 1280}, {-270, 1820, 1280},
                                   {3, 1001, 1000},   {0, 960, 1280},  {-5, 333, 1000}};
  for (const auto& [origin, extent, game] : cases) {
    SCOPED_TRACE(testing::Message() << extent << " showing " << game << " at " << origin);
    const Rect destination{origin, 0, origin + extent, 1};
    const auto toGame = [&](Point p) { return presentationToGame(p, destination, {game, 1}); };
    const auto shown = [&](Point p) { return gameToPresentation(p, destination, {game, 1}); };
    const bool enlarged = extent >= game;
    for (std::int32_t i = 0; i < std::min(game, extent); ++i) {
      const Point p = enlarged ? Point{i, 0} : Point{origin + i, 0};
      ASSERT_EQ(enlarged ? toGame(shown(p)) : shown(toGame(p)), p);
    }
    std::int32_t previous = toGame({origin - 50, 0}).x;
    for (std::int32_t x = origin - 49; x < origin + extent + 50; ++x) {
      const std::int32_t mapped = toGame({x, 0}).x;
      ASSERT_GE(mapped, previous) << x;
      ASSERT_EQ(mapped >= 0 && mapped < game, x >= origin && x < origin + extent) << x;
      previous = mapped;
    }
  }
}

}  // namespace
}  // namespace tsuzuri::shell
