#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/audio_out.h"

namespace tsuzuri::sound {

// The sound buffers of the channels and their mix. Each voice is a looping
// buffer of two blocks of 16-bit frames (the sound's own channel count and
// rate) with a play cursor, an attenuation and a pan, as a sound card's
// streaming buffer is; the mix resamples every playing voice to the
// output rate and sums them into 16-bit stereo.
//
// Every operation may be called from any thread: the stream fills blocks,
// the commands start and stop voices and the sound card pulls the mix.
class Mixer {
 public:
  // The rate the sound card is opened at.
  static constexpr std::int32_t kOutputRate = platform::AudioOut::kRate;

  explicit Mixer(std::size_t voices) : voices_(voices) {}

  // Gives a voice a silent, stopped buffer of two blocks of `blockFrames`
  // frames each, its cursor at 0, full level and centred.
  void create(std::size_t voice, std::int32_t channels, std::int32_t rate,
              std::int64_t blockFrames);
  void release(std::size_t voice);

  // Copies `count` frames into block 0 or 1; the rest of the block is silence.
  void writeBlock(std::size_t voice, int block, const std::int16_t* frames, std::int64_t count);

  void play(std::size_t voice);
  void stop(std::size_t voice);
  void rewind(std::size_t voice);
  // The frame of the buffer being played, 0 … 2 × block frames − 1.
  std::int64_t cursor(std::size_t voice) const;

  void setAttenuation(std::size_t voice, std::int32_t attenuation);
  void setPan(std::size_t voice, std::int32_t pan);
  // Every voice is silent while muted (the window lost the focus).
  void setMuted(bool muted);

  // Mixes `frames` stereo frames into `out`.
  void mix(std::int16_t* out, std::size_t frames);

 private:
  struct Voice {
    std::vector<std::int16_t> ring;  // two blocks, interleaved
    std::int32_t channels = 0;
    std::int64_t blockFrames = 0;
    // Source frames per output frame, and the cursor in source frames.
    double step = 1.0;
    double position = 0.0;
    bool playing = false;
    std::int32_t attenuation = 0;
    std::int32_t pan = 0;
    // The levels reached at the end of the last mix; a change glides from
    // them over one mix instead of jumping, which would click.
    float left = 1.0f;
    float right = 1.0f;
  };

  static void levels(const Voice& v, bool muted, float& left, float& right);
  static void mixVoice(Voice& v, float* sum, std::size_t frames, bool muted);

  mutable std::mutex mutex_;
  std::vector<Voice> voices_;
  std::vector<float> sum_;
  bool muted_ = false;
};

}  // namespace tsuzuri::sound
