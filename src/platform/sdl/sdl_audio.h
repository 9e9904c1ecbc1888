#pragma once

#include <SDL.h>

#include "platform/audio_out.h"

namespace tsuzuri::platform {

// The desktop's sound card through SDL: SDL's audio thread calls the source
// for every period it plays.
class SdlAudio final : public AudioOut {
 public:
  SdlAudio() = default;
  SdlAudio(const SdlAudio&) = delete;
  SdlAudio& operator=(const SdlAudio&) = delete;
  ~SdlAudio() override { close(); }

  bool open(Source source, std::string& error) override;
  void close() override;
  bool clocked() const override { return false; }

  // A playback device came or went. When the one playing goes (headphones
  // unplugged), the sound moves to the default device; when none could be
  // had, it comes back with the next device that appears.
  void deviceChanged(const SDL_AudioDeviceEvent& event);

 private:
  static void callback(void* self, Uint8* stream, int bytes);
  bool openDevice(std::string& error);

  SDL_AudioDeviceID device_ = 0;
  Source source_;
};

}  // namespace tsuzuri::platform
