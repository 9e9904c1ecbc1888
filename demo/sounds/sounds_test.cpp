#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "sounds/demo_sounds.h"

namespace tsuzuri::demosound {
namespace {

double seconds(const soundtools::Pcm& pcm) {
  return static_cast<double>(pcm.frames()) / pcm.rate;
}

std::int32_t sampleAt(const soundtools::Pcm& pcm, std::int64_t frame, std::int32_t channel) {
  return pcm.samples[static_cast<std::size_t>(frame * pcm.channels + channel)];
}

// The largest step between neighbouring samples of a channel in a stretch.
std::int32_t largestStep(const soundtools::Pcm& pcm, std::int32_t channel, std::int64_t from,
                         std::int64_t to) {
  std::int32_t largest = 0;
  for (std::int64_t i = from; i + 1 < to; ++i) {
    largest =
        std::max(largest, std::abs(sampleAt(pcm, i + 1, channel) - sampleAt(pcm, i, channel)));
  }
  return largest;
}

TEST(DemoSounds, MusicLoopsOnBarLinesWithoutAJump) {
  const DemoSound bgm = music();
  ASSERT_EQ(bgm.pcm.channels, 2);
  ASSERT_EQ(bgm.pcm.rate, 44100);
  EXPECT_GE(seconds(bgm.pcm), 16.0);
  EXPECT_LE(seconds(bgm.pcm), 24.0);
  ASSERT_TRUE(bgm.loop);
  const LoopPoints& loop = *bgm.loop;
  EXPECT_EQ(loop.start, 0);
  EXPECT_GT(loop.loopStart, 0);
  EXPECT_EQ(loop.loopStart % kMusicBarFrames, 0);
  EXPECT_EQ(loop.loopEnd, bgm.pcm.frames());
  EXPECT_EQ((loop.loopEnd - loop.loopStart) % kMusicBarFrames, 0);
  EXPECT_EQ(commentsFor(bgm),
            std::vector<std::string>{"COMMENT=setSample 0," + std::to_string(loop.loopStart) + "," +
                                     std::to_string(loop.loopEnd)});

  for (std::int32_t channel = 0; channel < 2; ++channel) {
    SCOPED_TRACE(channel);
    // Jumping from the loop's end to its start is no bigger a step than
    // the music takes on its own there.
    const std::int32_t seam = std::abs(sampleAt(bgm.pcm, loop.loopStart, channel) -
                                       sampleAt(bgm.pcm, loop.loopEnd - 1, channel));
    EXPECT_LE(seam, largestStep(bgm.pcm, channel, loop.loopStart, loop.loopStart + 2000));
    // The intro ends as the loop does, so the first entry into the loop is
    // as smooth as every other.
    for (std::int64_t back = 1; back <= 200; ++back) {
      EXPECT_NEAR(sampleAt(bgm.pcm, loop.loopStart - back, channel),
                  sampleAt(bgm.pcm, loop.loopEnd - back, channel), 8)
          << back;
    }
    // It swells in from silence.
    EXPECT_EQ(sampleAt(bgm.pcm, 0, channel), 0);
  }
}

}  // namespace
}  // namespace tsuzuri::demosound
