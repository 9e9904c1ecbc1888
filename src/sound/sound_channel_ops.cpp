// What the sound commands do to a channel: play, stop, pause, levels with
// their fades, positions and loop points, and the rules of jump mode.

#include <algorithm>

#include "sound/loop_comment.h"
#include "sound/sound_system.h"

namespace tsuzuri::sound {

namespace {

// Script times (32-bit) at the rates a decoder accepts never pass 64 bits.
std::int64_t msToSamples(std::int64_t ms, std::int32_t rate) {
  return sound::msToSamples(ms, rate).value_or(0);
}

}  // namespace

bool SoundSystem::playFile(std::int32_t channel, std::string_view file, std::int32_t fade,
                           std::int32_t delay, std::int32_t volume, std::int32_t pan,
                           std::int32_t loops, std::int64_t start) {
  const auto index = static_cast<std::size_t>(channel);
  Channel& c = channels_.at(index);
  if (services_.jumping && services_.jumping()) {
    const Lock lock(mutex_);
    c.pending.reset();
    stopLocked(c, index, 0);
    // An endless sound is remembered, so that the saved state can name it
    // and the end of the jump can start it; anything shorter is over by then.
    if (loops == 0) {
      c.file = file;
      c.volume = volume;
      c.pan = pan;
      c.loopsRemaining = -1;
    }
    return true;
  }
  if (delay > 0) {
    const Lock lock(mutex_);
    c.pending = PendingCommand{std::string(file),
                               services_.clock.now() + static_cast<std::uint32_t>(delay),
                               fade,
                               volume,
                               pan,
                               loops,
                               start};
    return true;
  }
  {
    const Lock lock(mutex_);
    c.pending.reset();
  }
  bool quiet = false;
  return startFile(c, index, PendingCommand{std::string(file), 0, fade, volume, pan, loops, start},
                   quiet);
}

void SoundSystem::loadOnly(std::int32_t channel, std::string_view file) {
  const auto index = static_cast<std::size_t>(channel);
  Channel& c = channels_.at(index);
  {
    const Lock lock(mutex_);
    c.pending.reset();
  }
  if (services_.jumping && services_.jumping()) return;
  bool quiet = false;
  static_cast<void>(install(c, index, std::string(file), quiet));
}

void SoundSystem::play(std::int32_t channel, std::int32_t fade, std::int32_t volume,
                       std::int32_t pan, std::int32_t loops, std::int64_t start) {
  if (services_.jumping && services_.jumping()) return;
  const auto index = static_cast<std::size_t>(channel);
  const Lock lock(mutex_);
  Channel& c = channels_.at(index);
  if (!c.loaded()) return;
  changeLevel(c, index, c.volumeFade, c.volume, volume, 0, false);
  changeLevel(c, index, c.panFade, c.pan, pan, 0, true);
  playLocked(c, index, loops, fade, start);
}

void SoundSystem::playLocked(Channel& c, std::size_t index, std::int32_t loops, std::int32_t fade,
                             std::int64_t start) {
  c.loopsRemaining = loops - 1;
  c.stopAtFadeEnd = false;
  if (fade < 2) {
    c.volumeFade.running = false;
    applyGain(c, index);
  } else {
    c.volumeFade = Fade{true, 0.0, 0.0, c.volume, fade, services_.clock.now()};
    applyGain(c, index);
  }
  if (c.pausePosition != 0) {
    // Paused, or sought while stopped: play goes on from there.
    c.status = kStopping;
    resume(c, index);
    return;
  }
  // Always positioned, even at 0: a sound played again after it ended
  // starts over instead of at its end.
  c.decoder->seekSample(start != 0 ? start : c.startPosition);
  c.status = kPlaying;
  startStream(c, index);
}

void SoundSystem::pause(std::int32_t channel, bool on) {
  const auto index = static_cast<std::size_t>(channel);
  const Lock lock(mutex_);
  Channel& c = channels_.at(index);
  if (!c.loaded()) return;
  if (on) {
    if (c.pausePosition != 0) return;
    c.status = kStopping;
    c.pausePosition = std::max<std::int64_t>(c.decoder->tellSample(), 1);
    mixer_.stop(index);
    return;
  }
  resume(c, index);
}

void SoundSystem::resume(Channel& c, std::size_t index) {
  if (c.pausePosition == 0) return;
  c.decoder->seekSample(c.pausePosition);
  c.pausePosition = 0;
  c.status = kPlaying;
  startStream(c, index);
}

void SoundSystem::stop(std::int32_t channel, std::int32_t fade, std::int32_t delay) {
  const auto index = static_cast<std::size_t>(channel);
  const Lock lock(mutex_);
  Channel& c = channels_.at(index);
  if (delay > 0) {
    c.pending = PendingCommand{};
    c.pending->due = services_.clock.now() + static_cast<std::uint32_t>(delay);
    c.pending->fade = fade;
    return;
  }
  c.pending.reset();
  stopLocked(c, index, fade);
}

void SoundSystem::stopLocked(Channel& c, std::size_t index, std::int32_t fade) {
  // A second stop with a fade fades on from where the first one got to.
  if (fade < 2 || !c.loaded() || (c.status != kPlaying && !c.stopAtFadeEnd)) {
    mixer_.setAttenuation(index, -10000);
    release(c, index);
    return;
  }
  // The name goes at once; the sound fades out and then stops.
  c.file.clear();
  const double from = c.volumeNow();
  c.volumeFade = Fade{true, from, from, 0, fade, services_.clock.now()};
  c.stopAtFadeEnd = true;
  c.status = kStopping;
}

void SoundSystem::changeLevel(Channel& c, std::size_t index, Fade& fade, std::int32_t& stored,
                              std::int32_t value, std::int32_t time, bool isPan) {
  if (!c.loaded()) {
    // The music's and effects' second volume is kept for the next sound.
    if (&fade == &c.volume2Fade) stored = value;
    return;
  }
  if (&fade == &c.volumeFade && c.stopAtFadeEnd) {
    // The fade-out of a stop runs to its end whatever else is asked.
    stored = value;
    return;
  }
  if (value == stored && !fade.running) return;
  if (time < 2 || c.status != kPlaying) {
    fade.running = false;
    stored = value;
  } else {
    const double base = fade.running ? fade.value : stored;
    fade = Fade{true, base, base, value, time, services_.clock.now()};
    stored = value;
  }
  if (isPan) {
    applyPan(c, index);
  } else {
    applyGain(c, index);
  }
}

void SoundSystem::setVolume(std::int32_t channel, std::int32_t volume, std::int32_t fade) {
  const auto index = static_cast<std::size_t>(channel);
  const Lock lock(mutex_);
  Channel& c = channels_.at(index);
  if (services_.jumping && services_.jumping()) {
    c.volume = volume;
    return;
  }
  changeLevel(c, index, c.volumeFade, c.volume, volume, fade, false);
}

void SoundSystem::setVolume2(std::int32_t channel, std::int32_t volume2, std::int32_t fade) {
  const auto index = static_cast<std::size_t>(channel);
  const Lock lock(mutex_);
  Channel& c = channels_.at(index);
  const bool jumping = services_.jumping && services_.jumping();
  changeLevel(c, index, c.volume2Fade, c.volume2, volume2, jumping ? 0 : fade, false);
}

void SoundSystem::setPan(std::int32_t channel, std::int32_t pan, std::int32_t fade) {
  const auto index = static_cast<std::size_t>(channel);
  const Lock lock(mutex_);
  Channel& c = channels_.at(index);
  if (services_.jumping && services_.jumping()) {
    c.pan = pan;
    return;
  }
  changeLevel(c, index, c.panFade, c.pan, pan, fade, true);
}

std::int32_t SoundSystem::status(std::int32_t channel) {
  const Lock lock(mutex_);
  const Channel& c = channels_.at(static_cast<std::size_t>(channel));
  return c.loaded() ? c.status : kStopped;
}

std::string SoundSystem::file(std::int32_t channel) {
  const Lock lock(mutex_);
  return channels_.at(static_cast<std::size_t>(channel)).file;
}

void SoundSystem::seekMs(std::int32_t channel, std::int64_t ms) {
  const auto index = static_cast<std::size_t>(channel);
  const Lock lock(mutex_);
  Channel& c = channels_.at(index);
  seek(c, index, msToSamples(ms, c.rate));
}

void SoundSystem::seekSample(std::int32_t channel, std::int64_t sample) {
  const auto index = static_cast<std::size_t>(channel);
  const Lock lock(mutex_);
  seek(channels_.at(index), index, sample);
}

std::int64_t SoundSystem::position(std::int32_t channel, std::int64_t (SoundDecoder::*query)()) {
  const Lock lock(mutex_);
  Channel& c = channels_.at(static_cast<std::size_t>(channel));
  return c.loaded() ? std::max<std::int64_t>((c.decoder.get()->*query)(), 0) : 0;
}

void SoundSystem::setLoopMs(std::int32_t channel, std::int64_t start, std::int64_t loopStart,
                            std::int64_t loopEnd) {
  const Lock lock(mutex_);
  Channel& c = channels_.at(static_cast<std::size_t>(channel));
  if (!c.loaded()) return;
  c.startPosition = msToSamples(start, c.rate);
  c.loopStart = msToSamples(loopStart, c.rate);
  c.loopEnd = msToSamples(loopEnd, c.rate);
}

void SoundSystem::setLoopSample(std::int32_t channel, std::int64_t start, std::int64_t loopStart,
                                std::int64_t loopEnd) {
  const Lock lock(mutex_);
  Channel& c = channels_.at(static_cast<std::size_t>(channel));
  if (!c.loaded()) return;
  c.startPosition = start;
  c.loopStart = loopStart;
  c.loopEnd = loopEnd;
}

}  // namespace tsuzuri::sound
