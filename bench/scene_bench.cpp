// The sprite scene per frame: the engine's own work for every slot in use
// on the null device (moving sprites commit and rebuild their matrices;
// still ones only draw), the once-per-frame update of 1000 running motions
// (with and without sprite shakes, and with the frame composed after it),
// and frames per second of 200 large translucent sprites over a background
// on the headless OpenGL device (Mesa's software rasteriser through the
// offscreen window).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "assets/archive_directory.h"
#include "assets/file_access.h"
#include "assets/game_folder.h"
#include "assets/image_buffer.h"
#include "assets/image_cache.h"
#include "assets/image_ops_common.h"
#include "headless_gl.h"
#include "platform/platform.h"
#include "render/null_device.h"
#include "render/renderer.h"
#include "scene/composition.h"
#include "scene/motion_step.h"
#include "scene/scene.h"
#include "scene/sprite_table.h"
#include "scene/transitions.h"
#include "script/console.h"
#include "script/error_sink.h"
#include "util/reporter.h"

namespace {

using namespace tsuzuri;

constexpr render::Size kGame{1280, 720};

// Reports go to standard error, so that a set-up that failed is seen
// rather than measured as a fast empty frame.
class StderrErrors final : public script::ErrorSink {
 public:
  void reportWithContext(std::string_view message, bool) override { print(message); }
  void reportPlain(std::string_view message, bool) override { print(message); }

 private:
  static void print(std::string_view message) {
    std::fprintf(stderr, "scene_bench: %.*s\n", static_cast<int>(message.size()), message.data());
  }
};

class StderrConsole final : public assets::ImageConsole {
 public:
  void print(std::string_view line) override {
    std::fprintf(stderr, "scene_bench: %.*s\n", static_cast<int>(line.size()), line.data());
  }
};

// The script console a whole scene writes its image failures to.
class StderrScriptConsole final : public script::Console {
 protected:
  void output(std::string_view text) override {
    std::fprintf(stderr, "scene_bench: %.*s\n", static_cast<int>(text.size()), text.data());
  }
};

// What a sprite table needs besides the renderer. Every image here is made
// in memory, so the loader is never asked for a file.
struct SceneServices {
  util::StderrReporter reporter{"scene_bench: "};
  assets::ArchiveDirectory archives;
  assets::FileAccess files{assets::GameFolder{}, archives, reporter};
  assets::ImageCache cache{std::uint64_t{0}};
  assets::ImageLoader loader{files, cache, reporter};
  StderrConsole console;
  StderrScriptConsole scriptConsole;
  StderrErrors errors;
  render::RenderSettings settings;
};

scene::ScreenMetrics gameScreen() {
  scene::ScreenMetrics m;
  m.width = kGame.width;
  m.height = kGame.height;
  m.renderSize = kGame;
  return m;
}

// Gives the renderer a device showing the game screen at its own size;
// false (the benchmark skipped) when it cannot.
bool attachGame(benchmark::State& state, render::Renderer& renderer,
                std::unique_ptr<render::GpuDevice> device) {
  if (renderer.attach(
          std::move(device),
          render::choosePresentation(kGame, kGame, {0, 0, kGame.width, kGame.height}, true, 2))) {
    return true;
  }
  state.SkipWithError("the renderer could not attach the device");
  return false;
}

// A width × height image whose pixels (0xAARRGGBB words) come from `colour`.
template <typename Colour>
assets::ImagePtr makePixels(std::int32_t width, std::int32_t height, Colour colour) {
  assets::ImagePtr image = assets::makeImage(width, height, 32);
  if (!image) return image;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t word = colour(x, y);
      std::memcpy(assets::pixelAt(*image, x, y), &word, sizeof word);
    }
  }
  return image;
}

// Gives `slot` a new image, pending like a load by the sp command; the
// caller commits. The slot takes a file name as a load does: the motion
// lists drop a slot that has neither a name nor a render-target surface.
bool placeSprite(scene::SpriteTable& table, std::int32_t slot, assets::ImagePtr pixels, float x,
                 float y) {
  if (!table.createFromPixels(table.backPtr(slot), std::move(pixels), 0, 1, 0)) return false;
  table.slot(slot).name = "bench/" + std::to_string(slot) + ".png";
  table.adoptNewImage(slot, 0);
  scene::SpriteRecord* back = table.back(slot);
  back->x = x;
  back->y = y;
  back->dirty = true;
  return true;
}

// The null-device scene of the first benchmarks: a whole scene (table,
// motions, shakes, screen state and composer) on the virtual clock, every
// slot holding a small opaque sprite, committed once.
struct NullScene {
  std::unique_ptr<platform::Platform> platform =
      platform::createHeadlessPlatform({.virtualClock = true});
  SceneServices services;
  util::StderrReporter renderErrors{"scene_bench: "};
  render::Renderer renderer{services.settings, platform->clock(), renderErrors};
  render::NullDevice* device = nullptr;
  std::unique_ptr<scene::Scene> scene;

  scene::SpriteTable& table() { return scene->sprites(); }
  scene::Composer& composer() { return scene->composer(); }

  bool build() {
    services.settings.vSyncWait = 0;
    auto owned = std::make_unique<render::NullDevice>();
    device = owned.get();
    if (!renderer.attach(
            std::move(owned),
            render::choosePresentation(kGame, kGame, {0, 0, kGame.width, kGame.height}, true, 2))) {
      return false;
    }
    scene =
        std::make_unique<scene::Scene>(renderer, services.settings, services.loader,
                                       services.scriptConsole, services.errors, platform->clock());
    table().setScreenSource(gameScreen);
    for (std::int32_t n = 0; n < scene::kSlotCount; ++n) {
      const auto tint = static_cast<std::uint32_t>(n) * 0x010203U;
      auto pixels = makePixels(32, 32, [tint](std::int32_t x, std::int32_t y) {
        return 0xFF000000U | (tint + static_cast<std::uint32_t>(x * 8 + y)) % 0x1000000U;
      });
      if (!placeSprite(table(), n, std::move(pixels), static_cast<float>(n % 40 * 32),
                       static_cast<float>(n / 40 * 28))) {
        return false;
      }
    }
    table().commitAll();
    // One frame first, so that the unchanged scene starts with its matrices
    // built, as it would have them after the frame that showed it.
    composer().compose(renderer.compositionTarget(), scene::Picture::kOld);
    device->forget();
    return composer().spritesDrawn() == scene::kSlotCount;
  }

  ~NullScene() {
    // The textures go back to the device before it goes.
    scene.reset();
    renderer.detach();
  }
};

// One frame's scene work per iteration; `move` makes every sprite change
// position first, as an sp_xy per slot would.
void sceneWork1000(benchmark::State& state, bool move) {
  NullScene s;
  if (!s.build()) {
    state.SkipWithError("the sprites could not be made or drawn");
    return;
  }
  const render::TextureId target = s.renderer.compositionTarget();
  std::int32_t frame = 0;
  std::size_t draws = 0;
  for (auto _ : state) {
    if (move) {
      for (std::int32_t n = 0; n < scene::kSlotCount; ++n) {
        scene::SpriteRecord* back = s.table().back(n);
        back->x = static_cast<float>((n * 37 + frame) % kGame.width);
        back->y = static_cast<float>((n * 53 + frame) % kGame.height);
        back->dirty = true;
        s.table().slot(n).pending |= scene::kPendingChanged;
      }
    }
    s.table().commitAll();
    s.composer().compose(target, scene::Picture::kOld);
    draws = s.device->draws().size();
    s.device->forget();
    ++frame;
  }
  state.counters["draws"] = static_cast<double>(draws);
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_SceneWork1000(benchmark::State& state) {
  sceneWork1000(state, true);
}
BENCHMARK(BM_SceneWork1000)->Unit(benchmark::kMicrosecond);

void BM_SceneWork1000Unchanged(benchmark::State& state) {
  sceneWork1000(state, false);
}
BENCHMARK(BM_SceneWork1000Unchanged)->Unit(benchmark::kMicrosecond);

// Gives every slot one endless motion (mode word 0: replace, passes 0) on
// a mix of lists, easings and durations. With frames of 16 ms each motion
// loops every 13 to 38 frames, so the step ends and restarts are in the
// mix too. The sprites have one cell each: the cell list costs its record
// writes but picks no new texture coordinates.
bool startMotions(NullScene& s) {
  static constexpr int kLists[] = {scene::kMotionX,      scene::kMotionY,    scene::kMotionW,
                                   scene::kMotionH,      scene::kMotionRotZ, scene::kMotionAlpha,
                                   scene::kMotionColour, scene::kMotionCell};
  scene::MotionLists& motions = s.scene->motions();
  for (std::int32_t n = 0; n < scene::kSlotCount; ++n) {
    const int list = kLists[static_cast<std::size_t>(n) % std::size(kLists)];
    const scene::SpriteRecord& shown = *s.table().front(n);
    std::int32_t target = 0;
    switch (list) {
      case scene::kMotionX:
        target = static_cast<std::int32_t>(shown.x) + 64;
        break;
      case scene::kMotionY:
        target = static_cast<std::int32_t>(shown.y) + 48;
        break;
      case scene::kMotionW:
        target = 150;
        break;
      case scene::kMotionH:
        target = 60;
        break;
      case scene::kMotionRotZ:
        target = -360;
        break;
      case scene::kMotionAlpha:
        target = 64;
        break;
      case scene::kMotionColour:
        target = 0x3080C0;
        break;
      default:  // the cell list
        target = 1;
        break;
    }
    const std::int32_t easing = n % 41 - 20;
    const std::int32_t duration = 200 + n % 5 * 100;
    if (!motions.add(list, n, target, duration, easing, 0)) return false;
  }
  return motions.running();
}

// Shakes 200 slots, one axis each, endlessly.
void startQuakes(NullScene& s) {
  const std::uint32_t now = s.platform->clock().now();
  for (std::int32_t n = 0; n < 200; ++n) {
    const std::int32_t slot = n * 5;
    s.scene->quakes().start(slot, n % 2 != 0, 4 + n % 8, 100 + n % 4 * 50, 0, n % 41 - 20, n % 3, 0,
                            now);
  }
}

// The slots with a motion on any list.
std::int32_t movingSlots(NullScene& s) {
  std::int32_t moving = 0;
  for (std::int32_t n = 0; n < scene::kSlotCount; ++n) {
    if (s.table().slot(n).motionActive != 0) ++moving;
  }
  return moving;
}

// One frame per iteration: the virtual clock moves 16 ms and the scene
// runs its once-per-frame update; with `compose` the frame is then
// composed on the null device, rebuilding the matrices the motions dirtied.
void motions1000(benchmark::State& state, bool quakes, bool compose) {
  NullScene s;
  if (!s.build() || !startMotions(s)) {
    state.SkipWithError("the sprites or their motions could not be made");
    return;
  }
  if (quakes) startQuakes(s);
  const render::TextureId target = s.renderer.compositionTarget();
  platform::Clock& clock = s.platform->clock();
  std::size_t draws = 0;
  for (auto _ : state) {
    clock.sleep(16);
    s.scene->update();
    if (compose) {
      s.composer().compose(target, scene::Picture::kOld);
      draws = s.device->draws().size();
      s.device->forget();
    }
  }
  // Endless motions and shakes must still all run, else the frames timed
  // were emptier than the case says.
  const std::int32_t moving = movingSlots(s);
  const auto shaking = static_cast<std::int32_t>(s.scene->quakes().slots().size());
  if (moving != scene::kSlotCount || shaking != (quakes ? 200 : 0)) {
    state.SkipWithError("motions or shakes ended during the run");
    return;
  }
  state.counters["motions"] = moving;
  state.counters["quakes"] = shaking;
  if (compose) state.counters["draws"] = static_cast<double>(draws);
}

void BM_Motions1000Update(benchmark::State& state) {
  motions1000(state, false, false);
}
BENCHMARK(BM_Motions1000Update)->Unit(benchmark::kMicrosecond);

void BM_Motions1000Quakes200Update(benchmark::State& state) {
  motions1000(state, true, false);
}
BENCHMARK(BM_Motions1000Quakes200Update)->Unit(benchmark::kMicrosecond);

void BM_Motions1000UpdateCompose(benchmark::State& state) {
  motions1000(state, false, true);
}
BENCHMARK(BM_Motions1000UpdateCompose)->Unit(benchmark::kMicrosecond);

// 200 translucent 256 × 256 sprites in a 20 × 10 grid over an opaque
// background, each frame composed, blended and presented in full.
void BM_Gl200Sprites(benchmark::State& state) {
  constexpr std::int32_t kSprites = 200;
  constexpr std::int32_t kSide = 256;
  constexpr std::int32_t kBackgroundSlot = scene::kSlotCount - 1;  // drawn first
  auto platform = platform::createHeadlessPlatform({});
  auto device = bench::headlessGlDevice(state, *platform, kGame);
  if (!device) return;
  SceneServices services;
  services.settings.vSyncWait = 0;
  util::StderrReporter renderErrors("scene_bench: ");
  render::Renderer renderer(services.settings, platform->clock(), renderErrors);
  if (!attachGame(state, renderer, std::move(device))) return;
  renderer.configurePacing(60, false);
  std::string failure;
  {
    scene::SpriteTable table(renderer, services.settings, services.loader, services.console,
                             services.errors);
    table.setScreenSource(gameScreen);
    const scene::ScreenState screen;
    scene::Composer composer(table, screen, renderer, services.settings, services.errors);
    composer.install();
    bool built =
        placeSprite(table, kBackgroundSlot,
                    makePixels(kGame.width, kGame.height,
                               [](std::int32_t x, std::int32_t y) {
                                 return 0xFF000000U | static_cast<std::uint32_t>(x % 256) << 16 |
                                        static_cast<std::uint32_t>(y % 256) << 8 | 0x40U;
                               }),
                    static_cast<float>(kGame.width / 2), static_cast<float>(kGame.height / 2));
    for (std::int32_t n = 0; built && n < kSprites; ++n) {
      // A disc fading out from the centre, so that every pixel blends.
      const auto tint = 0x00204080U + static_cast<std::uint32_t>(n) * 0x00030507U;
      auto pixels = makePixels(kSide, kSide, [tint](std::int32_t x, std::int32_t y) {
        const std::int32_t dx = x - kSide / 2;
        const std::int32_t dy = y - kSide / 2;
        const std::int32_t alpha = 200 - (dx * dx + dy * dy) / 90;
        const auto a = static_cast<std::uint32_t>(alpha < 24 ? 24 : alpha);
        return a << 24 | (tint & 0xFFFFFFU);
      });
      const float x = 32.0F + static_cast<float>(n % 20) * 64.0F;
      const float y = 36.0F + static_cast<float>(n / 20) * 72.0F;
      built = placeSprite(table, n, std::move(pixels), x, y);
    }
    table.commitAll();
    // The first frame compiles the device's programs and settles the
    // uploads: it is not what a running game pays per frame.
    if (!built) {
      failure = "the sprites could not be made";
    } else if (!renderer.frame(0, 0, 0, 0)) {
      failure = "the first frame failed";
    } else if (composer.spritesDrawn() != kSprites + 1) {
      failure = "only " + std::to_string(composer.spritesDrawn()) + " sprites were drawn";
    } else {
      for (auto _ : state) {
        benchmark::DoNotOptimize(renderer.frame(0, 0, 0, 0));
      }
    }
    // The table's textures are freed here, while the device still exists.
  }
  renderer.detach();
  if (!failure.empty()) {
    state.SkipWithError(failure.c_str());
    return;
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Gl200Sprites)->Unit(benchmark::kMillisecond)->UseRealTime();

// A rule-image transition of the whole 1280 × 720 screen on the headless
// OpenGL device: both pictures composed and mixed through the mask shader
// every frame.
void BM_GlRuleTransition(benchmark::State& state) {
  auto platform = platform::createHeadlessPlatform({});
  auto device = bench::headlessGlDevice(state, *platform, kGame);
  if (!device) return;
  SceneServices services;
  services.settings.vSyncWait = 0;
  // The rule comes by name from a folder of one file; its bytes do not
  // matter, the decoder draws a diagonal ramp.
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "scene_bench_rule";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "rule.img") << "rule";
  assets::FileAccess files{assets::GameFolder::fromDirectory(folder.string() + "/"),
                           services.archives, services.reporter};
  assets::ImageLoader loader{
      files, services.cache, services.reporter, [](std::span<const std::uint8_t>) {
        return makePixels(kGame.width, kGame.height, [](std::int32_t x, std::int32_t y) {
          const auto v = static_cast<std::uint32_t>((x + y) * 255 / (kGame.width + kGame.height));
          return 0xFF000000U | v * 0x010101U;
        });
      }};
  util::StderrReporter renderErrors("scene_bench: ");
  render::Renderer renderer(services.settings, platform->clock(), renderErrors);
  if (!attachGame(state, renderer, std::move(device))) return;
  std::string failure;
  {
    scene::Scene scene(renderer, services.settings, loader, services.scriptConsole, services.errors,
                       platform->clock());
    scene.installFrames();
    scene.sprites().setScreenSource(gameScreen);
    auto old = makePixels(kGame.width, kGame.height, [](std::int32_t x, std::int32_t y) {
      return 0xFF000000U | static_cast<std::uint32_t>(x % 256) << 16 |
             static_cast<std::uint32_t>(y % 256);
    });
    bool built = placeSprite(scene.sprites(), 1, std::move(old), 640, 360);
    scene.sprites().commitAll();
    auto next = makePixels(kGame.width, kGame.height, [](std::int32_t x, std::int32_t y) {
      return 0xFF000000U | static_cast<std::uint32_t>((x + y) % 256) << 8;
    });
    built = built && placeSprite(scene.sprites(), 2, std::move(next), 640, 360);
    if (!built || !scene.transitions().setup(scene::kFrameStage, "rule.img")) {
      failure = "the transition could not be set up";
    } else {
      scene.transitions().setVague(127);
      renderer.frame(scene::kFrameStage, 0, 1000, 0);
      std::int32_t elapsed = 0;
      for (auto _ : state) {
        elapsed = (elapsed + 17) % 1000;
        benchmark::DoNotOptimize(renderer.frame(scene::kFrameStage, elapsed, 1000, 0));
      }
      scene.transitions().finish(scene::kFrameStage);
    }
  }
  renderer.detach();
  std::filesystem::remove_all(folder);
  if (!failure.empty()) {
    state.SkipWithError(failure.c_str());
    return;
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GlRuleTransition)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
