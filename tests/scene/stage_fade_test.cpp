#include "scene/stage_fade.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tsuzuri::scene {
namespace {

TEST(StageFade, VagueComesFromTheArgumentMinusOne) {
  const std::int32_t cases[][2] = {{0, 511}, {1, 0}, {2, 1}, {256, 255}, {512, 511}, {513, 0}};
  for (const auto& [argument, vague] : cases) EXPECT_EQ(stageVague(argument), vague) << argument;
}

TEST(StageFade, AlphaRisesOverTheEdgeOfVagueGreyLevels) {
  // alpha = clamp(trunc(255 (progress + 255 − mask − 255) / vague), 0, 255).
  const struct {
    std::int32_t vague, progress;
    std::uint8_t mask, alpha;
  } cases[] = {
      {0, 0, 255, 255},                       // no edge: opaque from the start
      {255, 100, 50, 50},                     // vague 255: the alpha is progress − mask
      {255, 40, 50, 0},                       // not reached yet
      {100, 150, 100, 127},                   // half way over a 100-level edge
      {100, 355, 255, 255},                   // the end: every value passed
      {511, 0, 0, 0},       {1, 10, 9, 255},  // a one-level edge is all or nothing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(stageAlpha(c.vague, c.progress, c.mask), c.alpha)
        << c.vague << " " << c.progress << " " << int{c.mask};
  }
}

TEST(StageFade, ProgressRunsFromZeroToVaguePlus255) {
  EXPECT_EQ(stageProgress(100, 0, 1000, 0), 0);
  EXPECT_EQ(stageProgress(100, 500, 1000, 0), 177);
  EXPECT_EQ(stageProgress(100, 1000, 1000, 0), 355);
  EXPECT_EQ(stageProgress16(100, 1000, 1000, 0), 100 / 16 + 15);
}

TEST(StageFade, SixteenBitColourUsesFourBitSteps) {
  // f = vague / 16; alpha nibble = clamp((15 n − 225) / f, 0, 15), n = p + 15 − mask nibble.
  EXPECT_EQ(stageAlpha16(15, 0, 0x0F), 15 * 16) << "f = 0: opaque";
  EXPECT_EQ(stageAlpha16(32, 3, 0x01), (15 * 17 - 225) / 2 * 16);
  EXPECT_EQ(stageAlpha16(32, 0, 0xF5), 0) << "only the low nibble counts";
  EXPECT_EQ(stageAlpha16(32, 17, 0x00), 15 * 16);
}

TEST(StageFade, TheFrameMaskCarriesEachPixelsAlphaForTheMaskProgram) {
  const std::vector<std::uint32_t> rule = {0xFF000000, 0xFF808080, 0xFFFFFFFF, 0x00000040};
  std::vector<std::uint32_t> mask(rule.size());
  // Vague 255 half way: progress 255 of 510.
  writeStageMask(rule, mask, 255, 500, 1000, 0, false);
  for (std::size_t i = 0; i < rule.size(); ++i) {
    const auto value = static_cast<std::uint8_t>(rule[i] & 0xFF);
    const std::uint8_t alpha = stageAlpha(255, stageProgress(255, 500, 1000, 0), value);
    EXPECT_EQ(mask[i], 0xFF000000U | static_cast<std::uint32_t>(255 - alpha) << 16 | value) << i;
  }
  EXPECT_EQ((mask[0] >> 16) & 0xFF, 0U) << "black shows first";
  EXPECT_EQ((mask[2] >> 16) & 0xFF, 255U) << "white last";
  // In 16-bit colour the 4-bit alpha still reaches opaque.
  writeStageMask(rule, mask, 32, 1000, 1000, 0, true);
  EXPECT_EQ((mask[2] >> 16) & 0xFF, 0U);
  writeStageMask(rule, mask, 15, 0, 1000, 0, true);
  EXPECT_EQ((mask[0] >> 16) & 0xFF, 0U) << "no edge: opaque at once";
}

}  // namespace
}  // namespace tsuzuri::scene
