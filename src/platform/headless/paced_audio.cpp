#include "platform/headless/paced_audio.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "util/wave_header.h"

namespace tsuzuri::platform {

namespace {

constexpr std::size_t kFrameBytes = 2 * sizeof(std::int16_t);
constexpr std::size_t kHeaderBytes = 44;
// A WAV file counts its bytes in 32 bits; a capture stops growing there.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - kHeaderBytes;

std::array<std::uint8_t, kHeaderBytes> waveHeader(std::uint32_t dataBytes) {
  return util::pcm16WaveHeader(2, AudioOut::kRate, dataBytes);
}

}  // namespace

PacedAudio::PacedAudio(bool ownThread, std::string capturePath)
    : ownThread_(ownThread), capturePath_(std::move(capturePath)) {
  if (!capturePath_.empty()) {
    // Written beside its final name and renamed when complete, so that a
    // run that dies leaves no file that looks whole.
    capture_ = std::fopen((capturePath_ + ".part").c_str(), "wb");
    const auto header = waveHeader(0);
    if (capture_ == nullptr || std::fwrite(header.data(), 1, header.size(), capture_) != 44) {
      captureError_ =
          "the audio capture " + capturePath_ + " cannot be written: " + systemErrorText(errno);
    }
  }
}

PacedAudio::~PacedAudio() {
  std::string error;
  static_cast<void>(finish(error));
}

bool PacedAudio::open(Source source, std::string& /*error*/) {
  {
    const std::lock_guard lock(mutex_);
    source_ = std::move(source);
  }
  if (ownThread_ && !thread_.joinable()) thread_ = std::thread([this] { pace(); });
  return true;
}

void PacedAudio::close() {
  const std::lock_guard lock(mutex_);
  source_ = nullptr;
}

void PacedAudio::pace() {
  while (!stop_.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    advanceTo(static_cast<std::uint64_t>(elapsed.count()));
  }
}

void PacedAudio::advanceTo(std::uint64_t milliseconds) {
  const std::lock_guard lock(mutex_);
  const std::uint64_t due = milliseconds * kRate / 1000;
  if (!source_ && capture_ == nullptr) {
    framesDone_ = std::max(framesDone_, due);
    return;
  }
  // A period at most, as a sound card pulls: the mixer's own cycle counts
  // on being asked in small pieces.
  std::array<std::int16_t, 2 * 441> buffer{};
  while (framesDone_ < due) {
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(due - framesDone_, buffer.size() / 2));
    if (source_) {
      source_(buffer.data(), count);
    } else {
      std::memset(buffer.data(), 0, count * kFrameBytes);
    }
    write(buffer.data(), count);
    framesDone_ += count;
  }
}

bool PacedAudio::idle() {
  const std::lock_guard lock(mutex_);
  return !source_ && capture_ == nullptr;
}

void PacedAudio::write(const std::int16_t* frames, std::size_t count) {
  if (capture_ == nullptr || !captureError_.empty()) return;
  std::size_t bytes = count * kFrameBytes;
  if (captureBytes_ + bytes > kMaxDataBytes) {
    bytes = static_cast<std::size_t>(kMaxDataBytes - captureBytes_) / kFrameBytes * kFrameBytes;
  }
  // The file holds little-endian samples; this machine's order is the same
  // on every platform the engine builds for, and checked at build time.
  static_assert(std::endian::native == std::endian::little);
  if (std::fwrite(frames, 1, bytes, capture_) != bytes) {
    captureError_ =
        "the audio capture " + capturePath_ + " cannot be written: " + systemErrorText(errno);
  }
  captureBytes_ += bytes;
}

bool PacedAudio::finish(std::string& error) {
  if (ownThread_ && thread_.joinable()) {
    stop_.store(true);
    thread_.join();
  }
  const std::lock_guard lock(mutex_);
  if (finished_) {
    error = captureError_;
    return captureError_.empty();
  }
  finished_ = true;
  source_ = nullptr;
  if (capture_ == nullptr) {
    error = captureError_;
    return captureError_.empty();
  }
  const auto header = waveHeader(static_cast<std::uint32_t>(captureBytes_));
  const bool written = captureError_.empty() && std::fseek(capture_, 0, SEEK_SET) == 0 &&
                       std::fwrite(header.data(), 1, header.size(), capture_) == header.size();
  const bool closed = std::fclose(capture_) == 0;
  capture_ = nullptr;
  const std::string part = capturePath_ + ".part";
  if (!written || !closed || std::rename(part.c_str(), capturePath_.c_str()) != 0) {
    if (captureError_.empty()) {
      captureError_ =
          "the audio capture " + capturePath_ + " cannot be written: " + systemErrorText(errno);
    }
    static_cast<void>(std::remove(part.c_str()));
  }
  error = captureError_;
  return captureError_.empty();
}

}  // namespace tsuzuri::platform
