// The demo's music and chime: a few additive voices with envelopes, played
// from a hand-written score.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "sounds/demo_sounds.h"
#include "sounds/mixing.h"

namespace tsuzuri::demosound {
namespace {

constexpr double kRate = 44100.0;
constexpr std::int64_t kBeatFrames = kMusicBarFrames / 4;
constexpr int kLoopBars = 8;

enum class Voice { kPad, kBell, kBass };

struct Note {
  double beat;   // from the start of the loop
  double beats;  // how long the key is held
  int midi;
  Voice voice;
  double level;
  double pan;
  double detune = 1.0;
};

double frequencyOf(int midi) {
  return 440.0 * std::exp2((midi - 69) / 12.0);
}

// Seconds a voice rings on after its key is let go.
double releaseOf(Voice voice) {
  switch (voice) {
    case Voice::kPad:
      return 0.6;
    case Voice::kBell:
      return 0.25;
    case Voice::kBass:
      return 0.15;
  }
  return 0.0;
}

// The voice `t` seconds after the key went down; `held` is how long it was
// held.
double voiceAt(Voice voice, double t, double held, double frequency) {
  const double phase = 2.0 * std::numbers::pi * frequency * t;
  const double release = releaseOf(voice);
  const double letGo = t <= held ? 1.0 : std::max(0.0, 1.0 - (t - held) / release);
  switch (voice) {
    case Voice::kPad: {
      // A slow swell of a soft, slightly hollow tone.
      const double rise = std::min(1.0, t / 0.35);
      const double swell = rise * rise * (3.0 - 2.0 * rise);
      return swell * letGo * (std::sin(phase) + 0.12 * std::sin(3.0 * phase));
    }
    case Voice::kBell: {
      // A struck tone whose upper partials die first.
      const double strike = (1.0 - std::exp(-t / 0.005)) * std::exp(-1.8 * t);
      return strike * letGo *
             (std::sin(phase) + 0.25 * std::exp(-6.0 * t) * std::sin(2.0 * phase) +
              0.08 * std::exp(-10.0 * t) * std::sin(3.01 * phase));
    }
    case Voice::kBass: {
      const double pluck = (1.0 - std::exp(-t / 0.01)) * std::exp(-1.2 * t);
      return pluck * letGo * (std::sin(phase) + 0.11 * std::sin(3.0 * phase));
    }
  }
  return 0.0;
}

void play(StereoMix& mix, const Note& note) {
  const auto first = static_cast<std::int64_t>(std::lround(note.beat * kBeatFrames));
  const double held = note.beats * kBeatFrames / kRate;
  const auto length = static_cast<std::int64_t>((held + releaseOf(note.voice)) * kRate);
  const double frequency = frequencyOf(note.midi) * note.detune;
  const PanGains gains = panGains(note.pan);
  for (std::int64_t i = 0; i < length; ++i) {
    const double v =
        note.level * voiceAt(note.voice, static_cast<double>(i) / kRate, held, frequency);
    mix.add(first + i, v * gains.left, v * gains.right);
  }
}

struct Bar {
  int bass;
  std::vector<int> chord;
  // (beat in the bar, beats held, note) of the melody.
  std::vector<std::array<double, 3>> melody;
};

// C major: I vi IV V I vi ii V, the last bar leading back to the first.
const std::vector<Bar>& loopBars() {
  static const std::vector<Bar> bars = {
      {48, {60, 64, 67}, {{0, 1, 76}, {1, 1, 79}, {2, 0.5, 76}, {2.5, 0.5, 74}, {3, 1, 72}}},
      {45, {57, 60, 64}, {{0, 1.5, 72}, {1.5, 0.5, 74}, {2, 1, 76}, {3, 1, 69}}},
      {41, {57, 60, 65}, {{0, 1, 69}, {1, 1, 72}, {2, 1.5, 77}, {3.5, 0.5, 76}}},
      {43, {55, 59, 62}, {{0, 2, 74}, {2, 1, 71}, {3, 1, 67}}},
      {48, {59, 64, 67}, {{0, 1, 76}, {1, 1, 79}, {2, 1, 84}, {3, 0.5, 83}, {3.5, 0.5, 79}}},
      {45, {57, 60, 64, 67}, {{0, 1.5, 81}, {1.5, 0.5, 79}, {2, 2, 76}}},
      {38, {57, 60, 62, 65}, {{0, 1, 77}, {1, 0.5, 76}, {1.5, 0.5, 74}, {2, 1, 72}, {3, 1, 69}}},
      {43, {55, 59, 62, 65}, {{0, 1, 71}, {1, 0.5, 72}, {1.5, 2.5, 74}}},
  };
  return bars;
}

std::vector<Note> score() {
  std::vector<Note> notes;
  const auto pad = [&](double beat, double beats, int midi, double pan) {
    // Two slightly detuned copies, one to each side, widen the chord.
    notes.push_back({beat, beats, midi, Voice::kPad, 0.06, pan - 0.35, 1.0015});
    notes.push_back({beat, beats, midi, Voice::kPad, 0.06, pan + 0.35, 1.0 / 1.0015});
  };
  for (int b = 0; b < kLoopBars; ++b) {
    const Bar& bar = loopBars()[static_cast<std::size_t>(b)];
    const double base = 4.0 * b;
    for (std::size_t c = 0; c < bar.chord.size(); ++c) {
      pad(base, 4, bar.chord[c], -0.3 + 0.2 * static_cast<double>(c));
    }
    notes.push_back({base, 1.8, bar.bass, Voice::kBass, 0.2, 0.0});
    notes.push_back({base + 2, 1.8, bar.bass, Voice::kBass, 0.16, 0.0});
    // A quiet music-box figure through the chord, an octave up.
    for (int e = 0; e < 8; ++e) {
      const int pattern[] = {0, 1, 2, 1};
      const int midi = bar.chord[static_cast<std::size_t>(pattern[e % 4])] + 12;
      notes.push_back({base + 0.5 * e, 0.4, midi, Voice::kBell, 0.035, e % 2 == 0 ? -0.5 : 0.5});
    }
    for (const auto& [at, held, midi] : bar.melody) {
      const int key = static_cast<int>(midi);
      notes.push_back({base + at, held, key, Voice::kBell, 0.2, 0.1});
      // Echoes, bouncing between the sides.
      notes.push_back({base + at + 0.75, held, key, Voice::kBell, 0.06, -0.6});
      notes.push_back({base + at + 1.5, held, key, Voice::kBell, 0.025, 0.6});
    }
  }
  return notes;
}

}  // namespace

DemoSound music() {
  StereoMix mix(kMusicBarFrames * kLoopBars, 0);
  for (const Note& note : score()) play(mix, note);
  // The intro is the last bar, the dominant chord, swelling in: it leads
  // into the first bar as the last bar does on every repeat.
  mix.leadIn(kMusicBarFrames);
  const LoopPoints loop{0, mix.loopStart(), mix.frames()};
  return {"bgm.ogg", mix.toPcm(0.55, static_cast<std::int32_t>(kRate)), loop, 0.3f};
}

DemoSound chime() {
  const auto frames = static_cast<std::int64_t>(0.6 * kRate);
  StereoMix mix(frames, frames);
  // Two glassy strikes a fifth apart; the partial at 2.76 times the
  // fundamental gives the chime its colour.
  const struct {
    double at;
    double frequency;
    double pan;
  } strikes[] = {{0.0, 1318.5, -0.2}, {0.07, 1975.5, 0.2}};
  for (const auto& strike : strikes) {
    const PanGains gains = panGains(strike.pan);
    const auto first = static_cast<std::int64_t>(strike.at * kRate);
    for (std::int64_t i = 0; first + i < frames; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double phase = 2.0 * std::numbers::pi * strike.frequency * t;
      const double v = (1.0 - std::exp(-t / 0.002)) * std::exp(-t / 0.12) *
                       (std::sin(phase) + 0.15 * std::exp(-t / 0.05) * std::sin(2.76 * phase) +
                        0.05 * std::exp(-t / 0.02) * std::sin(5.4 * phase));
      mix.add(first + i, v * gains.left, v * gains.right);
    }
  }
  mix.fadeOut(static_cast<std::int64_t>(0.03 * kRate));
  return {"se.ogg", mix.toPcm(0.5, static_cast<std::int32_t>(kRate)), std::nullopt, 0.4f};
}

std::vector<std::string> commentsFor(const DemoSound& sound) {
  if (!sound.loop) return {};
  return {"COMMENT=setSample " + std::to_string(sound.loop->start) + "," +
          std::to_string(sound.loop->loopStart) + "," + std::to_string(sound.loop->loopEnd)};
}

}  // namespace tsuzuri::demosound
