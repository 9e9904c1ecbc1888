#include "platform/sdl/sdl_audio.h"

#include <cstring>

namespace tsuzuri::platform {

bool SdlAudio::open(Source source, std::string& error) {
  if (source_) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    error = std::string("SDL_InitSubSystem ") + SDL_GetError();
    return false;
  }
  source_ = std::move(source);
  if (!openDevice(error)) {
    source_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

bool SdlAudio::openDevice(std::string& error) {
  SDL_AudioSpec want{};
  want.freq = kRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  // About 23 ms a period: short enough for fades and voices to follow the
  // script closely, long enough not to starve on a busy machine.
  want.samples = 1024;
  want.callback = &SdlAudio::callback;
  want.userdata = this;
  // No changes allowed: SDL converts to whatever the card plays.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (device_ == 0) {
    error = std::string("SDL_OpenAudioDevice ") + SDL_GetError();
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudio::deviceChanged(const SDL_AudioDeviceEvent& event) {
  if (!source_ || event.iscapture != 0) return;
  const bool lost = event.type == SDL_AUDIODEVICEREMOVED && event.which == device_;
  const bool found = event.type == SDL_AUDIODEVICEADDED && device_ == 0;
  if (!lost && !found) return;
  if (device_ != 0) {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  std::string error;
  static_cast<void>(openDevice(error));
}

void SdlAudio::close() {
  if (!source_) return;
  // Closing waits for a callback in progress to return.
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
  source_ = nullptr;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudio::callback(void* self, Uint8* stream, int bytes) {
  auto& audio = *static_cast<SdlAudio*>(self);
  const auto frames = static_cast<std::size_t>(bytes) / (2 * sizeof(std::int16_t));
  if (!audio.source_) {
    std::memset(stream, 0, static_cast<std::size_t>(bytes));
    return;
  }
  // SDL hands out a byte buffer aligned for any sample format.
  audio.source_(reinterpret_cast<std::int16_t*>(stream), frames);
}

}  // namespace tsuzuri::platform
