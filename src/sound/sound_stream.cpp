// The channels' streams: loading a file, filling the buffer's blocks from
// the decoder with the loops, seeking, and the periodic work of a playing
// channel.

#include <algorithm>

#include "sound/gain.h"
#include "sound/sound_system.h"
#include "util/crc.h"

namespace tsuzuri::sound {

namespace {

// Sound files are read whole; one larger than this is not a game's sound.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
// Loop jumps in one block that are placed on the exact frame.
constexpr int kExactJumps = 16;

// The blocks' size in kilobytes of 16-bit frames: the setting, kept within
// what still streams (too small starves, too large delays every start). A
// block lasts at least 60 ms, longer than a card's period and a refill.
std::int64_t blockFramesFor(std::int32_t kilobytes, std::int32_t channels, std::int32_t rate) {
  const std::int64_t bytes = std::int64_t{std::clamp(kilobytes, 4, 1024)} * 1024;
  return std::max<std::int64_t>(bytes / (2 * std::max(channels, 1)),
                                std::int64_t{rate} * 60 / 1000);
}

// Advances a fade to `now`; true when it has just reached its target.
bool advance(Fade& fade, std::uint32_t now) {
  if (!fade.running) return false;
  const std::uint32_t elapsed = now - fade.start;
  if (elapsed > static_cast<std::uint32_t>(std::max(fade.duration, 0))) {
    fade.value = fade.target;
    fade.running = false;
    return true;
  }
  fade.value = fade.base + (fade.target - fade.base) * static_cast<double>(elapsed) /
                               static_cast<double>(fade.duration);
  return false;
}

}  // namespace

bool SoundSystem::startFile(Channel& c, std::size_t index, const PendingCommand& command,
                            bool& quiet) {
  Lock lock = install(c, index, command.file, quiet);
  if (!c.loaded()) return false;
  c.volume = command.volume;
  c.pan = command.pan;
  applyGain(c, index);
  applyPan(c, index);
  playLocked(c, index, command.loops, command.fade, command.start);
  return true;
}

SoundSystem::Lock SoundSystem::install(Channel& c, std::size_t index, const std::string& file,
                                       bool& quiet) {
  quiet = false;
  const std::uint64_t key = util::crc64_hash2(file);
  SoundData data;
  bool fromPreload = false;
  {
    const Lock lock(mutex_);
    if (!device_) {
      // Without a card nothing loads; the name's preloaded data goes.
      preloaded_.erase(key);
      quiet = true;
    } else if (auto found = preloaded_.find(key); found != preloaded_.end()) {
      data = found->second.data;
      fromPreload = true;
    }
  }
  if (device_ && !data) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    if (services_.readFile(file, *bytes) && bytes->size() <= kMaxFileBytes) {
      data = std::move(bytes);
    }
  }
  // The file is read and opened before the lock is taken: the stream
  // thread goes on meanwhile, even while a report's box is up.
  OpenedSound opened;
  if (data) opened = openSound(data, file, services_.errors);
  Lock lock(mutex_);
  release(c, index);
  if (!opened.decoder) {
    if (fromPreload) preloaded_.erase(key);
    return lock;
  }
  c.file = file;
  c.nameKey = key;
  c.fromPreload = fromPreload;
  c.data = std::move(data);
  c.rate = opened.decoder->rate();
  c.startPosition = opened.loop.start;
  c.loopStart = opened.loop.loopStart;
  c.loopEnd = opened.loop.loopEnd;
  c.blockFrames =
      blockFramesFor(services_.settings.streamBufferSize, opened.decoder->channels(), c.rate);
  mixer_.create(index, opened.decoder->channels(), c.rate, c.blockFrames);
  c.decoder = std::move(opened.decoder);
  c.status = kStopped;
  c.volume = 100;
  c.pan = 0;
  c.pausePosition = 0;
  applyGain(c, index);
  applyPan(c, index);
  return lock;
}

void SoundSystem::preload(std::string_view file) {
  const std::uint64_t key = util::crc64_hash2(file);
  {
    const Lock lock(mutex_);
    if (preloaded_.contains(key)) return;
  }
  auto bytes = std::make_shared<std::vector<std::uint8_t>>();
  if (!services_.readFile(file, *bytes) || bytes->size() > kMaxFileBytes) return;
  const Lock lock(mutex_);
  preloaded_.try_emplace(key, Preloaded{std::move(bytes)});
}

void SoundSystem::release(Channel& c, std::size_t index) {
  c.volumeFade = Fade{};
  c.volume2Fade.running = false;
  c.panFade = Fade{};
  c.stopAtFadeEnd = false;
  c.pausePosition = 0;
  c.status = kStopped;
  c.drain = 0;
  c.running = false;
  mixer_.release(index);
  c.decoder.reset();
  if (c.fromPreload) preloaded_.erase(c.nameKey);
  c.fromPreload = false;
  c.data.reset();
  c.file.clear();
}

void SoundSystem::fillBlock(Channel& c, std::size_t index, int block) {
  const std::int32_t channels = c.decoder->channels();
  scratch_.resize(static_cast<std::size_t>(c.blockFrames * channels));
  std::int64_t filled = 0;
  if (c.status != kPlaying || c.drain > 0) {
    // After the end the buffer plays silence; two blocks of it, and the
    // channel has stopped.
    if (c.drain > 0 && --c.drain == 0) c.status = kStopped;
  } else {
    int emptyReads = 0;
    int jumps = 0;
    while (filled < c.blockFrames) {
      std::int64_t want = c.blockFrames - filled;
      const std::int64_t position = c.decoder->tellSample();
      // A looping read stops at the loop's end, so the jump back is exact;
      // a loop of a few frames would cost a seek a frame, so past a few
      // jumps in one block the reads run whole and jump after them.
      if (c.loopsRemaining != 0 && c.loopEnd > position && jumps < kExactJumps) {
        want = std::min(want, c.loopEnd - position);
      }
      const std::int64_t got = c.decoder->read(scratch_.data() + filled * channels, want);
      if (got < 0) {
        c.status = kStopped;
        break;
      }
      if (got == 0) {
        // The end of the data; a start position past it would never play
        // a frame, so the second empty read in a row ends the sound too.
        if (c.loopsRemaining == 0 || ++emptyReads > 1) {
          c.drain = 2;
          break;
        }
        if (c.loopsRemaining > 0) --c.loopsRemaining;
        c.decoder->seekSample(c.startPosition);
        continue;
      }
      emptyReads = 0;
      filled += got;
      if (c.loopsRemaining != 0 && c.decoder->tellSample() >= c.loopEnd) {
        if (c.loopsRemaining > 0) --c.loopsRemaining;
        c.decoder->seekSample(c.loopStart);
        ++jumps;
      }
    }
  }
  mixer_.writeBlock(index, block, scratch_.data(), filled);
  // Undecodable data ends the sound now: the other block would play again
  // and again with nothing to refill it.
  if (c.status == kStopped && c.drain == 0) endStream(c, index);
}

void SoundSystem::startStream(Channel& c, std::size_t index) {
  mixer_.stop(index);
  mixer_.rewind(index);
  c.drain = 0;
  fillBlock(c, index, 0);
  if (c.status != kPlaying) return;
  c.dueBlock = 1;
  mixer_.play(index);
  c.running = true;
}

void SoundSystem::endStream(Channel& c, std::size_t index) {
  mixer_.stop(index);
  c.status = kStopped;
  c.running = false;
}

void SoundSystem::seek(Channel& c, std::size_t index, std::int64_t sample) {
  if (!c.loaded()) return;
  if (c.status != kPlaying) {
    c.pausePosition = std::max<std::int64_t>(sample, 1);
    return;
  }
  c.decoder->seekSample(std::max<std::int64_t>(sample, 0));
  startStream(c, index);
}

void SoundSystem::cycleChannel(Channel& c, std::size_t index, std::uint32_t now) {
  if (advance(c.panFade, now)) c.pan = c.panFade.target;
  applyPan(c, index);
  const bool volumeDone = advance(c.volumeFade, now);
  if (advance(c.volume2Fade, now)) c.volume2 = c.volume2Fade.target;
  applyGain(c, index);
  if (volumeDone && c.stopAtFadeEnd) {
    c.stopAtFadeEnd = false;
    endStream(c, index);
    return;
  }
  if (c.status != kPlaying) return;
  const std::int64_t block = mixer_.cursor(index) / std::max<std::int64_t>(c.blockFrames, 1);
  if (block == 0 && c.dueBlock == 1) {
    fillBlock(c, index, 1);
    c.dueBlock = 0;
  } else if (block == 1 && c.dueBlock == 0) {
    fillBlock(c, index, 0);
    c.dueBlock = 1;
  }
}

void SoundSystem::applyGain(Channel& c, std::size_t index) {
  mixer_.setAttenuation(index, gainAttenuation(c.volumeNow(), c.volume2Now(), c.categoryFactor));
}

void SoundSystem::applyPan(Channel& c, std::size_t index) {
  mixer_.setPan(index, panAttenuation(c.panNow()));
}

}  // namespace tsuzuri::sound
