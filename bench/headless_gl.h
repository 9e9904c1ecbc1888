#pragma once

// The OpenGL device of a headless window (Mesa's software rasteriser
// through the offscreen driver), shared by the rendering benchmarks.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/platform.h"
#include "render/gl/gl_device.h"

namespace tsuzuri::bench {

// A device drawing into `platform`'s window, sized `client`; null, with the
// benchmark skipped and the reason given, when no OpenGL can be had.
inline std::unique_ptr<render::GpuDevice> headlessGlDevice(benchmark::State& state,
                                                           platform::Platform& platform,
                                                           render::Size client) {
  std::string error;
  platform::Window* window = platform.openWindow("bench", error);
  if (window == nullptr || !window->hasGraphicsContext()) {
    state.SkipWithError(("no OpenGL: " + error).c_str());
    return nullptr;
  }
  window->setClientSize({client.width, client.height});
  auto device = render::gl::createGlDevice(*window, error);
  if (!device) state.SkipWithError(error.c_str());
  return device;
}

}  // namespace tsuzuri::bench
