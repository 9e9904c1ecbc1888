#include "sound/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/gain.h"

namespace tsuzuri::sound {

void Mixer::create(std::size_t voice, std::int32_t channels, std::int32_t rate,
                   std::int64_t blockFrames) {
  const std::lock_guard lock(mutex_);
  Voice& v = voices_.at(voice);
  v = Voice{};
  v.channels = std::clamp(channels, 1, 2);
  v.blockFrames = std::max<std::int64_t>(blockFrames, 1);
  v.ring.assign(static_cast<std::size_t>(2 * v.blockFrames * v.channels), 0);
  v.step = static_cast<double>(std::max(rate, 1)) / kOutputRate;
}

void Mixer::release(std::size_t voice) {
  const std::lock_guard lock(mutex_);
  voices_.at(voice) = Voice{};
}

void Mixer::writeBlock(std::size_t voice, int block, const std::int16_t* frames,
                       std::int64_t count) {
  const std::lock_guard lock(mutex_);
  Voice& v = voices_.at(voice);
  if (v.ring.empty() || (block != 0 && block != 1)) return;
  count = std::clamp<std::int64_t>(count, 0, v.blockFrames);
  std::int16_t* at = v.ring.data() + block * v.blockFrames * v.channels;
  const auto copied = static_cast<std::size_t>(count * v.channels);
  if (copied > 0) std::memcpy(at, frames, copied * sizeof(std::int16_t));
  std::fill(at + copied, at + v.blockFrames * v.channels, std::int16_t{0});
}

void Mixer::play(std::size_t voice) {
  const std::lock_guard lock(mutex_);
  Voice& v = voices_.at(voice);
  if (!v.playing) {
    // A voice starts at its level: there is nothing to glide from.
    levels(v, muted_, v.left, v.right);
  }
  v.playing = !v.ring.empty();
}

void Mixer::stop(std::size_t voice) {
  const std::lock_guard lock(mutex_);
  voices_.at(voice).playing = false;
}

void Mixer::rewind(std::size_t voice) {
  const std::lock_guard lock(mutex_);
  voices_.at(voice).position = 0.0;
}

std::int64_t Mixer::cursor(std::size_t voice) const {
  const std::lock_guard lock(mutex_);
  return static_cast<std::int64_t>(voices_.at(voice).position);
}

void Mixer::setAttenuation(std::size_t voice, std::int32_t attenuation) {
  const std::lock_guard lock(mutex_);
  voices_.at(voice).attenuation = attenuation;
}

void Mixer::setPan(std::size_t voice, std::int32_t pan) {
  const std::lock_guard lock(mutex_);
  voices_.at(voice).pan = pan;
}

void Mixer::setMuted(bool muted) {
  const std::lock_guard lock(mutex_);
  muted_ = muted;
}

void Mixer::levels(const Voice& v, bool muted, float& left, float& right) {
  const float level = muted ? 0.0f : amplitudeOf(v.attenuation);
  left = level * (v.pan > 0 ? amplitudeOf(-v.pan) : 1.0f);
  right = level * (v.pan < 0 ? amplitudeOf(v.pan) : 1.0f);
}

void Mixer::mixVoice(Voice& v, float* sum, std::size_t frames, bool muted) {
  float left = 0.0f;
  float right = 0.0f;
  levels(v, muted, left, right);
  const double length = static_cast<double>(2 * v.blockFrames);
  const std::int64_t ringFrames = 2 * v.blockFrames;
  const std::int16_t* ring = v.ring.data();
  const float glide = 1.0f / static_cast<float>(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    const float t = static_cast<float>(i + 1) * glide;
    const float gl = v.left + (left - v.left) * t;
    const float gr = v.right + (right - v.right) * t;
    const auto at = static_cast<std::int64_t>(v.position);
    float l = 0.0f;
    float r = 0.0f;
    if (v.step == 1.0) {
      l = ring[at * v.channels];
      r = ring[at * v.channels + v.channels - 1];
    } else {
      // Linear interpolation towards the next frame, across the ring's end.
      const auto next = (at + 1) % ringFrames;
      const auto frac = static_cast<float>(v.position - static_cast<double>(at));
      const float l0 = ring[at * v.channels];
      const float r0 = ring[at * v.channels + v.channels - 1];
      l = l0 + (ring[next * v.channels] - l0) * frac;
      r = r0 + (ring[next * v.channels + v.channels - 1] - r0) * frac;
    }
    sum[2 * i] += l * gl;
    sum[2 * i + 1] += r * gr;
    v.position += v.step;
    if (v.position >= length) v.position = std::fmod(v.position, length);
  }
  v.left = left;
  v.right = right;
}

void Mixer::mix(std::int16_t* out, std::size_t frames) {
  const std::lock_guard lock(mutex_);
  sum_.assign(2 * frames, 0.0f);
  for (Voice& v : voices_) {
    if (v.playing) mixVoice(v, sum_.data(), frames, muted_);
  }
  for (std::size_t i = 0; i < 2 * frames; ++i) {
    out[i] = static_cast<std::int16_t>(std::clamp(std::lrint(sum_[i]), -32768L, 32767L));
  }
}

}  // namespace tsuzuri::sound
