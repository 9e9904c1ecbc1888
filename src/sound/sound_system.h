#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/audio_out.h"
#include "platform/platform.h"
#include "sound/mixer.h"
#include "sound/sound_channel.h"
#include "sound/sound_settings.h"
#include "util/reporter.h"

namespace tsuzuri::sound {

// The channel ranges of the volume categories.
enum class Category { kMovie, kBgm, kSe, kSysSe, kSysVoice, kVoice };

struct SoundServices {
  platform::AudioOut& audio;
  platform::Clock& clock;
  SoundSettings& settings;
  // Load failures and broken files; called on the main thread.
  util::Reporter& errors;
  // Reads a game file whole; false (reported) when it cannot be read.
  std::function<bool(std::string_view name, std::vector<std::uint8_t>& bytes)> readFile;
  // Whether the scripts are being fast-forwarded (jump mode): sounds are
  // then remembered, not played.
  std::function<bool()> jumping;
  // Says once that there is no sound card.
  std::function<void(std::string_view)> notice;
};

// The 30 channels, their streams and the mix. Commands run on the main
// thread; the streams' periodic work (fades, ducking, refills, every 10 ms)
// runs on one stream thread, or, when the sound card is paced by the
// clock, inside the card's pulls. One lock guards the channel records.
class SoundSystem {
 public:
  explicit SoundSystem(SoundServices services);
  ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  // Opens the sound card and readies the channels; once per run. Without a
  // card, sound stays off (said once) and loads fail quietly.
  void create();
  // Stops the stream thread, closes the card and releases every channel.
  void shutdown();

  // Gives every channel its category's volume and switch, and the BGM and
  // SE channels their volume2, from the settings.
  void applySettings();
  // Recomputes the category factor of the channels of one category, or of
  // all, and applies their gain.
  void refreshCategory(Category category);
  void refreshAll();
  // Takes the ducking settings (which the stream work reads) from the settings.
  void refreshDucking();

  // The commands' operations. Channels are 0 … 29 (callers check).
  // `sd`: returns false when the file could not be loaded.
  bool playFile(std::int32_t channel, std::string_view file, std::int32_t fade, std::int32_t delay,
                std::int32_t volume, std::int32_t pan, std::int32_t loops, std::int64_t start);
  void loadOnly(std::int32_t channel, std::string_view file);
  void play(std::int32_t channel, std::int32_t fade, std::int32_t volume, std::int32_t pan,
            std::int32_t loops, std::int64_t start);
  void pause(std::int32_t channel, bool on);
  void stop(std::int32_t channel, std::int32_t fade, std::int32_t delay);
  void setVolume(std::int32_t channel, std::int32_t volume, std::int32_t fade);
  void setVolume2(std::int32_t channel, std::int32_t volume2, std::int32_t fade);
  void setPan(std::int32_t channel, std::int32_t pan, std::int32_t fade);
  std::int32_t status(std::int32_t channel);
  std::string file(std::int32_t channel);
  void seekMs(std::int32_t channel, std::int64_t ms);
  void seekSample(std::int32_t channel, std::int64_t sample);
  // Positions and lengths: 0 for an empty channel, never below 0.
  std::int64_t nowMs(std::int32_t channel) { return position(channel, &SoundDecoder::tellMs); }
  std::int64_t nowSample(std::int32_t channel) {
    return position(channel, &SoundDecoder::tellSample);
  }
  std::int64_t totalMs(std::int32_t channel) { return position(channel, &SoundDecoder::totalMs); }
  std::int64_t totalSample(std::int32_t channel) {
    return position(channel, &SoundDecoder::totalSamples);
  }
  void setLoopMs(std::int32_t channel, std::int64_t start, std::int64_t loopStart,
                 std::int64_t loopEnd);
  void setLoopSample(std::int32_t channel, std::int64_t start, std::int64_t loopStart,
                     std::int64_t loopEnd);

  // Runs the delayed commands whose time has come (once a frame).
  void runDue(std::uint32_t now);
  // Starts again, with a fade-in of a second, the endless sounds of
  // channels 1–9 that jump mode remembered without playing.
  void restartRemembered();
  // Loads a file into the preload map, for the next load of that name.
  void preload(std::string_view file);

  // Mutes every channel (or not), as a window without the focus is.
  void setMuted(bool muted) { mixer_.setMuted(muted); }

  // A copy of a channel's record without its stream, for the saved state
  // and for tests.
  struct ChannelState {
    std::string file;
    std::int32_t status = kStopped;
    std::int32_t volume = 0;  // the target while a fade runs
    std::int32_t volume2 = 0;
    std::int32_t pan = 0;
    std::int32_t loopsRemaining = 0;
    std::int64_t position = 0;  // 0 when not playing
    std::int64_t startPosition = 0;
    std::int64_t loopStart = 0;
    std::int64_t loopEnd = 0;
    std::int32_t categoryFactor = 0;
    std::optional<PendingCommand> pending;
  };
  ChannelState state(std::int32_t channel);

  // The sound card's pull: on a clocked card the stream work runs here too,
  // every 441 frames (10 ms).
  void pull(std::int16_t* out, std::size_t frames);

 private:
  using Lock = std::unique_lock<std::mutex>;

  // Loads a file into a channel, released first, stopped, at volume 100
  // and centred; returns the lock, taken once the file has been read. The
  // channel is empty when the load failed; `quiet` tells that it failed
  // without a report (no sound card).
  Lock install(Channel& c, std::size_t index, const std::string& file, bool& quiet);
  std::int64_t position(std::int32_t channel, std::int64_t (SoundDecoder::*query)());
  // Stream operations, with the lock held.
  void release(Channel& c, std::size_t index);
  void fillBlock(Channel& c, std::size_t index, int block);
  void startStream(Channel& c, std::size_t index);
  void endStream(Channel& c, std::size_t index);
  void seek(Channel& c, std::size_t index, std::int64_t sample);
  void cycle();
  void cycleChannel(Channel& c, std::size_t index, std::uint32_t now);
  void duck();
  void streamThread();

  // Channel operations, with the lock held.
  void applyGain(Channel& c, std::size_t index);
  void applyPan(Channel& c, std::size_t index);
  void changeLevel(Channel& c, std::size_t index, Fade& fade, std::int32_t& stored,
                   std::int32_t value, std::int32_t time, bool isPan);
  void playLocked(Channel& c, std::size_t index, std::int32_t loops, std::int32_t fade,
                  std::int64_t start);
  void stopLocked(Channel& c, std::size_t index, std::int32_t fade);
  void resume(Channel& c, std::size_t index);
  // Loads and plays, as `sd` does without a delay.
  bool startFile(Channel& c, std::size_t index, const PendingCommand& command, bool& quiet);
  void refreshLocked(Category category);
  void refreshChannel(Channel& c, std::size_t index);

  SoundServices services_;
  std::mutex mutex_;
  std::array<Channel, kChannelCount> channels_;
  Mixer mixer_{kChannelCount};
  bool device_ = false;
  bool clocked_ = false;
  bool ducked_ = false;
  struct Ducking {
    std::int32_t bgmVolDown, bgmMin, bgmMax, seVolDown, seMin, seMax, fadeVolDown;
  };
  Ducking ducking_{};
  std::int32_t framesToCycle_ = 0;
  std::vector<std::int16_t> scratch_;

  struct Preloaded {
    SoundData data;
  };
  std::map<std::uint64_t, Preloaded> preloaded_;  // guarded by mutex_

  std::thread thread_;
  std::mutex threadMutex_;
  std::condition_variable wake_;
  bool stopThread_ = false;
  std::atomic<bool> threadEnded_{false};
};

}  // namespace tsuzuri::sound
