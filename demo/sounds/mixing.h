#pragma once

#include <cstdint>
#include <vector>

#include "sound/sound_encoding.h"

namespace tsuzuri::demosound {

// Equal-power panning: -1 is hard left, 0 the middle, 1 hard right.
struct PanGains {
  double left;
  double right;
};
PanGains panGains(double pan);

// A stereo sound being put together, in floating point. Sound added past
// its end folds back to the loop start, so that notes ringing over the
// loop's end are heard after the jump back instead of being cut off; a
// sound without a loop (loop start at the end) drops it.
class StereoMix {
 public:
  StereoMix(std::int64_t frames, std::int64_t loopStart);

  void add(std::int64_t frame, double left, double right);
  // Fades the last `frames` frames down to silence.
  void fadeOut(std::int64_t frames);
  // Puts a copy of the last `frames` frames in front, fading in: a lead-in
  // that flows into the loop's start exactly as the loop's end does. The
  // loop start moves along with the sound.
  void leadIn(std::int64_t frames);
  std::int64_t loopStart() const { return loopStart_; }
  std::int64_t frames() const { return frames_; }
  soundtools::Pcm toPcm(double peak, std::int32_t rate) const;

 private:
  std::int64_t frames_;
  std::int64_t loopStart_;
  std::vector<double> samples_;  // interleaved left, right
};

// 16-bit samples scaled so that the loudest one is `peak` of full scale.
soundtools::Pcm quantise(const std::vector<double>& interleaved, std::int32_t channels,
                         std::int32_t rate, double peak);

}  // namespace tsuzuri::demosound
