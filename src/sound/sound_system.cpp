#include "sound/sound_system.h"

#include <algorithm>
#include <chrono>

#include "sound/gain.h"
#include "util/sjis.h"

namespace tsuzuri::sound {

namespace {

// The stream work runs every 10 ms; at the card's rate that is 441 frames.
constexpr std::int32_t kCycleMs = 10;
constexpr std::int32_t kCycleFrames = platform::AudioOut::kRate / 1000 * kCycleMs;
// How long a stop waits for the stream thread before saying it hangs.
constexpr auto kStopWait = std::chrono::milliseconds(1000);

// The first voice channel, whose playing ducks the music and effects.
constexpr std::size_t kDuckingVoice = 20;

struct CategoryRange {
  Category category;
  std::int32_t first;
  std::int32_t last;
  std::int32_t SoundSettings::*volume;
  std::int32_t SoundSettings::*mute;
};

constexpr CategoryRange kCategories[] = {
    {Category::kMovie, 0, 0, &SoundSettings::movieVolume, &SoundSettings::movieMute},
    {Category::kBgm, 1, 2, &SoundSettings::bgmVolume, &SoundSettings::bgmMute},
    {Category::kSe, 3, 9, &SoundSettings::seVolume, &SoundSettings::seMute},
    {Category::kSysSe, 10, 14, &SoundSettings::sysSeVolume, &SoundSettings::sysSeMute},
    {Category::kSysVoice, 15, 19, &SoundSettings::sysVoVolume, &SoundSettings::sysVoMute},
    {Category::kVoice, 20, 29, &SoundSettings::voVolume, &SoundSettings::voMute},
};

const CategoryRange& rangeOf(Category category) {
  return kCategories[static_cast<std::size_t>(category)];
}

}  // namespace

SoundSystem::SoundSystem(SoundServices services) : services_(std::move(services)) {
  refreshDucking();
}

SoundSystem::~SoundSystem() {
  shutdown();
}

void SoundSystem::create() {
  if (device_) return;
  clocked_ = services_.audio.clocked();
  framesToCycle_ = 0;
  std::string error;
  if (!services_.audio.open([this](std::int16_t* out, std::size_t frames) { pull(out, frames); },
                            error)) {
    if (services_.notice) {
      services_.notice(util::toSjis(u8"サウンドデバイスがないため、音を出さずに続けます: ") +
                       error);
    }
    services_.notice = nullptr;
    return;
  }
  device_ = true;
  if (!clocked_) {
    stopThread_ = false;
    threadEnded_ = false;
    thread_ = std::thread([this] { streamThread(); });
  }
}

void SoundSystem::shutdown() {
  if (thread_.joinable()) {
    {
      const std::lock_guard lock(threadMutex_);
      stopThread_ = true;
    }
    wake_.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + kStopWait;
    while (!threadEnded_.load() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!threadEnded_.load()) {
      services_.errors.report(util::toSjis(u8"音スレッドが正常に終了出来ませんでした"));
    }
    // Joined even when late: its channels are not freed under it.
    thread_.join();
  }
  if (device_) services_.audio.close();
  device_ = false;
  const Lock lock(mutex_);
  for (std::size_t i = 0; i < channels_.size(); ++i) release(channels_[i], i);
  preloaded_.clear();
}

void SoundSystem::streamThread() {
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    // After a stall (a suspended machine) the cycles go on from now
    // instead of catching up one after another.
    next = std::max(next + std::chrono::milliseconds(kCycleMs), std::chrono::steady_clock::now());
    {
      std::unique_lock lock(threadMutex_);
      if (wake_.wait_until(lock, next, [this] { return stopThread_; })) break;
    }
    const Lock lock(mutex_);
    cycle();
  }
  threadEnded_.store(true);
}

void SoundSystem::pull(std::int16_t* out, std::size_t frames) {
  if (!clocked_) {
    mixer_.mix(out, frames);
    return;
  }
  while (frames > 0) {
    if (framesToCycle_ == 0) {
      const Lock lock(mutex_);
      cycle();
      framesToCycle_ = kCycleFrames;
    }
    const std::size_t n = std::min(frames, static_cast<std::size_t>(framesToCycle_));
    mixer_.mix(out, n);
    out += 2 * n;
    frames -= n;
    framesToCycle_ -= static_cast<std::int32_t>(n);
  }
}

void SoundSystem::cycle() {
  const bool anyRunning =
      std::any_of(channels_.begin(), channels_.end(), [](const Channel& c) { return c.running; });
  if (!anyRunning) return;
  duck();
  const std::uint32_t now = services_.clock.now();
  for (std::size_t i = 0; i < channels_.size(); ++i) {
    if (channels_[i].running) cycleChannel(channels_[i], i, now);
  }
}

void SoundSystem::refreshDucking() {
  const Lock lock(mutex_);
  const SoundSettings& s = services_.settings;
  // The fades of the return last four times as long; kept within what the
  // fades' 32-bit durations hold.
  const auto fade = std::clamp(s.fadeVolDown, 0, 1 << 28);
  ducking_ = Ducking{s.bgmVolDown, s.bgmMin, s.bgmMax, s.seVolDown, s.seMin, s.seMax, fade};
}

void SoundSystem::duck() {
  const Ducking& s = ducking_;
  const bool voicePlaying = channels_[kDuckingVoice].status == kPlaying;
  const auto fadeRange = [this](Category category, std::int32_t level, std::int32_t time) {
    const CategoryRange& range = rangeOf(category);
    for (std::int32_t i = range.first; i <= range.last; ++i) {
      Channel& c = channels_[static_cast<std::size_t>(i)];
      changeLevel(c, static_cast<std::size_t>(i), c.volume2Fade, c.volume2, level, time, false);
    }
  };
  if (!ducked_ && voicePlaying) {
    ducked_ = true;
    if (s.bgmVolDown == 1) fadeRange(Category::kBgm, s.bgmMin, s.fadeVolDown);
    if (s.seVolDown == 1) fadeRange(Category::kSe, s.seMin, s.fadeVolDown);
  } else if (ducked_ && !voicePlaying) {
    ducked_ = false;
    fadeRange(Category::kBgm, s.bgmMax, 4 * s.fadeVolDown);
    fadeRange(Category::kSe, s.seMax, 4 * s.fadeVolDown);
  }
}

void SoundSystem::applySettings() {
  refreshDucking();
  const Lock lock(mutex_);
  const SoundSettings& s = services_.settings;
  for (const CategoryRange& range : kCategories) {
    for (std::int32_t i = range.first; i <= range.last; ++i) {
      Channel& c = channels_[static_cast<std::size_t>(i)];
      c.categoryVolume = s.*range.volume;
      c.categorySwitch = s.*range.mute;
      const auto index = static_cast<std::size_t>(i);
      if (range.category == Category::kBgm || range.category == Category::kSe) {
        const std::int32_t level = range.category == Category::kBgm ? s.bgmMax : s.seMax;
        changeLevel(c, index, c.volume2Fade, c.volume2, level, 0, false);
      }
      refreshChannel(c, index);
    }
  }
}

void SoundSystem::refreshCategory(Category category) {
  const Lock lock(mutex_);
  refreshLocked(category);
}

void SoundSystem::refreshAll() {
  const Lock lock(mutex_);
  for (const CategoryRange& range : kCategories) refreshLocked(range.category);
}

void SoundSystem::refreshLocked(Category category) {
  const CategoryRange& range = rangeOf(category);
  const SoundSettings& s = services_.settings;
  for (std::int32_t i = range.first; i <= range.last; ++i) {
    Channel& c = channels_[static_cast<std::size_t>(i)];
    c.categoryVolume = s.*range.volume;
    c.categorySwitch = s.*range.mute;
    refreshChannel(c, static_cast<std::size_t>(i));
  }
}

void SoundSystem::refreshChannel(Channel& c, std::size_t index) {
  const SoundSettings& s = services_.settings;
  c.categoryFactor =
      categoryFactor(s.masterVolume, s.masterMute, c.categoryVolume, c.categorySwitch);
  applyGain(c, index);
}

void SoundSystem::runDue(std::uint32_t now) {
  for (std::size_t i = 0; i < channels_.size(); ++i) {
    std::optional<PendingCommand> command;
    {
      const Lock lock(mutex_);
      Channel& c = channels_[i];
      if (!c.pending || static_cast<std::int32_t>(now - c.pending->due) < 0) continue;
      command = c.pending;
      c.pending.reset();
    }
    const auto channel = static_cast<std::int32_t>(i);
    if (command->file.empty()) {
      stop(channel, command->fade, 0);
      continue;
    }
    if (services_.jumping && services_.jumping()) {
      playFile(channel, command->file, command->fade, 0, command->volume, command->pan,
               command->loops, command->start);
      continue;
    }
    bool quiet = false;
    if (!startFile(channels_[i], i, *command, quiet) && quiet) {
      // Not loadable yet (no sound card so far): tried again next frame.
      const Lock lock(mutex_);
      if (!channels_[i].pending) channels_[i].pending = command;
    }
  }
}

void SoundSystem::restartRemembered() {
  for (std::size_t i = 1; i <= 9; ++i) {
    PendingCommand command;
    {
      const Lock lock(mutex_);
      const Channel& c = channels_[i];
      // A sound that went on playing through the jump is left as it is.
      if (c.file.empty() || c.loopsRemaining >= 0 || c.status == kPlaying) continue;
      command.file = c.file;
      command.volume = c.volume;
      command.pan = c.pan;
    }
    command.fade = 1000;
    command.loops = 0;
    bool quiet = false;
    static_cast<void>(startFile(channels_[i], i, command, quiet));
  }
}

SoundSystem::ChannelState SoundSystem::state(std::int32_t channel) {
  const Lock lock(mutex_);
  const Channel& c = channels_.at(static_cast<std::size_t>(channel));
  ChannelState s;
  s.file = c.file;
  s.status = c.status;
  s.volume = c.volume;
  s.volume2 = c.volume2;
  s.pan = c.pan;
  s.loopsRemaining = c.loopsRemaining;
  s.position = c.loaded() && c.status == kPlaying ? c.decoder->tellSample() : 0;
  s.startPosition = c.startPosition;
  s.loopStart = c.loopStart;
  s.loopEnd = c.loopEnd;
  s.categoryFactor = c.categoryFactor;
  s.pending = c.pending;
  return s;
}

}  // namespace tsuzuri::sound
