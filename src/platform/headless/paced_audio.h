#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "platform/audio_out.h"

namespace tsuzuri::platform {

// The sound card of a headless run: it consumes what the mixer gives at the
// clock's pace and, when asked, records it as a 16-bit stereo WAV file whose
// frame n is the clock's n / 44.1 milliseconds. With a virtual clock the
// clock itself moves it (advanceTo); with a real one a thread of its own,
// started when the card is opened, does every 10 ms.
class PacedAudio final : public AudioOut {
 public:
  // `capturePath` empty: nothing is recorded.
  PacedAudio(bool ownThread, std::string capturePath);
  PacedAudio(const PacedAudio&) = delete;
  PacedAudio& operator=(const PacedAudio&) = delete;
  ~PacedAudio() override;

  bool open(Source source, std::string& error) override;
  void close() override;
  bool clocked() const override { return !ownThread_; }
  bool finish(std::string& error) override;

  // Pulls every frame due up to `milliseconds` since the clock's 0.
  void advanceTo(std::uint64_t milliseconds);
  // Whether there is nothing to pull and nothing to record: time can then
  // pass in one step.
  bool idle();

 private:
  void pace();
  void write(const std::int16_t* frames, std::size_t count);

  const bool ownThread_;
  const std::string capturePath_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::mutex mutex_;  // the source, the capture and the frame count
  Source source_;
  std::uint64_t framesDone_ = 0;
  std::FILE* capture_ = nullptr;
  std::uint64_t captureBytes_ = 0;
  std::string captureError_;
  bool finished_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace tsuzuri::platform
