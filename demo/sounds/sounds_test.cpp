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

TEST(DemoSounds, ChimeIsShortAndEndsInSilence) {
  const DemoSound se = chime();
  EXPECT_FALSE(se.loop);
  EXPECT_LT(seconds(se.pcm), 1.0);
  EXPECT_EQ(sampleAt(se.pcm, se.pcm.frames() - 1, 0), 0);
  EXPECT_EQ(sampleAt(se.pcm, se.pcm.frames() - 1, 1), 0);
  EXPECT_GT(largestStep(se.pcm, 0, 0, se.pcm.frames()), 1000);
}

// Autocorrelation pitch of a stretch of a mono sound, searched between 80
// and 400 Hz: the shortest lag that correlates nearly as well as the best
// one, since whole multiples of the period correlate as well.
double pitchOf(const soundtools::Pcm& pcm, std::int64_t from, std::int64_t length) {
  std::vector<double> correlation;
  const std::int64_t shortest = pcm.rate / 400;
  for (std::int64_t lag = shortest; lag <= pcm.rate / 80; ++lag) {
    double sum = 0.0;
    for (std::int64_t i = from; i < from + length; ++i) {
      sum += static_cast<double>(sampleAt(pcm, i, 0)) * sampleAt(pcm, i + lag, 0);
    }
    correlation.push_back(sum);
  }
  const double best = *std::max_element(correlation.begin(), correlation.end());
  const auto first = std::find_if(correlation.begin(), correlation.end(),
                                  [best](double c) { return c >= 0.9 * best; });
  return static_cast<double>(pcm.rate) /
         static_cast<double>(shortest + (first - correlation.begin()));
}

TEST(DemoSounds, VoiceHasAVoicesPitchAndHissedConsonants) {
  const DemoSound line = voice();
  ASSERT_EQ(line.pcm.channels, 1);
  EXPECT_GE(seconds(line.pcm), 1.5);
  EXPECT_LE(seconds(line.pcm), 2.5);
  // 20 ms windows: voiced ones have a speaking pitch, and some windows are
  // hiss, crossing zero far more often than any voiced one.
  const std::int64_t window = line.pcm.rate / 50;
  int voiced = 0;
  int hissed = 0;
  std::vector<double> pitches;
  for (std::int64_t from = 0; from + 2 * window < line.pcm.frames(); from += window) {
    double energy = 0.0;
    int crossings = 0;
    for (std::int64_t i = from; i < from + window; ++i) {
      energy += static_cast<double>(sampleAt(line.pcm, i, 0)) * sampleAt(line.pcm, i, 0);
      crossings += (sampleAt(line.pcm, i, 0) < 0) != (sampleAt(line.pcm, i + 1, 0) < 0);
    }
    if (energy / static_cast<double>(window) < 1e5) continue;  // near silence
    if (crossings > window / 4) {
      ++hissed;
    } else {
      ++voiced;
      pitches.push_back(pitchOf(line.pcm, from, window));
    }
  }
  EXPECT_GE(hissed, 3);
  ASSERT_GE(voiced, 30);
  // Windows across a consonant may find no clear period; most find a
  // speaking voice's.
  const auto speaking = std::count_if(pitches.begin(), pitches.end(),
                                      [](double pitch) { return pitch >= 140 && pitch <= 260; });
  EXPECT_GE(static_cast<double>(speaking), 0.85 * static_cast<double>(pitches.size()));
  // The pitch moves, as speech does.
  std::sort(pitches.begin(), pitches.end());
  EXPECT_GT(pitches[pitches.size() * 9 / 10] - pitches[pitches.size() / 10], 30.0);
}

}  // namespace
}  // namespace tsuzuri::demosound
