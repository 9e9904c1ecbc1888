#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tsuzuri::platform {

// The sound card: a device that pulls 16-bit signed stereo frames at a
// fixed rate from the engine's mixer.
class AudioOut {
 public:
  static constexpr std::int32_t kRate = 44100;

  // Fills `frames` interleaved stereo frames. Called on the device's own
  // thread, or, for a clocked device, on the thread that moves the clock.
  using Source = std::function<void(std::int16_t* out, std::size_t frames)>;

  virtual ~AudioOut() = default;

  // Starts pulling from `source`. False, with `error` saying why, when there
  // is no device to play on.
  virtual bool open(Source source, std::string& error) = 0;
  // Stops pulling: once this returns, the source is not called again.
  virtual void close() = 0;
  // Whether the device pulls in step with the engine's clock, from inside
  // the clock's own calls (a headless run). Such a device has no thread of
  // its own, so nothing may wait for it in real time; whoever feeds it does
  // its periodic work from within the pull.
  virtual bool clocked() const = 0;
  // Ends what the device records (the audio capture of a headless run).
  // False, with `error`, when the recording could not be written.
  virtual bool finish(std::string& /*error*/) { return true; }
};

}  // namespace tsuzuri::platform
