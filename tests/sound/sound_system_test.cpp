#include "sound/sound_system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "sound/gain.h"
#include "sound/sound_encoding.h"
#include "support/temp_dir.h"

namespace tsuzuri::sound {
namespace {

using soundtools::Pcm;

// A mono 44100 Hz sound whose samples are a function of their index.
template <class F>
Pcm mono(std::int64_t frames, F sample) {
  Pcm pcm;
  pcm.channels = 1;
  for (std::int64_t i = 0; i < frames; ++i)
    pcm.samples.push_back(static_cast<std::int16_t>(sample(i)));
  return pcm;
}

// Sample i of the counting sound: never 0, so silence shows.
std::int16_t counting(std::int64_t i) {
  return static_cast<std::int16_t>(i % 30000 + 1);
}

// A headless run on the virtual clock that records what is played, with
// the game's files in memory.
// The cards a rig can play on: the headless one on the virtual clock (the
// default, which records), on the real clock with a thread of its own, and
// SDL's on its dummy driver.
enum class Card { kVirtual, kReal, kSdl };

// `missing` tells that SDL could not start and a headless card stands in.
std::unique_ptr<platform::Platform> platformFor(Card card, const std::string& capture,
                                                bool& missing) {
  if (card == Card::kSdl) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto sdl = platform::createSdlPlatform();
    missing = sdl == nullptr;
    if (sdl) return sdl;
  }
  return platform::createHeadlessPlatform(
      {.virtualClock = card == Card::kVirtual, .log = nullptr, .audioCapture = capture});
}

class SoundRig {
 public:
  explicit SoundRig(Card card = Card::kVirtual)
      : host_(platformFor(card, dir_.path() + "a.wav", missing_)),
        sound_(SoundServices{host_->audio(), host_->clock(), settings, errors,
                             [this](std::string_view name, std::vector<std::uint8_t>& bytes) {
                               ++reads;
                               auto found = files.find(std::string(name));
                               if (found == files.end()) return false;
                               bytes = found->second;
                               return true;
                             },
                             [this] { return jumping; }, nullptr}) {
    sound_.create();
  }

  bool ready() const { return !missing_; }
  SoundSystem& sound() { return sound_; }
  std::uint32_t now() { return host_->clock().now(); }
  void wait(std::uint32_t ms) { host_->clock().sleep(ms); }

  // Ends the run and returns the left channel of what was recorded.
  std::vector<std::int16_t> recording() {
    sound_.shutdown();
    std::string error;
    EXPECT_TRUE(host_->audio().finish(error)) << error;
    std::ifstream in(dir_.path() + "a.wav", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::int16_t> left;
    for (std::size_t at = 44; at + 4 <= bytes.size(); at += 4) {
      std::int16_t v = 0;
      std::memcpy(&v, bytes.data() + at, 2);
      left.push_back(v);
    }
    return left;
  }

  SoundSettings settings;
  testing::RecordingReporter errors;
  std::map<std::string, std::vector<std::uint8_t>> files;
  bool jumping = false;
  int reads = 0;

 private:
  testing::TempDir dir_;
  bool missing_ = false;
  std::unique_ptr<platform::Platform> host_;
  SoundSystem sound_;
};

// The mean absolute level of frames [from, from + count).
double level(const std::vector<std::int16_t>& frames, std::size_t from, std::size_t count) {
  double sum = 0;
  for (std::size_t i = from; i < from + count && i < frames.size(); ++i) sum += std::abs(frames[i]);
  return sum / static_cast<double>(count);
}

constexpr std::size_t framesAt(std::uint32_t ms) {
  return static_cast<std::size_t>(ms) * 441 / 10;
}

TEST(SoundGain, AttenuationsInHundredthsOfADecibel) {
  EXPECT_EQ(categoryFactor(50, 1, 80, 1), 40);
  EXPECT_EQ(gainAttenuation(100, 100, categoryFactor(50, 1, 80, 1)), -796);
  EXPECT_EQ(gainAttenuation(100, 100, 100), 0);
  EXPECT_EQ(gainAttenuation(100, 100, categoryFactor(100, 0, 100, 1)), kSilent);
  EXPECT_EQ(gainAttenuation(100, 100, categoryFactor(100, 1, 100, 0)), kSilent);
  EXPECT_EQ(gainAttenuation(50, 30, 100), -1648);
  EXPECT_EQ(gainAttenuation(150, 100, 100), 0);
  const struct {
    double pan;
    std::int32_t attenuation;
  } pans[] = {{0, 0}, {-50, -602}, {50, 602}, {-100, kSilent}, {100, -kSilent}, {-99.99, -8000}};
  for (const auto& p : pans) EXPECT_EQ(panAttenuation(p.pan), p.attenuation) << p.pan;
  EXPECT_NEAR(amplitudeOf(-602), 0.5, 0.0001);
}

// Where the frame k after the start of a looping sound comes from.
struct LoopCase {
  std::int32_t loops;
  std::int64_t start, loopStart, loopEnd;
  std::int64_t length;
};

TEST(SoundStream, LoopPointsAreSampleExactInTheRecording) {
  // The third loop ends past the data: the end of the data goes back to
  // the start position instead.
  const LoopCase cases[] = {
      {0, 1000, 10000, 30000, 50000}, {2, 0, 20000, 40000, 45000}, {0, 300, 5000, 99999, 20000}};
  for (const LoopCase& t : cases) {
    SoundRig rig;
    rig.files["loop.wav"] = soundtools::encodeWav(mono(t.length, counting));
    rig.wait(100);
    ASSERT_TRUE(rig.sound().playFile(3, "loop.wav", 0, 0, 100, 0, 1, 0));
    rig.sound().setLoopSample(3, t.start, t.loopStart, t.loopEnd);
    rig.sound().play(3, 0, 100, 0, t.loops, 0);
    rig.wait(3000);
    const auto heard = rig.recording();
    const std::size_t first = framesAt(100);
    std::int64_t source = t.start;
    std::int32_t remaining = t.loops - 1;
    for (std::size_t k = 0; k < framesAt(2500); ++k) {
      const std::int16_t expected = source < t.length ? counting(source) : 0;
      ASSERT_EQ(heard[first + k], expected) << "loops " << t.loops << ", frame " << k;
      if (source < t.length) ++source;
      if (remaining != 0 && (source == t.loopEnd || source == t.length)) {
        source = source == t.loopEnd ? t.loopStart : t.start;
        if (remaining > 0) --remaining;
      }
    }
  }
}

TEST(SoundStream, VorbisLoopCommentSetsWhereTheSoundStartsAndLoops) {
  // Quiet until 22050, louder until 44100, then silence that a loop skips.
  const Pcm pcm = mono(66150, [](std::int64_t i) {
    const double tone = std::sin(static_cast<double>(i) * 0.0627);
    return static_cast<std::int16_t>(i < 22050 ? 4000 * tone : i < 44100 ? 16000 * tone : 0);
  });
  const std::string comments[] = {"COMMENT=setSample 4410,22050,44100"};
  SoundRig rig;
  rig.files["bgm.ogg"] = soundtools::encodeVorbis(pcm, comments);
  ASSERT_TRUE(rig.sound().playFile(1, "bgm.ogg", 0, 0, 100, 0, 0, 0));
  EXPECT_EQ(rig.sound().state(1).loopStart, 22050);
  rig.wait(2000);
  const auto heard = rig.recording();
  // Started at 4410: the louder part comes 17640 frames in, not 22050.
  EXPECT_NEAR(level(heard, 16000, 1000), 2546, 300);
  EXPECT_NEAR(level(heard, 18500, 1000), 10186, 1000);
  // Past the loop's end the louder part plays again instead of silence.
  EXPECT_NEAR(level(heard, 17640 + 22050 + 2000, 10000), 10186, 1000);
  EXPECT_TRUE(rig.errors.messages.empty());
}

TEST(SoundChannel, FadesFollowTheClock) {
  SoundRig rig;
  rig.files["dc.wav"] = soundtools::encodeWav(mono(441000, [](std::int64_t) { return 16000; }));
  ASSERT_TRUE(rig.sound().playFile(5, "dc.wav", 1000, 0, 100, 0, 1, 0));
  EXPECT_EQ(rig.sound().status(5), kPlaying);
  rig.wait(1500);
  rig.sound().stop(5, 500, 0);
  // Neither a new volume nor a second stop breaks off the fade-out.
  rig.sound().setVolume(5, 80, 0);
  rig.sound().stop(5, 500, 0);
  // The name goes at once, the sound a fade later.
  EXPECT_EQ(rig.sound().file(5), "");
  EXPECT_EQ(rig.sound().status(5), kStopping);
  rig.wait(600);
  EXPECT_EQ(rig.sound().status(5), kStopped);
  const auto heard = rig.recording();
  const struct {
    std::uint32_t ms;
    double fraction;
  } points[] = {{250, 0.25}, {500, 0.5}, {750, 0.75}, {1200, 1.0}, {1750, 0.5}, {2050, 0.0}};
  for (const auto& p : points) {
    EXPECT_NEAR(level(heard, framesAt(p.ms), 44), 16000 * p.fraction, 16000 * 0.02) << p.ms;
  }
}

TEST(SoundChannel, TheFirstVoiceDucksMusicAndEffects) {
  SoundRig rig;
  rig.files["bgm.wav"] = soundtools::encodeWav(mono(441000, [](std::int64_t) { return 16000; }));
  rig.files["voice.wav"] = soundtools::encodeWav(mono(44100, [](std::int64_t) { return 0; }));
  ASSERT_TRUE(rig.sound().playFile(1, "bgm.wav", 0, 0, 100, 0, 0, 0));
  // Another voice channel leaves the music alone.
  ASSERT_TRUE(rig.sound().playFile(21, "voice.wav", 0, 0, 100, 0, 1, 0));
  rig.wait(300);
  EXPECT_EQ(rig.sound().state(1).volume2, 100);
  ASSERT_TRUE(rig.sound().playFile(20, "voice.wav", 0, 0, 100, 0, 1, 0));
  rig.wait(300);
  EXPECT_EQ(rig.sound().state(1).volume2, rig.settings.bgmMin);
  // The voice ends (with its two silent blocks) and the music comes back
  // to its normal level over four times the fade.
  rig.wait(3000);
  EXPECT_EQ(rig.sound().status(20), kStopped);
  EXPECT_EQ(rig.sound().state(1).volume2, rig.settings.bgmMax);
  const auto heard = rig.recording();
  EXPECT_NEAR(level(heard, framesAt(250), 441), 16000, 100);
  EXPECT_NEAR(level(heard, framesAt(590), 441), 16000 * 0.15, 100);
  EXPECT_NEAR(level(heard, framesAt(3500), 441), 16000 * 0.30, 100);
}

TEST(SoundChannel, DelayedCommandsRunWhenTheirTimeHasCome) {
  SoundRig rig;
  rig.files["se.wav"] = soundtools::encodeWav(mono(4410, counting));
  ASSERT_TRUE(rig.sound().playFile(4, "se.wav", 0, 300, 80, -20, 1, 0));
  rig.wait(299);
  rig.sound().runDue(rig.now());
  EXPECT_EQ(rig.sound().status(4), kStopped);
  rig.wait(1);
  rig.sound().runDue(rig.now());
  EXPECT_EQ(rig.sound().status(4), kPlaying);
  EXPECT_EQ(rig.sound().state(4).volume, 80);
  EXPECT_EQ(rig.sound().state(4).pan, -20);
  EXPECT_FALSE(rig.sound().state(4).pending);
  // A delayed stop, and a delayed play of a missing file, which is dropped
  // instead of being tried again every frame.
  rig.sound().stop(4, 0, 50);
  rig.wait(50);
  rig.sound().runDue(rig.now());
  EXPECT_EQ(rig.sound().file(4), "");
  EXPECT_TRUE(rig.sound().playFile(6, "none.wav", 0, 10, 100, 0, 1, 0));
  rig.wait(10);
  rig.sound().runDue(rig.now());
  rig.sound().runDue(rig.now() + 16);
  EXPECT_FALSE(rig.sound().state(6).pending);
}

TEST(SoundChannel, JumpModeRemembersEndlessSoundsAndStartsThemAfterwards) {
  SoundRig rig;
  rig.files["bgm.wav"] = soundtools::encodeWav(mono(44100, counting));
  rig.jumping = true;
  EXPECT_TRUE(rig.sound().playFile(1, "bgm.wav", 0, 0, 70, 10, 0, 0));
  EXPECT_TRUE(rig.sound().playFile(3, "bgm.wav", 0, 0, 70, 10, 1, 0));
  const auto remembered = rig.sound().state(1);
  EXPECT_EQ(remembered.file, "bgm.wav");
  EXPECT_EQ(remembered.loopsRemaining, -1);
  EXPECT_EQ(remembered.status, kStopped);
  EXPECT_EQ(rig.sound().file(3), "");
  rig.jumping = false;
  rig.sound().restartRemembered();
  EXPECT_EQ(rig.sound().status(1), kPlaying);
  EXPECT_EQ(rig.sound().state(1).volume, 70);
  EXPECT_EQ(rig.sound().status(3), kStopped);
}

TEST(SoundChannel, PositionsAndLoopPoints) {
  SoundRig rig;
  rig.files["long.wav"] = soundtools::encodeWav(mono(200000, counting));
  rig.sound().loadOnly(2, "long.wav");
  EXPECT_EQ(rig.sound().status(2), kStopped);
  EXPECT_EQ(rig.sound().totalSample(2), 200000);
  EXPECT_EQ(rig.sound().totalMs(2), 4535);
  rig.sound().setLoopMs(2, 1000, 2000, 3000);
  const auto loop = rig.sound().state(2);
  EXPECT_EQ(loop.startPosition, 44100);
  EXPECT_EQ(loop.loopStart, 88200);
  EXPECT_EQ(loop.loopEnd, 132300);
  // Sought while stopped: the next play starts there.
  rig.sound().seekSample(2, 5000);
  rig.sound().play(2, 0, 100, 0, 1, 0);
  rig.wait(100);
  const auto heard = rig.recording();
  EXPECT_EQ(heard[0], counting(5000));
  EXPECT_EQ(heard[100], counting(5100));
}

TEST(SoundChannel, APreloadedFileIsReadOnceAndGoesWithItsChannel) {
  SoundRig rig;
  rig.files["vo.wav"] = soundtools::encodeWav(mono(4410, counting));
  rig.sound().preload("vo.wav");
  rig.sound().preload("vo.wav");
  EXPECT_EQ(rig.reads, 1);
  rig.files.clear();
  ASSERT_TRUE(rig.sound().playFile(20, "vo.wav", 0, 0, 100, 0, 1, 0));
  // Released with its channel: the next load reads the file again.
  rig.sound().stop(20, 0, 0);
  EXPECT_FALSE(rig.sound().playFile(20, "vo.wav", 0, 0, 100, 0, 1, 0));
  EXPECT_EQ(rig.reads, 2);
}

TEST(SoundChannel, BadFilesLeaveTheChannelEmpty) {
  SoundRig rig;
  rig.files["bad.wav"] = {'R', 'I', 'F', 'F', 0, 0};
  EXPECT_FALSE(rig.sound().playFile(7, "bad.wav", 0, 0, 100, 0, 1, 0));
  EXPECT_FALSE(rig.sound().playFile(7, "gone.wav", 0, 0, 100, 0, 1, 0));
  EXPECT_EQ(rig.sound().status(7), kStopped);
  EXPECT_EQ(rig.sound().file(7), "");
  EXPECT_EQ(rig.sound().nowSample(7), 0);
  EXPECT_EQ(rig.errors.messages.size(), 1u);
}

TEST(SoundChannel, SettingsGiveEachCategoryItsLevels) {
  SoundRig rig;
  rig.files["a.wav"] = soundtools::encodeWav(mono(4410, counting));
  rig.settings.masterVolume = 50;
  rig.settings.seVolume = 80;
  rig.settings.voMute = 0;
  rig.sound().applySettings();
  const struct {
    std::int32_t channel, factor, volume2;
  } expected[] = {{0, 50, 100}, {1, 50, 30}, {9, 40, 100}, {10, 50, 100}, {29, 0, 100}};
  for (const auto& e : expected) {
    EXPECT_EQ(rig.sound().state(e.channel).categoryFactor, e.factor) << e.channel;
    EXPECT_EQ(rig.sound().state(e.channel).volume2, e.volume2) << e.channel;
  }
  rig.settings.bgmVolume = 10;
  rig.sound().refreshCategory(Category::kBgm);
  EXPECT_EQ(rig.sound().state(2).categoryFactor, 5);
}

// A card that cannot be opened: sound stays off, said once, and loads
// fail without a report.
class MissingCard final : public platform::AudioOut {
 public:
  bool open(Source /*source*/, std::string& error) override {
    error = "no device";
    return false;
  }
  void close() override {}
  bool clocked() const override { return false; }
};

TEST(SoundChannel, WithoutACardTheGameGoesOnSilently) {
  MissingCard card;
  auto host = platform::createHeadlessPlatform({.virtualClock = true});
  SoundSettings settings;
  testing::RecordingReporter errors;
  std::vector<std::string> notices;
  SoundSystem sound(SoundServices{
      card, host->clock(), settings, errors,
      [](std::string_view, std::vector<std::uint8_t>& bytes) {
        bytes = soundtools::encodeWav(mono(100, counting));
        return true;
      },
      [] { return false; }, [&notices](std::string_view text) { notices.emplace_back(text); }});
  sound.create();
  sound.create();
  EXPECT_EQ(notices.size(), 1u);
  EXPECT_FALSE(sound.playFile(1, "a.wav", 0, 0, 100, 0, 1, 0));
  EXPECT_EQ(sound.status(1), kStopped);
  EXPECT_TRUE(errors.messages.empty());
}

// The stream thread and a sound card with a thread of its own, as on a
// desktop; run under ThreadSanitizer by the tsan check.
class SoundThreads : public ::testing::TestWithParam<Card> {};

TEST_P(SoundThreads, StreamsPlayWhileTheCommandsChangeThem) {
  SoundRig rig(GetParam());
  if (!rig.ready()) GTEST_SKIP() << "SDL cannot start here";
  rig.files["a.wav"] = soundtools::encodeWav(mono(8820, counting));
  rig.files["b.ogg"] = soundtools::encodeVorbis(
      mono(22050, [](std::int64_t i) { return static_cast<std::int16_t>(i * 7 % 2000); }), {});
  rig.settings.streamBufferSize = 4;
  for (std::int32_t channel : {1, 3, 20}) {
    ASSERT_TRUE(
        rig.sound().playFile(channel, channel == 3 ? "a.wav" : "b.ogg", 20, 0, 100, 0, 2, 0));
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (rig.sound().status(1) != kStopped && std::chrono::steady_clock::now() < deadline) {
    rig.sound().setVolume(3, 50, 30);
    rig.sound().setPan(1, -40, 30);
    static_cast<void>(rig.sound().nowSample(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(rig.sound().status(1), kStopped);
  EXPECT_EQ(rig.sound().status(3), kStopped);
}

INSTANTIATE_TEST_SUITE_P(Cards, SoundThreads, ::testing::Values(Card::kReal, Card::kSdl));

}  // namespace
}  // namespace tsuzuri::sound
