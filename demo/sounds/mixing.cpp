#include "sounds/mixing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tsuzuri::demosound {

PanGains panGains(double pan) {
  const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * std::numbers::pi / 4.0;
  return {std::cos(angle), std::sin(angle)};
}

StereoMix::StereoMix(std::int64_t frames, std::int64_t loopStart)
    : frames_(frames), loopStart_(loopStart), samples_(static_cast<std::size_t>(2 * frames), 0.0) {}

void StereoMix::add(std::int64_t frame, double left, double right) {
  if (frame < 0) return;
  if (frame >= frames_) {
    if (loopStart_ >= frames_) return;
    frame = loopStart_ + (frame - loopStart_) % (frames_ - loopStart_);
  }
  const auto at = static_cast<std::size_t>(2 * frame);
  samples_[at] += left;
  samples_[at + 1] += right;
}

void StereoMix::fadeOut(std::int64_t frames) {
  frames = std::min(frames, frames_);
  for (std::int64_t i = 0; i < frames; ++i) {
    const double gain = static_cast<double>(i) / static_cast<double>(frames);
    const auto at = static_cast<std::size_t>(2 * (frames_ - 1 - i));
    samples_[at] *= gain;
    samples_[at + 1] *= gain;
  }
}

void StereoMix::leadIn(std::int64_t frames) {
  frames = std::min(frames, frames_);
  const auto count = static_cast<std::ptrdiff_t>(2 * frames);
  std::vector<double> lead(samples_.end() - count, samples_.end());
  for (std::int64_t i = 0; i < frames; ++i) {
    // A raised cosine, so that the music swells in rather than starting
    // in the middle of its notes.
    const double gain = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) /
                                             static_cast<double>(frames));
    lead[static_cast<std::size_t>(2 * i)] *= gain;
    lead[static_cast<std::size_t>(2 * i + 1)] *= gain;
  }
  samples_.insert(samples_.begin(), lead.begin(), lead.end());
  frames_ += frames;
  loopStart_ += frames;
}

soundtools::Pcm StereoMix::toPcm(double peak, std::int32_t rate) const {
  return quantise(samples_, 2, rate, peak);
}

soundtools::Pcm quantise(const std::vector<double>& interleaved, std::int32_t channels,
                         std::int32_t rate, double peak) {
  double loudest = 0.0;
  for (const double v : interleaved) loudest = std::max(loudest, std::abs(v));
  const double scale = loudest > 0.0 ? peak * 32767.0 / loudest : 0.0;
  soundtools::Pcm pcm;
  pcm.channels = channels;
  pcm.rate = rate;
  pcm.samples.reserve(interleaved.size());
  for (const double v : interleaved) {
    pcm.samples.push_back(static_cast<std::int16_t>(std::lround(v * scale)));
  }
  return pcm;
}

}  // namespace tsuzuri::demosound
