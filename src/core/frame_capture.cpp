#include "core/frame_capture.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "assets/image_codecs.h"
#include "platform/files.h"

namespace tsuzuri::core {

bool FrameCapture::write(const std::string& path, assets::ImageBuffer& image, std::string& error) {
  // The composed picture has no meaningful alpha: the screen is opaque.
  const assets::EncodedImage png = assets::encodePng(image, 24, 6, 0);
  if (!png.ok) {
    error = path + ": the picture could not be encoded";
    return false;
  }
  const std::string_view bytes(reinterpret_cast<const char*>(png.bytes.data()), png.bytes.size());
  if (!platform::writeFileAtomically(path, bytes)) {
    error = path + " could not be written";
    return false;
  }
  return true;
}

void FrameCapture::frameShown() {
  shown_ = true;
  if (!framesDirectory_) return;
  assets::ImagePtr frame = renderer_.readComposed();
  if (!frame) return;
  const std::size_t size = static_cast<std::size_t>(frame->pixelCount) * 4;
  if (previous_.size() == size && std::memcmp(previous_.data(), frame->pixels, size) == 0) return;
  previous_.assign(frame->pixels, frame->pixels + size);
  if (!directoryReady_) {
    directoryReady_ = platform::createDirectories(*framesDirectory_);
  }
  char name[16];
  static_cast<void>(std::snprintf(name, sizeof name, "%08u.png", clock_.now()));
  std::string error;
  if (write(*framesDirectory_ + "/" + name, *frame, error)) {
    // A later frame of the same millisecond replaces the earlier one.
    if (name != lastName_) ++framesWritten_;
    lastName_ = name;
  } else {
    static_cast<void>(std::fprintf(stderr, "tsuzuri: %s\n", error.c_str()));
  }
}

bool FrameCapture::finish(std::string& error) {
  if (!screenshot_) return true;
  if (!shown_) {
    error = "no frame was shown, so there is no screenshot " + *screenshot_;
    return false;
  }
  assets::ImagePtr frame = renderer_.readComposed();
  if (!frame) {
    error = "the last frame could not be read for " + *screenshot_;
    return false;
  }
  return write(*screenshot_, *frame, error);
}

}  // namespace tsuzuri::core
