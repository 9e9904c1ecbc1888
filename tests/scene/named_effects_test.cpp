#include "scene/named_effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>

namespace tsuzuri::scene {

// Failures print a step as its kind, picture, rectangles and quad values.
void PrintTo(const EffectStep& s, std::ostream* os) {
  const auto rect = [](const render::Rect& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
  };
  constexpr std::array<const char*, 4> kKinds = {"render", "back", "copy", "quad"};
  *os << kKinds.at(static_cast<std::size_t>(s.kind))
      << (s.picture == EffectPicture::kNew ? " new " : " old ") << rect(s.source) << " -> "
      << rect(s.destination) << " at (" << s.x << ", " << s.y << ") alpha " << s.alpha;
}

namespace {

using Kind = EffectStep::Kind;
using Steps = std::vector<EffectStep>;
constexpr EffectPicture kOld = EffectPicture::kOld;
constexpr EffectPicture kNew = EffectPicture::kNew;

EffectStep render(EffectPicture picture) {
  return EffectStep{.kind = Kind::kComposeRender, .picture = picture};
}
EffectStep back(EffectPicture picture) {
  return EffectStep{.kind = Kind::kComposeBack, .picture = picture};
}
EffectStep move(render::Rect source, render::Rect destination) {
  return EffectStep{.kind = Kind::kCopy, .source = source, .destination = destination};
}
EffectStep copy(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  return move({left, top, right, bottom}, {left, top, right, bottom});
}
EffectStep quad(std::int32_t x, std::int32_t y, std::int32_t alpha) {
  return EffectStep{.kind = Kind::kQuad, .x = x, .y = y, .alpha = alpha};
}

// The frame of an effect whose moving picture is the new one (render new,
// back old) or the old one (render old, back new), followed by `rest`.
Steps newOverOld(std::initializer_list<EffectStep> rest = {}) {
  Steps steps{render(kNew), back(kOld)};
  steps.insert(steps.end(), rest);
  return steps;
}
Steps oldOverNew(std::initializer_list<EffectStep> rest = {}) {
  Steps steps{render(kOld), back(kNew)};
  steps.insert(steps.end(), rest);
  return steps;
}

// A scroll frame: the old picture's `oldSource` to `oldDestination`, then
// the new picture's.
Steps scrolled(render::Rect oldSource, render::Rect oldDestination, render::Rect newSource,
               render::Rect newDestination) {
  return {render(kOld), move(oldSource, oldDestination), render(kNew),
          move(newSource, newDestination)};
}
// A fade-scroll frame: the old picture laid down, then drawn moved and
// fading out, then the new picture drawn moved and fading in.
Steps fadeScrolled(std::int32_t oldX, std::int32_t oldY, std::int32_t newX, std::int32_t newY,
                   std::int32_t newAlpha) {
  return {render(kOld), quad(0, 0, 255), quad(oldX, oldY, 255 - newAlpha), render(kNew),
          quad(newX, newY, newAlpha)};
}

Steps frameOf(std::string_view name, std::int32_t width, std::int32_t height, std::int32_t elapsed,
              std::int32_t duration, std::int32_t easing) {
  const std::optional<NamedEffect> effect = findNamedEffect(name);
  EXPECT_TRUE(effect.has_value()) << name;
  // Left-over steps must not survive into the frame.
  Steps steps{quad(1, 2, 3)};
  namedEffectFrame(effect.value_or(-1), width, height, elapsed, duration, easing, steps);
  return steps;
}

struct FrameCase {
  std::string_view name;
  std::int32_t elapsed;
  std::int32_t easing;
  Steps expected;
};

// Every case runs for 1000 ms on a 640 × 480 screen unless a size is given.
void expectFrames(const std::vector<FrameCase>& cases, std::int32_t width = 640,
                  std::int32_t height = 480, std::int32_t duration = 1000) {
  for (const auto& [name, elapsed, easing, expected] : cases) {
    EXPECT_EQ(frameOf(name, width, height, elapsed, duration, easing), expected)
        << name << " at " << elapsed << " of " << duration << " ms, easing " << easing;
  }
}

TEST(NamedEffectLookup, EveryNameRoundTrips) {
  std::istringstream list(
      "DirectionUp DirectionDown DirectionLeft DirectionRight DirectionLeftUp DirectionRightUp "
      "DirectionLeftDown DirectionRightDown IrisInLeftUp IrisInRightUp IrisInLeftDown "
      "IrisInRightDown IrisOutLeftUp IrisOutRightUp IrisOutLeftDown IrisOutRightDown "
      "IrisInUpDown IrisOutUpDown IrisInLeftRight IrisOutLeftRight SlideInUp SlideInDown "
      "SlideInLeft SlideInRight SlideOutUp SlideOutDown SlideOutLeft SlideOutRight SlideInLeftUp "
      "SlideInRightUp SlideInLeftDown SlideInRightDown SlideOutLeftUp SlideOutRightUp "
      "SlideOutLeftDown SlideOutRightDown SlideInUpDown SlideOutUpDown SlideInLeftRight "
      "SlideOutLeftRight ScrollUp ScrollDown ScrollLeft ScrollRight ShutterUp ShutterDown "
      "ShutterLeft ShutterRight CurtainUp CurtainDown CurtainLeft CurtainRight SquareIn "
      "SquareOut FadeSlideInUp FadeSlideInDown FadeSlideInLeft FadeSlideInRight FadeSlideOutUp "
      "FadeSlideOutDown FadeSlideOutLeft FadeSlideOutRight FadeSlideInLeftUp FadeSlideInRightUp "
      "FadeSlideInLeftDown FadeSlideInRightDown FadeSlideOutLeftUp FadeSlideOutRightUp "
      "FadeSlideOutLeftDown FadeSlideOutRightDown FadeScrollUp FadeScrollDown FadeScrollLeft "
      "FadeScrollRight");
  const std::vector<std::string> names{std::istream_iterator<std::string>(list), {}};
  ASSERT_EQ(names.size(), static_cast<std::size_t>(kNamedEffectCount));
  std::set<NamedEffect> ids;
  for (const std::string& name : names) {
    const std::optional<NamedEffect> effect = findNamedEffect(name);
    ASSERT_TRUE(effect.has_value()) << name;
    EXPECT_EQ(namedEffectName(*effect), name);
    ids.insert(*effect);
  }
  EXPECT_EQ(ids.size(), names.size());
  EXPECT_EQ(*ids.begin(), 0);
  EXPECT_EQ(*ids.rbegin(), kNamedEffectCount - 1);
}

TEST(NamedEffectLookup, OtherNamesAndIdsAreUnknown) {
  for (const std::string_view name :
       {"", "directionup", "DirectionUp ", "Direction", "IrisInUp", "SquareMiddle", "Fade"}) {
    EXPECT_FALSE(findNamedEffect(name).has_value()) << '"' << name << '"';
  }
  EXPECT_TRUE(namedEffectName(-1).empty());
  EXPECT_TRUE(namedEffectName(kNamedEffectCount).empty());

  Steps steps{quad(0, 0, 0)};
  namedEffectFrame(kNamedEffectCount, 640, 480, 10, 100, 0, steps);
  EXPECT_TRUE(steps.empty());
  steps = {quad(0, 0, 0)};
  namedEffectFrame(0, 0, 480, 10, 100, 0, steps);
  EXPECT_TRUE(steps.empty());
}

TEST(NamedEffectFrame, TimeIsClampedAndAnEmptyDurationIsFinished) {
  expectFrames({
      {"DirectionDown", 1500, 0, newOverOld({copy(0, 0, 640, 480)})},
      {"DirectionDown", -20, 0, newOverOld()},
      // Past its end quad-out turns back (to 0 at twice the duration).
      {"DirectionDown", 2000, 2, newOverOld({copy(0, 0, 640, 480)})},
      {"SquareIn", 2000, 0, oldOverNew()},
      {"SquareIn", -1, 0, oldOverNew({copy(0, 0, 640, 480)})},
  });
  for (const std::int32_t duration : {0, -5}) {
    EXPECT_EQ(frameOf("DirectionDown", 640, 480, 0, duration, 0),
              newOverOld({copy(0, 0, 640, 480)}));
    // A shrinking region must be gone as well, not stay at its full size.
    EXPECT_EQ(frameOf("SquareIn", 640, 480, 0, duration, 3), oldOverNew());
  }
}

TEST(NamedEffectFrame, StraightDirectionsAndIrises) {
  expectFrames({
      {"DirectionUp", 0, 0, newOverOld()},
      {"DirectionUp", 250, 0, newOverOld({copy(0, 360, 640, 480)})},
      {"DirectionUp", 500, 0, newOverOld({copy(0, 240, 640, 480)})},
      {"DirectionUp", 1000, 0, newOverOld({copy(0, 0, 640, 480)})},
      // The shrinking edge takes the mirrored curve: 480 × 0.75² with quad-in.
      {"DirectionUp", 250, 2, newOverOld({copy(0, 270, 640, 480)})},
      {"DirectionDown", 250, 0, newOverOld({copy(0, 0, 640, 120)})},
      {"DirectionLeft", 250, 0, newOverOld({copy(480, 0, 640, 480)})},
      {"DirectionRight", 500, 0, newOverOld({copy(0, 0, 320, 480)})},
      // Growing with quad-out: 640 × (1 − 0.75²).
      {"DirectionRight", 250, 2, newOverOld({copy(0, 0, 280, 480)})},

      {"IrisInLeftUp", 250, 0, newOverOld({copy(480, 360, 640, 480)})},
      {"IrisInRightUp", 500, 0, newOverOld({copy(0, 240, 320, 480)})},
      {"IrisInLeftDown", 250, 0, newOverOld({copy(480, 0, 640, 120)})},
      {"IrisInRightDown", 250, 0, newOverOld({copy(0, 0, 160, 120)})},
      {"IrisOutLeftUp", 250, 0, oldOverNew({copy(0, 0, 480, 360)})},
      {"IrisOutRightUp", 250, 0, oldOverNew({copy(160, 0, 640, 360)})},
      {"IrisOutLeftDown", 500, 0, oldOverNew({copy(0, 240, 320, 480)})},
      {"IrisOutRightDown", 250, 0, oldOverNew({copy(160, 120, 640, 480)})},
      {"IrisOutRightDown", 1000, 0, oldOverNew()},

      {"IrisInUpDown", 0, 0, oldOverNew({copy(0, 0, 640, 480)})},
      {"IrisInUpDown", 250, 0, oldOverNew({copy(0, 60, 640, 420)})},
      // The shrinking band keeps the curve itself: 480 × (1 − 0.25²).
      {"IrisInUpDown", 250, 2, oldOverNew({copy(0, 15, 640, 465)})},
      {"IrisOutUpDown", 500, 0, newOverOld({copy(0, 120, 640, 360)})},
      {"IrisInLeftRight", 500, 0, oldOverNew({copy(160, 0, 480, 480)})},
      {"IrisOutLeftRight", 250, 0, newOverOld({copy(240, 0, 400, 480)})},

      {"SquareIn", 250, 0, oldOverNew({copy(80, 60, 560, 420)})},
      // 640 × 0.75² by 480 × 0.75² with the mirrored curve.
      {"SquareIn", 250, 2, oldOverNew({copy(140, 105, 500, 375)})},
      {"SquareOut", 0, 0, newOverOld()},
      {"SquareOut", 500, 0, newOverOld({copy(160, 120, 480, 360)})},
  });
}

TEST(NamedEffectFrame, DiagonalDirectionsMergeRowsOfEqualWidth) {
  // On 6 × 4 over 100 ms. Halfway the legs are 6 and 4 (widths 6, 5, 3, 2);
  // at three quarters 9 and 6 (widths 6, 6, 6, 5).
  expectFrames(
      {
          {"DirectionRightDown", 50, 0,
           newOverOld({copy(0, 0, 6, 1), copy(0, 1, 5, 2), copy(0, 2, 3, 3), copy(0, 3, 2, 4)})},
          {"DirectionRightDown", 75, 0, newOverOld({copy(0, 0, 6, 3), copy(0, 3, 5, 4)})},
          {"DirectionRightDown", 10, 0, newOverOld()},
          {"DirectionRightDown", 20, 0, newOverOld({copy(0, 0, 2, 1)})},
          {"DirectionLeftDown", 50, 0,
           newOverOld({copy(0, 0, 6, 1), copy(1, 1, 6, 2), copy(3, 2, 6, 3), copy(4, 3, 6, 4)})},
          {"DirectionLeftUp", 0, 0, oldOverNew({copy(0, 0, 6, 4)})},
          {"DirectionLeftUp", 25, 0, oldOverNew({copy(0, 0, 6, 3), copy(0, 3, 5, 4)})},
          {"DirectionRightUp", 25, 0, oldOverNew({copy(0, 0, 6, 3), copy(1, 3, 6, 4)})},
          {"DirectionRightUp", 100, 0, oldOverNew()},
      },
      6, 4, 100);

  // At a quarter on 640 × 480 the legs are 960 and 720: rows 0..240 are
  // cut to the screen width, the others narrow by ⌊4y / 3⌋.
  const Steps steps = frameOf("DirectionLeftUp", 640, 480, 250, 1000, 0);
  ASSERT_EQ(steps.size(), 2U + 240U);
  EXPECT_EQ(steps[2], copy(0, 0, 640, 241));
  EXPECT_EQ(steps[3], copy(0, 241, 639, 242));
  EXPECT_EQ(steps.back(), copy(0, 479, 322, 480));
}

TEST(NamedEffectFrame, SlidesAndScrolls) {
  expectFrames({
      {"SlideInUp", 0, 0, newOverOld()},
      {"SlideInUp", 250, 0, newOverOld({move({0, 0, 640, 120}, {0, 360, 640, 480})})},
      {"SlideInUp", 1000, 0, newOverOld({copy(0, 0, 640, 480)})},
      {"SlideInDown", 250, 0, newOverOld({move({0, 360, 640, 480}, {0, 0, 640, 120})})},
      {"SlideInLeft", 500, 0, newOverOld({move({0, 0, 320, 480}, {320, 0, 640, 480})})},
      {"SlideInRight", 250, 0, newOverOld({move({480, 0, 640, 480}, {0, 0, 160, 480})})},
      {"SlideOutUp", 250, 0, oldOverNew({move({0, 120, 640, 480}, {0, 0, 640, 360})})},
      {"SlideOutDown", 250, 0, oldOverNew({move({0, 0, 640, 360}, {0, 120, 640, 480})})},
      {"SlideOutLeft", 500, 0, oldOverNew({move({320, 0, 640, 480}, {0, 0, 320, 480})})},
      {"SlideOutRight", 1000, 0, oldOverNew()},

      {"SlideInLeftUp", 250, 0, newOverOld({move({0, 0, 160, 120}, {480, 360, 640, 480})})},
      {"SlideInRightDown", 500, 0, newOverOld({move({320, 240, 640, 480}, {0, 0, 320, 240})})},
      {"SlideOutRightDown", 250, 0, oldOverNew({move({0, 0, 480, 360}, {160, 120, 640, 480})})},
      {"SlideOutLeftUp", 500, 0, oldOverNew({move({320, 240, 640, 480}, {0, 0, 320, 240})})},

      {"SlideInUpDown", 250, 0,
       newOverOld({move({0, 180, 640, 240}, {0, 0, 640, 60}),
                   move({0, 240, 640, 300}, {0, 420, 640, 480})})},
      {"SlideInUpDown", 1000, 0, newOverOld({copy(0, 0, 640, 240), copy(0, 240, 640, 480)})},
      {"SlideOutUpDown", 250, 0,
       oldOverNew({move({0, 60, 640, 240}, {0, 0, 640, 180}),
                   move({0, 240, 640, 420}, {0, 300, 640, 480})})},
      {"SlideInLeftRight", 500, 0,
       newOverOld({move({160, 0, 320, 480}, {0, 0, 160, 480}),
                   move({320, 0, 480, 480}, {480, 0, 640, 480})})},
      {"SlideOutLeftRight", 250, 0,
       oldOverNew({move({80, 0, 320, 480}, {0, 0, 240, 480}),
                   move({320, 0, 560, 480}, {400, 0, 640, 480})})},

      {"ScrollUp", 0, 0, {render(kOld), copy(0, 0, 640, 480), render(kNew)}},
      {"ScrollUp", 250, 0,
       scrolled({0, 120, 640, 480}, {0, 0, 640, 360}, {0, 0, 640, 120}, {0, 360, 640, 480})},
      {"ScrollDown", 250, 0,
       scrolled({0, 0, 640, 360}, {0, 120, 640, 480}, {0, 360, 640, 480}, {0, 0, 640, 120})},
      {"ScrollLeft", 500, 0,
       scrolled({320, 0, 640, 480}, {0, 0, 320, 480}, {0, 0, 320, 480}, {320, 0, 640, 480})},
      {"ScrollRight", 500, 0,
       scrolled({0, 0, 320, 480}, {320, 0, 640, 480}, {320, 0, 640, 480}, {0, 0, 320, 480})},
      // Back-out overshoots to 510 rows: the old picture is gone, the new
      // one has passed its place, and the gap below it keeps the old.
      {"ScrollUp",
       750,
       9,
       {back(kOld), render(kOld), render(kNew), move({0, 30, 640, 480}, {0, 0, 640, 450})}},
  });
}

TEST(NamedEffectFrame, HalvesOnAnOddSizeMeetOneLineShort) {
  // The lower half is placed against the bottom edge from row 240 on, so
  // on 481 rows row 240 of the screen waits for the finishing frame.
  expectFrames({{"SlideInUpDown", 1000, 0,
                 newOverOld({copy(0, 0, 640, 240), move({0, 240, 640, 480}, {0, 241, 640, 481})})}},
               640, 481);
}

TEST(NamedEffectFrame, CurtainBandsStartOneAfterAnother) {
  // d = 24 and the bands open by 12 − ⌊1.2 i⌋; band 10 has not started.
  expectFrames({
      {"CurtainDown", 250, 0,
       newOverOld({copy(0, 0, 640, 12), copy(0, 24, 640, 35), copy(0, 48, 640, 58),
                   copy(0, 72, 640, 81), copy(0, 96, 640, 104), copy(0, 120, 640, 126),
                   copy(0, 144, 640, 149), copy(0, 168, 640, 172), copy(0, 192, 640, 195),
                   copy(0, 216, 640, 218)})},
      {"CurtainDown", 0, 0, newOverOld()},
  });
  // On 490 rows the delays are ⌊i × 576 / 490⌋, no longer ⌊1.2 i⌋: band 5
  // opens 7 and band 10 still 1.
  expectFrames(
      {
          {"CurtainDown", 250, 0,
           newOverOld({copy(0, 0, 640, 12), copy(0, 24, 640, 35), copy(0, 48, 640, 58),
                       copy(0, 72, 640, 81), copy(0, 96, 640, 104), copy(0, 120, 640, 127),
                       copy(0, 144, 640, 149), copy(0, 168, 640, 172), copy(0, 192, 640, 195),
                       copy(0, 216, 640, 218), copy(0, 240, 640, 241)})},
      },
      640, 490);
}

// Spot checks of the 20 slats or bands: the copy at an index of the frame.
struct SlatCase {
  std::string_view name;
  std::int32_t elapsed;
  std::size_t copies;
  std::vector<std::pair<std::size_t, EffectStep>> expected;
};

TEST(NamedEffectFrame, ShutterAndCurtainSlats) {
  const std::vector<SlatCase> cases = {
      // d = 24, open 12, from the last slat's bottom edge back to the first.
      {"ShutterUp",
       500,
       20,
       {{0, copy(0, 468, 640, 480)}, {1, copy(0, 444, 640, 456)}, {19, copy(0, 12, 640, 24)}}},
      // d = 32, open 8 from each left edge.
      {"ShutterRight",
       250,
       20,
       {{0, copy(0, 0, 8, 480)}, {1, copy(32, 0, 40, 480)}, {19, copy(608, 0, 616, 480)}}},
      {"ShutterDown", 0, 0, {}},
      // d = 32, progress 32, bands from the right open by 32 − ⌊1.6 i⌋.
      {"CurtainLeft",
       500,
       20,
       {{0, copy(608, 0, 640, 480)},
        {1, copy(577, 0, 608, 480)},
        {2, copy(547, 0, 576, 480)},
        {19, copy(30, 0, 32, 480)}}},
      // Progress 36: bands 0..10 are full, band 11 opens 23 and band 19 14.
      {"CurtainUp",
       750,
       20,
       {{0, copy(0, 456, 640, 480)}, {11, copy(0, 193, 640, 216)}, {19, copy(0, 10, 640, 24)}}},
  };
  for (const auto& [name, elapsed, copies, expected] : cases) {
    const Steps steps = frameOf(name, 640, 480, elapsed, 1000, 0);
    ASSERT_EQ(steps.size(), 2 + copies) << name << " at " << elapsed;
    EXPECT_EQ(Steps(steps.begin(), steps.begin() + 2), newOverOld()) << name;
    for (const auto& [index, step] : expected) {
      EXPECT_EQ(steps[2 + index], step) << name << " at " << elapsed << ", copy " << index;
    }
  }
}

TEST(NamedEffectFrame, FadeSlidesAndScrolls) {
  expectFrames({
      {"FadeSlideInUp", 250, 0, newOverOld({quad(0, 360, 63)})},
      // Alpha 255 × (1 − 0.75²), offset 480 × 0.75² on the mirrored curve.
      {"FadeSlideInUp", 250, 2, newOverOld({quad(0, 270, 111)})},
      {"FadeSlideInRight", 500, 0, newOverOld({quad(-320, 0, 127)})},
      {"FadeSlideInLeftUp", 500, 0, newOverOld({quad(320, 240, 127)})},
      {"FadeSlideOutUp", 500, 0, oldOverNew({quad(0, -240, 127)})},
      {"FadeSlideOutLeftDown", 250, 0, oldOverNew({quad(-160, 120, 191)})},

      {"FadeScrollUp", 250, 0, fadeScrolled(0, -120, 0, 360, 63)},
      {"FadeScrollDown", 250, 0, fadeScrolled(0, 120, 0, -360, 63)},
      {"FadeScrollLeft", 500, 0, fadeScrolled(-320, 0, 320, 0, 127)},
      {"FadeScrollRight", 500, 0, fadeScrolled(320, 0, -320, 0, 127)},
  });
}

TEST(NamedEffectFrame, FadeSlidesStartAndEndWhereTheirNamesSay) {
  struct Ends {
    std::string_view name;
    std::int32_t startX, startY, endX, endY;
  };
  // In members come from against the direction into place, fading in;
  // Out members leave in place and move off in the direction, fading out.
  const std::vector<Ends> in = {
      {"FadeSlideInUp", 0, 480, 0, 0},          {"FadeSlideInDown", 0, -480, 0, 0},
      {"FadeSlideInLeft", 640, 0, 0, 0},        {"FadeSlideInRight", -640, 0, 0, 0},
      {"FadeSlideInLeftUp", 640, 480, 0, 0},    {"FadeSlideInRightUp", -640, 480, 0, 0},
      {"FadeSlideInLeftDown", 640, -480, 0, 0}, {"FadeSlideInRightDown", -640, -480, 0, 0},
  };
  const std::vector<Ends> out = {
      {"FadeSlideOutUp", 0, 0, 0, -480},         {"FadeSlideOutDown", 0, 0, 0, 480},
      {"FadeSlideOutLeft", 0, 0, -640, 0},       {"FadeSlideOutRight", 0, 0, 640, 0},
      {"FadeSlideOutLeftUp", 0, 0, -640, -480},  {"FadeSlideOutRightUp", 0, 0, 640, -480},
      {"FadeSlideOutLeftDown", 0, 0, -640, 480}, {"FadeSlideOutRightDown", 0, 0, 640, 480},
  };
  for (const auto& [name, startX, startY, endX, endY] : in) {
    EXPECT_EQ(frameOf(name, 640, 480, 0, 1000, 0), newOverOld({quad(startX, startY, 0)})) << name;
    EXPECT_EQ(frameOf(name, 640, 480, 1000, 1000, 0), newOverOld({quad(endX, endY, 255)})) << name;
  }
  for (const auto& [name, startX, startY, endX, endY] : out) {
    EXPECT_EQ(frameOf(name, 640, 480, 0, 1000, 0), oldOverNew({quad(startX, startY, 255)})) << name;
    EXPECT_EQ(frameOf(name, 640, 480, 1000, 1000, 0), oldOverNew({quad(endX, endY, 0)})) << name;
  }
}

// What a pixel of the back surface shows: a pixel (x, y) of one picture, a
// translucent mix, or nothing defined yet.
struct Pixel {
  enum Content : std::uint8_t { kUnknown, kOldPicture, kNewPicture, kBlend };
  Content content = kUnknown;
  std::int32_t x = 0;
  std::int32_t y = 0;
};

Pixel::Content contentOf(std::optional<EffectPicture> picture) {
  if (!picture) return Pixel::kUnknown;
  return *picture == kNew ? Pixel::kNewPicture : Pixel::kOldPicture;
}

// Runs a frame's steps on a back surface of `width` × `height` pixels,
// tracking where each pixel came from, so misplaced copies show up as well
// as missing ones.
std::vector<Pixel> simulate(const Steps& steps, std::int32_t width, std::int32_t height) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(width * height));
  const auto set = [&](std::int32_t x, std::int32_t y, Pixel pixel) {
    pixels[static_cast<std::size_t>(y * width + x)] = pixel;
  };
  std::optional<EffectPicture> rendered;
  for (const EffectStep& step : steps) {
    const render::Rect& to = step.destination;
    switch (step.kind) {
      case Kind::kComposeRender:
        rendered = step.picture;
        break;
      case Kind::kComposeBack:
        for (std::int32_t y = 0; y < height; ++y) {
          for (std::int32_t x = 0; x < width; ++x) set(x, y, {contentOf(step.picture), x, y});
        }
        break;
      case Kind::kCopy:
        for (std::int32_t y = to.top; y < to.bottom; ++y) {
          for (std::int32_t x = to.left; x < to.right; ++x) {
            set(x, y,
                {contentOf(rendered), x - to.left + step.source.left,
                 y - to.top + step.source.top});
          }
        }
        break;
      case Kind::kQuad:
        if (step.alpha == 0) break;
        for (std::int32_t y = std::max(0, step.y); y < std::min(height, height + step.y); ++y) {
          for (std::int32_t x = std::max(0, step.x); x < std::min(width, width + step.x); ++x) {
            set(x, y,
                step.alpha == 255 ? Pixel{contentOf(rendered), x - step.x, y - step.y}
                                  : Pixel{Pixel::kBlend, x, y});
          }
        }
        break;
    }
  }
  return pixels;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Every effect on a small screen, at both ends and in between, with plain,
// overshooting and ringing curves. Copies keep their size and stay on the
// screen, quads have a valid alpha, and no pixel is left undefined. The
// effects that do not move a picture show every pixel in place, and the
// slides move only the picture their name says. At the
// start the old picture shows in place everywhere, at the end the new one,
// except past the last whole slat of the shutters and curtains, which the
// finishing frame changes. The curves that overshoot or ring do not land
// exactly on their ends and are checked in between only.
TEST(NamedEffectFrame, EveryEffectRunsFromTheOldPictureToTheNew) {
  constexpr std::int32_t kWidth = 50;  // 10 columns and 10 rows past the slats
  constexpr std::int32_t kHeight = 30;
  constexpr std::int32_t kDuration = 400;
  const std::set<std::int32_t> landing = {0, 2, -3, 12, -13};
  for (NamedEffect effect = 0; effect < kNamedEffectCount; ++effect) {
    const std::string name(namedEffectName(effect));
    const bool inPlace = startsWith(name, "Direction") || startsWith(name, "Iris") ||
                         startsWith(name, "Shutter") || startsWith(name, "Curtain") ||
                         startsWith(name, "Square");
    const bool slats = startsWith(name, "Shutter") || startsWith(name, "Curtain");
    // A slide moves the new picture in or the old one out, never the other.
    const bool slide = startsWith(name, "Slide");
    const Pixel::Content moving =
        startsWith(name, "SlideIn") ? Pixel::kNewPicture : Pixel::kOldPicture;
    const bool vertical = name.ends_with("Up") || name.ends_with("Down");
    const std::int32_t slatEnd = (vertical ? kHeight : kWidth) / 20 * 20;
    for (const std::int32_t easing : {0, 2, -3, 12, -13, 1, 8, -8, 9, -9, 10, 18, -19}) {
      for (const std::int32_t elapsed : {0, 37, 100, 200, 391, kDuration}) {
        const bool end = elapsed == 0 || elapsed == kDuration;
        if (end && !landing.contains(easing)) continue;
        const std::string context =
            name + " at " + std::to_string(elapsed) + " ms, easing " + std::to_string(easing);
        Steps steps;
        namedEffectFrame(effect, kWidth, kHeight, elapsed, kDuration, easing, steps);
        for (const EffectStep& step : steps) {
          if (step.kind == Kind::kCopy) {
            for (const render::Rect& r : {step.source, step.destination}) {
              EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= kWidth && r.bottom <= kHeight &&
                          r.width() > 0 && r.height() > 0)
                  << context;
            }
            EXPECT_EQ(step.source.width(), step.destination.width()) << context;
            EXPECT_EQ(step.source.height(), step.destination.height()) << context;
          }
          if (step.kind == Kind::kQuad) {
            EXPECT_TRUE(step.alpha >= 0 && step.alpha <= 255) << context;
          }
        }

        const std::vector<Pixel> pixels = simulate(steps, kWidth, kHeight);
        std::int32_t wrong = 0;
        for (std::int32_t y = 0; y < kHeight; ++y) {
          for (std::int32_t x = 0; x < kWidth; ++x) {
            const Pixel& p = pixels[static_cast<std::size_t>(y * kWidth + x)];
            const bool placed = p.x == x && p.y == y;
            const bool pastSlats = slats && (vertical ? y : x) >= slatEnd;
            const Pixel::Content expected =
                elapsed == kDuration && !pastSlats ? Pixel::kNewPicture : Pixel::kOldPicture;
            if (p.content == Pixel::kUnknown || (inPlace && !placed) ||
                (slide && !placed && p.content != moving) ||
                (end && (p.content != expected || !placed))) {
              ++wrong;
            }
          }
        }
        EXPECT_EQ(wrong, 0) << context;
      }
    }
  }
}

}  // namespace
}  // namespace tsuzuri::scene
